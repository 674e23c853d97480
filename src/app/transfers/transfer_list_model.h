#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "engine/mover_api.h"

namespace parcelo {

// One transfer of the queue, from the moment it is asked for until the user
// removes it from the list.
struct CTransferEntry {
    // Paused: stopped by the user (its part kept), to be continued later.
    enum EState { Waiting, Running, Done, Failed, Cancelled, Paused };

    int id = 0;
    EState state = Waiting;
    // A copy of the request, for a retry.
    velmora::CMoverAPI request;
    std::string source;
    std::string destination;
    // Bytes: what the request knows beforehand, then what the run counted;
    // -1 while unknown (a folder not scanned yet).
    int64_t size = -1;
    std::string result;
    // While it runs: bytes done of `size`, the percentage (-1 while the
    // bytes are not known), the average speed and the seconds left (-1:
    // not known yet).
    int64_t processed = 0;
    int percent = -1;
    double bytesPerSecond = 0;
    int64_t secondsLeft = -1;
    // Brought back from the store: its login's password is made ready
    // before it first runs.
    bool loginToReady = false;

    bool IsOver() const { return state == Done || state == Failed || state == Cancelled; }
    // What a restart of the program brings back.
    bool IsUnfinished() const { return state == Waiting || state == Running || state == Paused; }
    static const char* StateText(EState state);
};

// The queue's transfers as a table for a view: state, source, destination,
// size, progress (percentage, speed, time left) and result, one row each,
// in the order they run.
class CTransferListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn {
        COLUMN_STATE,
        COLUMN_SOURCE,
        COLUMN_DESTINATION,
        COLUMN_SIZE,
        COLUMN_PROGRESS,
        COLUMN_SPEED,
        COLUMN_TIME_LEFT,
        COLUMN_RESULT,
        COLUMN_COUNT
    };
    // The percentage as a number (-1 when not known), for a bar.
    static constexpr int kPercentRole = Qt::UserRole + 2;
    // The entry's id, for any index of its row.
    static constexpr int kIdRole = Qt::UserRole + 1;

    explicit CTransferListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A new entry (its id is taken as given) at the end.
    void Add(CTransferEntry entry);
    // Changes an entry and shows the change; false when there is none.
    bool Update(int id, const std::function<void(CTransferEntry&)>& change);
    void Remove(int id);
    // Moves the entry one row up (-1) or down (+1); false at an end.
    bool Move(int id, int step);
    // The entry, or null.
    const CTransferEntry* Find(int id) const;
    const CTransferEntry& At(int row) const { return m_entries.at(static_cast<size_t>(row)); }
    int IdAt(int row) const { return At(row).id; }
    int Count(CTransferEntry::EState state) const;

    // How the request reads in the list: where from, where to, and its
    // bytes when all of them are known beforehand.
    static void Describe(CTransferEntry& entry);

    // The entry's row; -1 when none.
    int RowOf(int id) const;

private:

    std::vector<CTransferEntry> m_entries;
};

}  // namespace parcelo
