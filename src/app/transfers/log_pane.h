#pragma once

#include <deque>
#include <mutex>
#include <string>

#include <QAbstractListModel>
#include <QSortFilterProxyModel>
#include <QWidget>

#include "messaging/listener.h"

class QComboBox;
class QListView;

namespace parcelo {

// An event of the program's windows: a log record (the log pane shows it)
// written to the log file at once, not with the next batch.
void LogAppEvent(int kind, const std::string& source, const std::string& action, const std::string& text);

// The live log: every log record the program and the library make (the same
// lines the log file gets), newest last, at most kMaxRecords of them.
// Records arrive on any thread; they are collected under a lock and shown
// by the window thread.
class CLogModel : public QAbstractListModel, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CLogModel";
    static constexpr int kMaxRecords = 5000;
    // The record's kind (a velmora::LogKind), for filters.
    static constexpr int kKindRole = Qt::UserRole + 1;

    explicit CLogModel(QObject* parent = nullptr);
    ~CLogModel() override;

    void OnMsg(velmora::CMsg& msg) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct CRecord {
        int kind = 0;
        QString line;
    };

    // On the window thread: the records that came in become rows.
    void TakeArrived();

    std::mutex m_mutex;
    std::deque<CRecord> m_arrived;
    bool m_bTakePosted = false;
    std::deque<CRecord> m_records;
};

// Shows only the records of the chosen level: all, or errors only.
class CLogLevelFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetErrorsOnly(bool errorsOnly);

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    bool m_bErrorsOnly = false;
};

// The log pane: the level filter above the live log.
class CLogPane : public QWidget {
    Q_OBJECT

public:
    explicit CLogPane(QWidget* parent = nullptr);

    QListView* GetView() const { return m_pView; }
    QComboBox* GetLevel() const { return m_pLevel; }

private:
    CLogModel* m_pModel;
    CLogLevelFilter* m_pFilter;
    QComboBox* m_pLevel;
    QListView* m_pView;
};

}  // namespace parcelo
