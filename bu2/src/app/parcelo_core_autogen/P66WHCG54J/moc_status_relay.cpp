/****************************************************************************
** Meta object code from reading C++ file 'status_relay.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/common/status_relay.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'status_relay.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CStatusRelay_t {
    uint offsetsAndSizes[12];
    char stringdata0[22];
    char stringdata1[16];
    char stringdata2[1];
    char stringdata3[18];
    char stringdata4[7];
    char stringdata5[12];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CStatusRelay_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CStatusRelay_t qt_meta_stringdata_parcelo__CStatusRelay = {
    {
        QT_MOC_LITERAL(0, 21),   // "parcelo::CStatusRelay"
        QT_MOC_LITERAL(22, 15),  // "FileTransferred"
        QT_MOC_LITERAL(38, 0),   // ""
        QT_MOC_LITERAL(39, 17),  // "velmora::CFtpPath"
        QT_MOC_LITERAL(57, 6),   // "source"
        QT_MOC_LITERAL(64, 11)   // "destination"
    },
    "parcelo::CStatusRelay",
    "FileTransferred",
    "",
    "velmora::CFtpPath",
    "source",
    "destination"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CStatusRelay[] = {

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

Q_CONSTINIT const QMetaObject parcelo::CStatusRelay::staticMetaObject = {
    {QMetaObject::SuperData::link<QObject::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CStatusRelay.offsetsAndSizes, qt_meta_data_parcelo__CStatusRelay, qt_static_metacall,
     nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CStatusRelay_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CStatusRelay, std::true_type>,
                                 // method 'FileTransferred'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const velmora::CFtpPath&, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const velmora::CFtpPath&, std::false_type>>,
     nullptr}};

void parcelo::CStatusRelay::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CStatusRelay*>(_o);
        (void)_t;
        switch (_id) {
            case 0:
                _t->FileTransferred((*reinterpret_cast<std::add_pointer_t<velmora::CFtpPath>>(_a[1])),
                                    (*reinterpret_cast<std::add_pointer_t<velmora::CFtpPath>>(_a[2])));
                break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CStatusRelay::*)(const velmora::CFtpPath&, const velmora::CFtpPath&);
            if (_t _q_method = &CStatusRelay::FileTransferred; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CStatusRelay::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CStatusRelay::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CStatusRelay.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    return QObject::qt_metacast(_clname);
}

int parcelo::CStatusRelay::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
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
void parcelo::CStatusRelay::FileTransferred(const velmora::CFtpPath& _t1, const velmora::CFtpPath& _t2) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1))),
                  const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t2)))};
    QMetaObject::activate(this, &staticMetaObject, 0, _a);
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
