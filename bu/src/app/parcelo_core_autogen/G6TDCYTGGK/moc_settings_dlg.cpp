/****************************************************************************
** Meta object code from reading C++ file 'settings_dlg.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/shell/settings_dlg.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'settings_dlg.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CSettingsDlg_t {
    uint offsetsAndSizes[10];
    char stringdata0[22];
    char stringdata1[18];
    char stringdata2[1];
    char stringdata3[5];
    char stringdata4[24];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CSettingsDlg_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CSettingsDlg_t qt_meta_stringdata_parcelo__CSettingsDlg = {
    {
        QT_MOC_LITERAL(0, 21),   // "parcelo::CSettingsDlg"
        QT_MOC_LITERAL(22, 17),  // "ShowHiddenChanged"
        QT_MOC_LITERAL(40, 0),   // ""
        QT_MOC_LITERAL(41, 4),   // "show"
        QT_MOC_LITERAL(46, 23)   // "TransferSettingsChanged"
    },
    "parcelo::CSettingsDlg",
    "ShowHiddenChanged",
    "",
    "show",
    "TransferSettingsChanged"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CSettingsDlg[] = {

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
    QMetaType::Void, QMetaType::Bool, 3, QMetaType::Void,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CSettingsDlg::staticMetaObject = {
    {QMetaObject::SuperData::link<QDialog::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CSettingsDlg.offsetsAndSizes, qt_meta_data_parcelo__CSettingsDlg, qt_static_metacall,
     nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CSettingsDlg_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CSettingsDlg, std::true_type>,
                                 // method 'ShowHiddenChanged'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>,
                                 QtPrivate::TypeAndForceComplete<bool, std::false_type>,
                                 // method 'TransferSettingsChanged'
                                 QtPrivate::TypeAndForceComplete<void, std::false_type>>,
     nullptr}};

void parcelo::CSettingsDlg::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CSettingsDlg*>(_o);
        (void)_t;
        switch (_id) {
            case 0: _t->ShowHiddenChanged((*reinterpret_cast<std::add_pointer_t<bool>>(_a[1]))); break;
            case 1: _t->TransferSettingsChanged(); break;
            default:;
        }
    } else if (_c == QMetaObject::IndexOfMethod) {
        int* result = reinterpret_cast<int*>(_a[0]);
        {
            using _t = void (CSettingsDlg::*)(bool);
            if (_t _q_method = &CSettingsDlg::ShowHiddenChanged; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 0;
                return;
            }
        }
        {
            using _t = void (CSettingsDlg::*)();
            if (_t _q_method = &CSettingsDlg::TransferSettingsChanged; *reinterpret_cast<_t*>(_a[1]) == _q_method) {
                *result = 1;
                return;
            }
        }
    }
}

const QMetaObject* parcelo::CSettingsDlg::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CSettingsDlg::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CSettingsDlg.stringdata0)) return static_cast<void*>(this);
    return QDialog::qt_metacast(_clname);
}

int parcelo::CSettingsDlg::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QDialog::qt_metacall(_c, _id, _a);
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
void parcelo::CSettingsDlg::ShowHiddenChanged(bool _t1) {
    void* _a[] = {nullptr, const_cast<void*>(reinterpret_cast<const void*>(std::addressof(_t1)))};
    QMetaObject::activate(this, &staticMetaObject, 0, _a);
}

// SIGNAL 1
void parcelo::CSettingsDlg::TransferSettingsChanged() { QMetaObject::activate(this, &staticMetaObject, 1, nullptr); }
QT_WARNING_POP
QT_END_MOC_NAMESPACE
