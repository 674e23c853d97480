/****************************************************************************
** Meta object code from reading C++ file 'find_dlg.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <QtGui/qtextcursor.h>
#include <memory>
#include "../../../../../src/app/panes/find_dlg.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'find_dlg.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CFoundListModel_t {
    uint offsetsAndSizes[2];
    char stringdata0[25];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CFoundListModel_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CFoundListModel_t qt_meta_stringdata_parcelo__CFoundListModel = {
    {
        QT_MOC_LITERAL(0, 24)  // "parcelo::CFoundListModel"
    },
    "parcelo::CFoundListModel"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CFoundListModel[] = {

    // content:
    10,     // revision
    0,      // classname
    0,  0,  // classinfo
    0,  0,  // methods
    0,  0,  // properties
    0,  0,  // enums/sets
    0,  0,  // constructors
    0,      // flags
    0,      // signalCount

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CFoundListModel::staticMetaObject = {
    {QMetaObject::SuperData::link<QAbstractTableModel::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CFoundListModel.offsetsAndSizes, qt_meta_data_parcelo__CFoundListModel,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CFoundListModel_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CFoundListModel, std::true_type> >,
     nullptr}};

void parcelo::CFoundListModel::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    (void)_o;
    (void)_id;
    (void)_c;
    (void)_a;
}

const QMetaObject* parcelo::CFoundListModel::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CFoundListModel::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CFoundListModel.stringdata0)) return static_cast<void*>(this);
    return QAbstractTableModel::qt_metacast(_clname);
}

int parcelo::CFoundListModel::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QAbstractTableModel::qt_metacall(_c, _id, _a);
    return _id;
}
namespace {
struct qt_meta_stringdata_parcelo__CFindDlg_t {
    uint offsetsAndSizes[6];
    char stringdata0[18];
    char stringdata1[12];
    char stringdata2[1];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CFindDlg_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CFindDlg_t qt_meta_stringdata_parcelo__CFindDlg = {
    {
        QT_MOC_LITERAL(0, 17),   // "parcelo::CFindDlg"
        QT_MOC_LITERAL(18, 11),  // "SearchEnded"
        QT_MOC_LITERAL(30, 0)    // ""
    },
    "parcelo::CFindDlg",
    "SearchEnded",
    ""};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CFindDlg[] = {

    // content:
    10,     // revision
    0,      // classname
    0, 0,   // classinfo
    1, 14,  // methods
    0, 0,   // properties
    0, 0,   // enums/sets
    0, 0,   // constructors
    0,      // flags
    1,      // signalCount

    // signals: name, argc, parameters, tag, flags, initial metatype offsets
    1, 0, 20, 2, 0x06, 1 /* Public */,

    // signals: parameters
    QMetaType::Void,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CFindDlg::staticMetaObject = {
    {QMetaObject::SuperData::link<QDialog::staticMetaObject>(), qt_meta_stringdata_parcelo__CFindDlg.offsetsAndSizes,
     qt_meta_data_parcelo__CFindDlg, qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CFindDlg_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CFindDlg, std::true_type>,
                                 // method 'SearchEnded'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type> >,
     nullptr}};

void parcelo::CFindDlg::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CFindDlg*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->SearchEnded(); break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CFindDlg::*)();
            if (_t _q_method = &CFindDlg::SearchEnded; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
    }
    (void)_a;
}

const QMetaObject* parcelo::CFindDlg::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CFindDlg::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CFindDlg.stringdata0)) return static_cast<void*>(this);
    return QDialog::qt_metacast(_clname);
}

int parcelo::CFindDlg::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QDialog::qt_metacall(_c, _id, _a);
    if (_id < 0) return _id;
    if (_c == QMetaObject::InvokeMetaMethod) {
        if (_id < 1) qt_static_metacall(this, _c, _id, _a);
        _id -= 1;
    } else if (_c == QMetaObject::RegisterMethodArgumentMetaType) {
        if (_id < 1) *reinterpret_cast<QMetaType*>(_a[0]) = QMetaType();
        _id -= 1;
    }
    return _id;
}

// SIGNAL 0
void parcelo::CFindDlg::SearchEnded() { QMetaObject::activate(this, &staticMetaObject, 0, nullptr); }
QT_WARNING_POP
QT_END_MOC_NAMESPACE
