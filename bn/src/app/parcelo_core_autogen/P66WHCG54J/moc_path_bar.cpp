/****************************************************************************
** Meta object code from reading C++ file 'path_bar.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/common/path_bar.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'path_bar.h' doesn't include <QObject>."
#elif Q_MOC_OUTPUT_REVISION != 68
#error "This file was generated using the moc from 6.4.2. It"
#error "cannot be used with the include files from this version of Qt."
#error "(The moc has changed too much.)"
#endif

#ifndef Q_CONSTINIT
#define Q_CONSTINIT
#endif

QT_BEGIN_MOC_NAMESPACE
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
namespace {
struct qt_meta_stringdata_parcelo__CPathBar_t {
    uint offsetsAndSizes[10];
    char stringdata0[18];
    char stringdata1[16];
    char stringdata2[1];
    char stringdata3[7];
    char stringdata4[12];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CPathBar_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CPathBar_t qt_meta_stringdata_parcelo__CPathBar = {
    {
        QT_MOC_LITERAL(0, 17),   // "parcelo::CPathBar"
        QT_MOC_LITERAL(18, 15),  // "FolderRequested"
        QT_MOC_LITERAL(34, 0),   // ""
        QT_MOC_LITERAL(35, 6),   // "folder"
        QT_MOC_LITERAL(42, 11)   // "UpRequested"
    },
    "parcelo::CPathBar",
    "FolderRequested",
    "",
    "folder",
    "UpRequested"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CPathBar[] = {

    // content:
    10,     // revision
    0,      // classname
    0, 0,   // classinfo
    2, 14,  // methods
    0, 0,   // properties
    0, 0,   // enums/sets
    0, 0,   // constructors
    0,      // flags
    2,      // signalCount

    // signals: name, argc, parameters, tag, flags, initial metatype offsets
    1, 1, 26, 2, 0x06, 1 /* Public */, 4, 0, 29, 2, 0x06, 3 /* Public */,

    // signals: parameters
    QMetaType::Void, QMetaType::QString, 3, QMetaType::Void,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CPathBar::staticMetaObject = {
    {QMetaObject::SuperData::link<QWidget::staticMetaObject>(), qt_meta_stringdata_parcelo__CPathBar.offsetsAndSizes,
     qt_meta_data_parcelo__CPathBar, qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CPathBar_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CPathBar, std::true_type>,
                                 // method 'FolderRequested'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const QString&, std::false_type>,
                                 // method 'UpRequested'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>>,
     nullptr}};

void parcelo::CPathBar::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CPathBar*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->FolderRequested((*reinterpret_cast<std::add_pointer_t<QString>>(_a[1]))); break;
            case 1: _t->UpRequested(); break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CPathBar::*)(const QString&);
            if (_t _q_method = &CPathBar::FolderRequested; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
        {
            using _t = void (CPathBar::*)();
            if (_t _q_method = &CPathBar::UpRequested; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 1;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CPathBar::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CPathBar::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CPathBar.stringdata0)) return static_cast<void*>(this);
    return QWidget::qt_metacast(_clname);
}

int parcelo::CPathBar::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QWidget::qt_metacall(_c, _id, _a);
    if (_id < 0) return _id;
    if (_c == QMetaObject::InvokeMetaMethod) {
        if (_id < 2) qt_static_metacall(this, _c, _id, _a);
        _id -= 2;
    } else if (_c == QMetaObject::RegisterMethodArgumentMetaType) {
        if (_id < 2) *reinterpret_cast<QMetaType*>(_a[0]) = QMetaType();
        _id -= 2;
    }
    return _id;
}

// SIGNAL 0
void parcelo::CPathBar::FolderRequested(const QString& _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 0, _a);
}

// SIGNAL 1
void parcelo::CPathBar::UpRequested() { QMetaObject::activate(this, &staticMetaObject, 1, nullptr); }
QT_WARNING_POP
QT_END_MOC_NAMESPACE
