/****************************************************************************
** Meta object code from reading C++ file 'ftp_tree_dlg.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <QtGui/qtextcursor.h>
#include <memory>
#include "../../../../../src/app/panes/ftp_tree_dlg.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'ftp_tree_dlg.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CFolderTreeView_t {
    uint offsetsAndSizes[2];
    char stringdata0[25];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CFolderTreeView_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CFolderTreeView_t qt_meta_stringdata_parcelo__CFolderTreeView = {
    {
        QT_MOC_LITERAL(0, 24)  // "parcelo::CFolderTreeView"
    },
    "parcelo::CFolderTreeView"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CFolderTreeView[] = {

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

Q_CONSTINIT const QMetaObject parcelo::CFolderTreeView::staticMetaObject = {
    {QMetaObject::SuperData::link<QTreeView::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CFolderTreeView.offsetsAndSizes, qt_meta_data_parcelo__CFolderTreeView,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CFolderTreeView_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CFolderTreeView, std::true_type>>,
     nullptr}};

void parcelo::CFolderTreeView::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    (void)_o;
    (void)_id;
    (void)_c;
    (void)_a;
}

const QMetaObject* parcelo::CFolderTreeView::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CFolderTreeView::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CFolderTreeView.stringdata0)) return static_cast<void*>(this);
    return QTreeView::qt_metacast(_clname);
}

int parcelo::CFolderTreeView::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QTreeView::qt_metacall(_c, _id, _a);
    return _id;
}
namespace {
struct qt_meta_stringdata_parcelo__CFtpTreeDlg_t {
    uint offsetsAndSizes[28];
    char stringdata0[21];
    char stringdata1[11];
    char stringdata2[1];
    char stringdata3[16];
    char stringdata4[10];
    char stringdata5[14];
    char stringdata6[20];
    char stringdata7[19];
    char stringdata8[23];
    char stringdata9[8];
    char stringdata10[19];
    char stringdata11[6];
    char stringdata12[24];
    char stringdata13[4];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CFtpTreeDlg_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CFtpTreeDlg_t qt_meta_stringdata_parcelo__CFtpTreeDlg = {
    {
        QT_MOC_LITERAL(0, 20),    // "parcelo::CFtpTreeDlg"
        QT_MOC_LITERAL(21, 10),   // "FilesShown"
        QT_MOC_LITERAL(32, 0),    // ""
        QT_MOC_LITERAL(33, 15),   // "ConnectFinished"
        QT_MOC_LITERAL(49, 9),    // "connected"
        QT_MOC_LITERAL(59, 13),   // "WaitCancelled"
        QT_MOC_LITERAL(73, 19),   // "CopyToSiteRequested"
        QT_MOC_LITERAL(93, 18),   // "CertificateTrusted"
        QT_MOC_LITERAL(112, 22),  // "velmora::CFtpLoginInfo"
        QT_MOC_LITERAL(135, 7),   // "trusted"
        QT_MOC_LITERAL(143, 18),  // "LoginPasswordReady"
        QT_MOC_LITERAL(162, 5),   // "ready"
        QT_MOC_LITERAL(168, 23),  // "parcelo::ELoginPassword"
        QT_MOC_LITERAL(192, 3)    // "how"
    },
    "parcelo::CFtpTreeDlg",
    "FilesShown",
    "",
    "ConnectFinished",
    "connected",
    "WaitCancelled",
    "CopyToSiteRequested",
    "CertificateTrusted",
    "velmora::CFtpLoginInfo",
    "trusted",
    "LoginPasswordReady",
    "ready",
    "parcelo::ELoginPassword",
    "how"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CFtpTreeDlg[] = {

    // content:
    10,     // revision
    0,      // classname
    0, 0,   // classinfo
    6, 14,  // methods
    0, 0,   // properties
    0, 0,   // enums/sets
    0, 0,   // constructors
    0,      // flags
    6,      // signalCount

    // signals: name, argc, parameters, tag, flags, initial metatype offsets
    1, 0, 50, 2, 0x06, 1 /* Public */, 3, 1, 51, 2, 0x06, 2 /* Public */, 5, 0, 54, 2, 0x06, 4 /* Public */, 6, 0, 55,
    2, 0x06, 5 /* Public */, 7, 1, 56, 2, 0x06, 6 /* Public */, 10, 2, 59, 2, 0x06, 8 /* Public */,

    // signals: parameters
    QMetaType::Void, QMetaType::Void, QMetaType::Bool, 4, QMetaType::Void, QMetaType::Void, QMetaType::Void,
    0x80000000 | 8, 9, QMetaType::Void, 0x80000000 | 8, 0x80000000 | 12, 11, 13,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CFtpTreeDlg::staticMetaObject = {
    {QMetaObject::SuperData::link<CSplitterDlg::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CFtpTreeDlg.offsetsAndSizes, qt_meta_data_parcelo__CFtpTreeDlg, qt_static_metacall,
     nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CFtpTreeDlg_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CFtpTreeDlg, std::true_type>,
                                 // method 'FilesShown'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 // method 'ConnectFinished'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<bool, std::false_type>,
                                 // method 'WaitCancelled'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 // method 'CopyToSiteRequested'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 // method 'CertificateTrusted'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const velmora::CFtpLoginInfo&, std::false_type>,
                                 // method 'LoginPasswordReady'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<const velmora::CFtpLoginInfo&, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<parcelo::ELoginPassword, std::false_type>>,
     nullptr}};

