/****************************************************************************
** Meta object code from reading C++ file 'ftp_connections_dlg.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/connections/ftp_connections_dlg.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'ftp_connections_dlg.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CFtpConnectionsDlg_t {
    uint offsetsAndSizes[8];
    char stringdata0[28];
    char stringdata1[19];
    char stringdata2[1];
    char stringdata3[17];
};
#define QT_MOC_LITERAL(ofs, len) \
    uint(sizeof(qt_meta_stringdata_parcelo__CFtpConnectionsDlg_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CFtpConnectionsDlg_t
    qt_meta_stringdata_parcelo__CFtpConnectionsDlg = {{
                                                          QT_MOC_LITERAL(0, 27),   // "parcelo::CFtpConnectionsDlg"
                                                          QT_MOC_LITERAL(28, 18),  // "ConnectionsChanged"
                                                          QT_MOC_LITERAL(47, 0),   // ""
                                                          QT_MOC_LITERAL(48, 16)   // "ConnectionEdited"
                                                      },
                                                      "parcelo::CFtpConnectionsDlg",
                                                      "ConnectionsChanged",
                                                      "",
                                                      "ConnectionEdited"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CFtpConnectionsDlg[] = {

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
    1, 0, 26, 2, 0x06, 1 /* Public */, 3, 0, 27, 2, 0x06, 2 /* Public */,

    // signals: parameters
    QMetaType::Void, QMetaType::Void,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CFtpConnectionsDlg::staticMetaObject = {
    {QMetaObject::SuperData::link<CSplitterDlg::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CFtpConnectionsDlg.offsetsAndSizes, qt_meta_data_parcelo__CFtpConnectionsDlg,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CFtpConnectionsDlg_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CFtpConnectionsDlg, std::true_type>,
                                 // method 'ConnectionsChanged'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 // method 'ConnectionEdited'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type> >,
     nullptr}};

void parcelo::CFtpConnectionsDlg::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CFtpConnectionsDlg*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->ConnectionsChanged(); break;
            case 1: _t->ConnectionEdited(); break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CFtpConnectionsDlg::*)();
            if (_t _q_method = &CFtpConnectionsDlg::ConnectionsChanged; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
        {
            using _t = void (CFtpConnectionsDlg::*)();
            if (_t _q_method = &CFtpConnectionsDlg::ConnectionEdited; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 1;
                return;
            }
        }
    }
    (void)_a;
}

const QMetaObject* parcelo::CFtpConnectionsDlg::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CFtpConnectionsDlg::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CFtpConnectionsDlg.stringdata0)) return static_cast<void*>(this);
    return CSplitterDlg::qt_metacast(_clname);
}

int parcelo::CFtpConnectionsDlg::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = CSplitterDlg::qt_metacall(_c, _id, _a);
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
void parcelo::CFtpConnectionsDlg::ConnectionsChanged() { QMetaObject::activate(this, &staticMetaObject, 0, nullptr); }

// SIGNAL 1
void parcelo::CFtpConnectionsDlg::ConnectionEdited() { QMetaObject::activate(this, &staticMetaObject, 1, nullptr); }
QT_WARNING_POP
QT_END_MOC_NAMESPACE
