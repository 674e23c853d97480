/****************************************************************************
** Meta object code from reading C++ file 'log_pane.h'
**
** Created by: The Qt Meta Object Compiler version 68 (Qt 6.4.2)
**
** WARNING! All changes made in this file will be lost!
*****************************************************************************/

#include <QtCore/qmetatype.h>
#include <memory>
#include "../../../../../src/app/transfers/log_pane.h"
#if !defined(Q_MOC_OUTPUT_REVISION)
#error "The header file 'log_pane.h' doesn't include <QObject>."
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
struct qt_meta_stringdata_parcelo__CLogModel_t {
    uint offsetsAndSizes[2];
    char stringdata0[19];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CLogModel_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CLogModel_t qt_meta_stringdata_parcelo__CLogModel = {
    {
        QT_MOC_LITERAL(0, 18)  // "parcelo::CLogModel"
    },
    "parcelo::CLogModel"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CLogModel[] = {

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

Q_CONSTINIT const QMetaObject parcelo::CLogModel::staticMetaObject = {
    {QMetaObject::SuperData::link<QAbstractListModel::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CLogModel.offsetsAndSizes, qt_meta_data_parcelo__CLogModel, qt_static_metacall,
     nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CLogModel_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CLogModel, std::true_type> >,
     nullptr}};

void parcelo::CLogModel::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    (void)_o;
    (void)_id;
    (void)_c;
    (void)_a;
}

const QMetaObject* parcelo::CLogModel::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CLogModel::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CLogModel.stringdata0)) return static_cast<void*>(this);
    if (!strcmp(_clname, "velmora::CListener")) return static_cast<velmora::CListener*>(this);
    return QAbstractListModel::qt_metacast(_clname);
}

int parcelo::CLogModel::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QAbstractListModel::qt_metacall(_c, _id, _a);
    return _id;
}
namespace {
struct qt_meta_stringdata_parcelo__CLogLevelFilter_t {
    uint offsetsAndSizes[2];
    char stringdata0[25];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CLogLevelFilter_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CLogLevelFilter_t qt_meta_stringdata_parcelo__CLogLevelFilter = {
    {
        QT_MOC_LITERAL(0, 24)  // "parcelo::CLogLevelFilter"
    },
    "parcelo::CLogLevelFilter"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CLogLevelFilter[] = {

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

Q_CONSTINIT const QMetaObject parcelo::CLogLevelFilter::staticMetaObject = {
    {QMetaObject::SuperData::link<QSortFilterProxyModel::staticMetaObject>(),
     qt_meta_stringdata_parcelo__CLogLevelFilter.offsetsAndSizes, qt_meta_data_parcelo__CLogLevelFilter,
     qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CLogLevelFilter_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CLogLevelFilter, std::true_type> >,
     nullptr}};

void parcelo::CLogLevelFilter::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    (void)_o;
    (void)_id;
    (void)_c;
    (void)_a;
}

const QMetaObject* parcelo::CLogLevelFilter::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CLogLevelFilter::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CLogLevelFilter.stringdata0)) return static_cast<void*>(this);
    return QSortFilterProxyModel::qt_metacast(_clname);
}

int parcelo::CLogLevelFilter::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QSortFilterProxyModel::qt_metacall(_c, _id, _a);
    return _id;
}
namespace {
struct qt_meta_stringdata_parcelo__CLogPane_t {
    uint offsetsAndSizes[2];
    char stringdata0[18];
};
#define QT_MOC_LITERAL(ofs, len) uint(sizeof(qt_meta_stringdata_parcelo__CLogPane_t::offsetsAndSizes) + ofs), len
Q_CONSTINIT static const qt_meta_stringdata_parcelo__CLogPane_t qt_meta_stringdata_parcelo__CLogPane = {
    {
        QT_MOC_LITERAL(0, 17)  // "parcelo::CLogPane"
    },
    "parcelo::CLogPane"};
#undef QT_MOC_LITERAL
}  // unnamed namespace

Q_CONSTINIT static const uint qt_meta_data_parcelo__CLogPane[] = {

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

Q_CONSTINIT const QMetaObject parcelo::CLogPane::staticMetaObject = {
    {QMetaObject::SuperData::link<QWidget::staticMetaObject>(), qt_meta_stringdata_parcelo__CLogPane.offsetsAndSizes,
     qt_meta_data_parcelo__CLogPane, qt_static_metacall, nullptr,
     qt_incomplete_metaTypeArray<qt_meta_stringdata_parcelo__CLogPane_t,
                                 // Q_OBJECT / Q_GADGET
                                 QtPrivate::TypeAndForceComplete<CLogPane, std::true_type> >,
     nullptr}};

void parcelo::CLogPane::qt_static_metacall(QObject* _o, QMetaObject::Call _c, int _id, void** _a) {
    (void)_o;
    (void)_id;
    (void)_c;
    (void)_a;
}

const QMetaObject* parcelo::CLogPane::metaObject() const {
    return QObject::d_ptr->metaObject ? QObject::d_ptr->dynamicMetaObject() : &staticMetaObject;
}

void* parcelo::CLogPane::qt_metacast(const char* _clname) {
    if (!_clname) return nullptr;
    if (!strcmp(_clname, qt_meta_stringdata_parcelo__CLogPane.stringdata0)) return static_cast<void*>(this);
    return QWidget::qt_metacast(_clname);
}

int parcelo::CLogPane::qt_metacall(QMetaObject::Call _c, int _id, void** _a) {
    _id = QWidget::qt_metacall(_c, _id, _a);
    return _id;
}
QT_WARNING_POP
QT_END_MOC_NAMESPACE
