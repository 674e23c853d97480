/****************************************************************************
** Meta object code from reading C++ file 'partial_uploads.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/transfers/partial_uploads.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'partial_uploads.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CPartialUploads_t {
    uint offsetsAndSizes[12];
    char stringdata0[25];
    char stringdata1[15];
    char stringdata2[1];
    char stringdata3[12];
    char stringdata4[11];
    char stringdata5[6];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CPartialUploads_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CPartialUploads_t qt_meta_stringdata_parcelo__CPartialUploads = {
    {
        QT_MOC_LITERAL(0, 24),   // "parcelo::CPartialUploads"
        QT_MOC_LITERAL(25, 14),  // "DeleteFinished"
        QT_MOC_LITERAL(40, 0),   // ""
        QT_MOC_LITERAL(41, 11),  // "std::string"
        QT_MOC_LITERAL(53, 10),  // "remotePath"
        QT_MOC_LITERAL(64, 5)    // "error"
    },
    "parcelo::CPartialUploads",
    "DeleteFinished",
    "",
    "std::string",
    "remotePath",
    "error"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CPartialUploads[] = {

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
    1, 2, 20, 2, 0x06, 1 /* Public */,

    // signals: parameters
    QMetaType::Void, 0x80000000 | 3, 0x80000000 | 3, 4, 5,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CPartialUploads::staticMetaObject = {
    {QMetaObject::SuperData::link<QObject::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CPartialUploads.offsetsAndSizes, qt_meta_data_parcelo__CPartialUploads,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CPartialUploads_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CPartialUploads, std::true_type>,
                                 // method 'DeleteFinished'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const std::string&, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const std::string&, std::false_type>>,
     nullptr}};

void parcelo::CPartialUploads::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CPartialUploads*>(_o);
        (void)_t;
        switch (_id) {
            case 0:
                _t->DeleteFinished((*reinterpret_cast<std::add_pointer_t<std::string>>(_a[1])),
                                   (*reinterpret_cast<std::add_pointer_t<std::string>>(_a[2])));
                break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CPartialUploads::*)(const std::string&, const std::string&);
            if (_t _q_method = &CPartialUploads::DeleteFinished; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CPartialUploads::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CPartialUploads::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CPartialUploads.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    return QObject::qt_metacast(_clname);
}

int parcelo::CPartialUploads::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QObject::qt_metacall(_c, _id, _a);
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
void parcelo::CPartialUploads::DeleteFinished(const std::string& _t1, const std::string& _t2) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1))),
                  const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t2)))};
    QMetaObject::activate(this, &staticMetaObject, 0, _a);
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
