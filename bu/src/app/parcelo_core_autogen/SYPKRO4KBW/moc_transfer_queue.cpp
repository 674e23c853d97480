/****************************************************************************
** Meta object code from reading C++ file 'transfer_queue.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/transfers/transfer_queue.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'transfer_queue.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CTransferQueue_t {
    uint offsetsAndSizes[30];
    char stringdata0[24];
    char stringdata1[20];
    char stringdata2[1];
    char stringdata3[6];
    char stringdata4[11];
    char stringdata5[3];
    char stringdata6[9];
    char stringdata7[7];
    char stringdata8[12];
    char stringdata9[10];
    char stringdata10[11];
    char stringdata11[7];
    char stringdata12[11];
    char stringdata13[14];
    char stringdata14[5];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CTransferQueue_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CTransferQueue_t qt_meta_stringdata_parcelo__CTransferQueue = {
    {
        QT_MOC_LITERAL(0, 23),    // "parcelo::CTransferQueue"
        QT_MOC_LITERAL(24, 19),   // "WaitingCountChanged"
        QT_MOC_LITERAL(44, 0),    // ""
        QT_MOC_LITERAL(45, 5),    // "count"
        QT_MOC_LITERAL(51, 10),   // "JobStarted"
        QT_MOC_LITERAL(62, 2),    // "id"
        QT_MOC_LITERAL(65, 8),    // "JobEnded"
        QT_MOC_LITERAL(74, 6),    // "errors"
        QT_MOC_LITERAL(81, 11),   // "std::string"
        QT_MOC_LITERAL(93, 9),    // "lastError"
        QT_MOC_LITERAL(103, 10),  // "CRunCounts"
        QT_MOC_LITERAL(114, 6),   // "counts"
        QT_MOC_LITERAL(121, 10),  // "EntryEnded"
        QT_MOC_LITERAL(132, 13),  // "TransferEnded"
        QT_MOC_LITERAL(146, 4)    // "idle"
    },
    "parcelo::CTransferQueue",
    "WaitingCountChanged",
    "",
    "count",
    "JobStarted",
    "id",
    "JobEnded",
    "errors",
    "std::string",
    "lastError",
    "CRunCounts",
    "counts",
    "EntryEnded",
    "TransferEnded",
    "idle"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CTransferQueue[] = {

    // content:
    10,     // revision
    0,      // classname
    0, 0,   // classinfo
    5, 14,  // methods
    0, 0,   // properties
    0, 0,   // enums/sets
    0, 0,   // constructors
    0,      // flags
    5,      // signalCount

    // signals: name, argc, parameters, tag, flags, initial metatype offsets
    1, 1, 44, 2, 0x06, 1 /* Public */, 4, 1, 47, 2, 0x06, 3 /* Public */, 6, 3, 50, 2, 0x06, 5 /* Public */, 12, 1, 57,
    2, 0x06, 9 /* Public */, 13, 1, 60, 2, 0x06, 11 /* Public */,

    // signals: parameters
    QMetaType::Void, QMetaType::Int, 3, QMetaType::Void, QMetaType::Int, 5, QMetaType::Void, QMetaType::Long,
    0x80000000 | 8, 0x80000000 | 10, 7, 9, 11, QMetaType::Void, QMetaType::Int, 5, QMetaType::Void, QMetaType::Bool, 14,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CTransferQueue::staticMetaObject = {
    {QMetaObject::SuperData::link<QObject::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CTransferQueue.offsetsAndSizes, qt_meta_data_parcelo__CTransferQueue,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<
         qt_meta_stringdata_parcelo__CTransferQueue_t,
         // Q_OBJECT / Q_GADGET
         QtPrivate::TypeAndForceComplete<CTransferQueue, std::true_type>,
         // method 'WaitingCountChanged'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<int, std::false_type>,
         // method 'JobStarted'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<int, std::false_type>,
         // method 'JobEnded'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<long, std::false_type>,
         QtPrivate::TypeAndForceComplete<const std::string&, std::false_type>,
         QtPrivate::TypeAndForceComplete<const CRunCounts&, std::false_type>,
         // method 'EntryEnded'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<int, std::false_type>,
         // method 'TransferEnded'
         QtPrivate::TypeAndForceComplete<void, std::false_type>,
         QtPrivate::TypeAndForceComplete<bool, std::false_type>>,
     nullptr}};

void parcelo::CTransferQueue::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CTransferQueue*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->WaitingCountChanged((*reinterpret_cast<std::add_pointer_t<int>>(_a[1]))); break;
            case 1: _t->JobStarted((*reinterpret_cast<std::add_pointer_t<int>>(_a[1]))); break;
            case 2:
                _t->JobEnded((*reinterpret_cast<std::add_pointer_t<long>>(_a[1])),
                             (*reinterpret_cast<std::add_pointer_t<std::string>>(_a[2])),
                             (*reinterpret_cast<std::add_pointer_t<CRunCounts>>(_a[3])));
                break;
            case 3: _t->EntryEnded((*reinterpret_cast<std::add_pointer_t<int>>(_a[1]))); break;
            case 4: _t->TransferEnded((*reinterpret_cast<std::add_pointer_t<bool>>(_a[1]))); break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CTransferQueue::*)(int);
            if (_t _q_method = &CTransferQueue::WaitingCountChanged; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
        {
            using _t = void (CTransferQueue::*)(int);
            if (_t _q_method = &CTransferQueue::JobStarted; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 1;
                return;
            }
        }
        {
            using _t = void (CTransferQueue::*)(long, const std::string&, const CRunCounts&);
            if (_t _q_method = &CTransferQueue::JobEnded; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 2;
                return;
            }
        }
        {
            using _t = void (CTransferQueue::*)(int);
            if (_t _q_method = &CTransferQueue::EntryEnded; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 3;
                return;
            }
        }
        {
            using _t = void (CTransferQueue::*)(bool);
            if (_t _q_method = &CTransferQueue::TransferEnded; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 4;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CTransferQueue::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CTransferQueue::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CTransferQueue.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    return QObject::qt_metacast(_clname);
}

int parcelo::CTransferQueue::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QObject::qt_metacall(_c, _id, _a);
    if (_id < 0) return _id;
    if (_c == QMetaObject::InvokeMetaMethod) {
        if (_id < 5) qt_static_metacall(this, _c, _id, _a);
        _id -= 5;
    } else if (_c == QMetaObject::RegisterMethodArgumentMetaType) {
        if (_id < 5) *reinterpret_cast<QMetaType*>(_a[0]) = QMetaType();
        _id -= 5;
    }
    return _id;
}

// SIGNAL 0
void parcelo::CTransferQueue::WaitingCountChanged(int _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 0, _a);
}

// SIGNAL 1
void parcelo::CTransferQueue::JobStarted(int _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 1, _a);
}

// SIGNAL 2
void parcelo::CTransferQueue::JobEnded(long _t1, const std::string& _t2, const CRunCounts& _t3) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1))),
                  const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t2))),
                  const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t3)))};
    QMetaObject::activate(this, &staticMetaObject, 2, _a);
}

// SIGNAL 3
void parcelo::CTransferQueue::EntryEnded(int _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 3, _a);
}

// SIGNAL 4
void parcelo::CTransferQueue::TransferEnded(bool _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 4, _a);
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