void parcelo::CFtpTreeDlg::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CFtpTreeDlg*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->FilesShown(); break;
            case 1: _t->ConnectFinished((*reinterpret_cast<std::add_pointer_t<bool>>(_a[1]))); break;
            case 2: _t->WaitCancelled(); break;
            case 3: _t->CopyToSiteRequested(); break;
            case 4:
                _t->CertificateTrusted((*reinterpret_cast<std::add_pointer_t<velmora::CFtpLoginInfo>>(_a[1])));
                break;
            case 5:
                _t->LoginPasswordReady((*reinterpret_cast<std::add_pointer_t<velmora::CFtpLoginInfo>>(_a[1])),
                                       (*reinterpret_cast<std::add_pointer_t<parcelo::ELoginPassword>>(_a[2])));
                break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CFtpTreeDlg::*)();
            if (_t _q_method = &CFtpTreeDlg::FilesShown; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
        {
            using _t = void (CFtpTreeDlg::*)(bool);
            if (_t _q_method = &CFtpTreeDlg::ConnectFinished; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 1;
                return;
            }
        }
        {
            using _t = void (CFtpTreeDlg::*)();
            if (_t _q_method = &CFtpTreeDlg::WaitCancelled; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 2;
                return;
            }
        }
        {
            using _t = void (CFtpTreeDlg::*)();
            if (_t _q_method = &CFtpTreeDlg::CopyToSiteRequested; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 3;
                return;
            }
        }
        {
            using _t = void (CFtpTreeDlg::*)(const velmora::CFtpLoginInfo&);
            if (_t _q_method = &CFtpTreeDlg::CertificateTrusted; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 4;
                return;
            }
        }
        {
            using _t = void (CFtpTreeDlg::*)(const velmora::CFtpLoginInfo&, parcelo::ELoginPassword);
            if (_t _q_method = &CFtpTreeDlg::LoginPasswordReady; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 5;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CFtpTreeDlg::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CFtpTreeDlg::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CFtpTreeDlg.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "CLockDialog")) return static_cast<CLockDialog*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    if (!strcmp(_clname, "CDropPage")) return static_cast<CDropPage*>(this);
    return CSplitterDlg::qt_metacast(_clname);
}

int parcelo::CFtpTreeDlg::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = CSplitterDlg::qt_metacall(_c, _id, _a);
    if (_id < 0) return _id;
    if (_c == QMetaObject::InvokeMetaMethod) {
        if (_id < 6) qt_static_metacall(this, _c, _id, _a);
        _id -= 6;
    } else if (_c == QMetaObject::RegisterMethodArgumentMetaType) {
        if (_id < 6) *reinterpret_cast<QMetaType*>(_a[0]) = QMetaType();
        _id -= 6;
    }
    return _id;
}

// SIGNAL 0
void parcelo::CFtpTreeDlg::FilesShown() { QMetaObject::activate(this, &staticMetaObject, 0, nullptr); }

// SIGNAL 1
void parcelo::CFtpTreeDlg::ConnectFinished(bool _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 1, _a);
}

// SIGNAL 2
void parcelo::CFtpTreeDlg::WaitCancelled() { QMetaObject::activate(this, &staticMetaObject, 2, nullptr); }

// SIGNAL 3
void parcelo::CFtpTreeDlg::CopyToSiteRequested() { QMetaObject::activate(this, &staticMetaObject, 3, nullptr); }

// SIGNAL 4
void parcelo::CFtpTreeDlg::CertificateTrusted(const velmora::CFtpLoginInfo& _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 4, _a);
}

// SIGNAL 5
void parcelo::CFtpTreeDlg::LoginPasswordReady(const velmora::CFtpLoginInfo& _t1, parcelo::ELoginPassword _t2) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1))),
                  const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t2)))};
    QMetaObject::activate(this, &staticMetaObject, 5, _a);
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
