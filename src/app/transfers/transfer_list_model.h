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
    enum EState { Waiting, Running, Done, Failed, Cancelled };

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

    bool IsOver() const { return state == Done || state == Failed || state == Cancelled; }
    static const char* StateText(EState state);
};

// The queue's transfers as a table for a view: state, source, destination,
// size and result, one row each, in the order they were asked for.
class CTransferListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn { COLUMN_STATE, COLUMN_SOURCE, COLUMN_DESTINATION, COLUMN_SIZE, COLUMN_RESULT, COLUMN_COUNT };
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
    // The entry, or null.
    const CTransferEntry* Find(int id) const;
    const CTransferEntry& At(int row) const { return m_entries.at(static_cast<size_t>(row)); }
    int IdAt(int row) const { return At(row).id; }
    int Count(CTransferEntry::EState state) const;

    // How the request reads in the list: where from, where to, and its
    // bytes when all of them are known beforehand.
    static void Describe(CTransferEntry& entry);

private:
    int RowOf(int id) const;

    std::vector<CTransferEntry> m_entries;
};

}  // namespace parcelo
