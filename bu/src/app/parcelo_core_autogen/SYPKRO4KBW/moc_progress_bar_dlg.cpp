/****************************************************************************
** Meta object code from reading C++ file 'progress_bar_dlg.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/transfers/progress_bar_dlg.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'progress_bar_dlg.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CProgressBarDlg_t {
    uint offsetsAndSizes[22];
    char stringdata0[25];
    char stringdata1[12];
    char stringdata2[1];
    char stringdata3[7];
    char stringdata4[12];
    char stringdata5[10];
    char stringdata6[11];
    char stringdata7[7];
    char stringdata8[16];
    char stringdata9[6];
    char stringdata10[7];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CProgressBarDlg_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CProgressBarDlg_t qt_meta_stringdata_parcelo__CProgressBarDlg = {
    {
        QT_MOC_LITERAL(0, 24),   // "parcelo::CProgressBarDlg"
        QT_MOC_LITERAL(25, 11),  // "ShowOutcome"
        QT_MOC_LITERAL(37, 0),   // ""
        QT_MOC_LITERAL(38, 6),   // "errors"
        QT_MOC_LITERAL(45, 11),  // "std::string"
        QT_MOC_LITERAL(57, 9),   // "lastError"
        QT_MOC_LITERAL(67, 10),  // "CRunCounts"
        QT_MOC_LITERAL(78, 6),   // "counts"
        QT_MOC_LITERAL(85, 15),  // "SetWaitingCount"
        QT_MOC_LITERAL(101, 5),  // "count"
        QT_MOC_LITERAL(107, 6)   // "OnStop"
    },
    "parcelo::CProgressBarDlg",
    "ShowOutcome",
    "",
    "errors",
    "std::string",
    "lastError",
    "CRunCounts",
    "counts",
    "SetWaitingCount",
    "count",
    "OnStop"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CProgressBarDlg[] = {

    // content:
    10,     // revision
    0,      // classname
    0, 0,   // classinfo
    3, 14,  // methods
    0, 0,   // properties
    0, 0,   // enums/sets
    0, 0,   // constructors
    0,      // flags
    0,      // signalCount

    // slots: name, argc, parameters, tag, flags, initial metatype offsets
    1, 3, 32, 2, 0x0a, 1 /* Public */, 8, 1, 39, 2, 0x0a, 5 /* Public */, 10, 0, 42, 2, 0x0a, 7 /* Public */,

    // slots: parameters
    QMetaType::Void, QMetaType::Long, 0x80000000 | 4, 0x80000000 | 6, 3, 5, 7, QMetaType::Void, QMetaType::Int, 9,
    QMetaType::Void,

    0  // eod
};

Q_CONSTINIT const QMetaObject parcelo::CProgressBarDlg::staticMetaObject = {
    {QMetaObject::SuperData::link<QDialog::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CProgressBarDlg.offsetsAndSizes, qt_meta_data_parcelo__CProgressBarDlg,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<
         qt_meta_stringdata_parcelo__CProgressBarDlg_t,
         // Q_OBJECT / Q_GADGET
         QtPrivate::TypeAndForceComplete<CProgressBarDlg, std::true_type>,
         // method 'ShowOutcome'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<long, std::false_type>,
         QtPrivate::TypeAndForceComplete<const std::string&, std::false_type>,
         QtPrivate::TypeAndForceComplete<const CRunCounts&, std::false_type>,
         // method 'SetWaitingCount'
         QtPrivate::TypeAndForceComplete<void, std::false_type>, QtPrivate::TypeAndForceComplete<int, std::false_type>,
         // method 'OnStop'
         QtPrivate::TypeAndForceComplete<void, std::false_type>>,
     nullptr}};

void parcelo::CProgressBarDlg::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    if (_c == QMetaObject::InvokeMetaMethod) {
        auto* _t = static_cast<CProgressBarDlg*>(_o);
        (void)_t;
        switch (_id) {
            case 0:
                _t->ShowOutcome((*reinterpret_cast<std::add_pointer_t<long>>(_a[1])),
                                (*reinterpret_cast<std::add_pointer_t<std::string>>(_a[2])),
                                (*reinterpret_cast<std::add_pointer_t<CRunCounts>>(_a[3])));
                break;
            case 1: _t->SetWaitingCount((*reinterpret_cast<std::add_pointer_t<int>>(_a[1]))); break;
            case 2: _t->OnStop(); break;
            default:;
        }
    }
}

const QMetaObject* parcelo::CProgressBarDlg::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CProgressBarDlg::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CProgressBarDlg.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    return QDialog::qt_metacast(_clname);
}

int parcelo::CProgressBarDlg::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QDialog::qt_metacall(_c, _id, _a);
    if (_id < 0) return _id;
    if (_c == QMetaObject::InvokeMetaMethod) {
        if (_id < 3) qt_static_metacall(this, _c, _id, _a);
        _id -= 3;
    } else if (_c == QMetaObject::RegisterMethodArgumentMetaType) {
        if (_id < 3) *reinterpret_cast<QMetaType*>(_a[0]) = QMetaType();
        _id -= 3;
    }
    return _id;
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
