#include "app/transfers/transfer_list_model.h"

#include <algorithm>

#include "base/format.h"
#include "base/size_format.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CMoverAPI;

namespace {

// "ftp://host[:port]<path>": the place on the server as users write it.
std::string RemoteText(const velmora::CFtpLoginInfo& login, const std::string& path) {
    const std::string port = login.GetPort() == 21 ? std::string() : velmora::Format(":%d", login.GetPort());
    const std::string rooted = path.starts_with('/') ? path : "/" + path;
    return "ftp://" + login.GetHost() + port + rooted;
}

// The first path, and how many follow it.
std::string ListText(const velmora::CFtpPathList& paths, bool remote) {
    if (paths.IsEmpty()) return {};
    const CFtpPath& first = *paths.GetHead();
    std::string text = remote ? first.GetFtpPath() : first.GetPath();
    if (paths.GetCount() > 1) text += velmora::Format(" (+%d more)", paths.GetCount() - 1);
    return text;
}

// The listed files' bytes; -1 when a folder is among them.
int64_t ListBytes(const velmora::CFtpPathList& paths) {
    int64_t bytes = 0;
    for (const CFtpPath* path : paths) {
        if (path->IsDirectory()) return -1;
        bytes += static_cast<int64_t>(path->Length());
    }
    return bytes;
}

}  // namespace

const char* CTransferEntry::StateText(EState state) {
    switch (state) {
        case Waiting: return "Waiting";
        case Running: return "Running";
        case Done: return "Done";
        case Failed: return "Failed";
        case Cancelled: return "Cancelled";
        case Paused: return "Paused";
    }
    return "";
}

void CTransferListModel::Describe(CTransferEntry& entry) {
    const CMoverAPI& api = entry.request;
    const velmora::CFtpLoginInfo& login = api.GetLoginInfo();
    switch (api.GetRequest()) {
        case CMoverAPI::eUploadFiles:
            entry.source = ListText(api.GetPathList(), false);
            entry.destination = RemoteText(login, api.GetDestination().GetFtpDir(true));
            entry.size = ListBytes(api.GetPathList());
            break;
        case CMoverAPI::eUploadFolder:
            entry.source = api.GetSrcFolder().GetPath();
            entry.destination = RemoteText(login, api.GetDestination().GetFtpDir(true));
            break;
        case CMoverAPI::eDownloadFiles:
            entry.source = RemoteText(login, ListText(api.GetPathList(), true));
            entry.destination = api.GetDestination().GetPath();
            break;
        case CMoverAPI::eDownloadFolder:
            entry.source = RemoteText(login, api.GetSrcFolder().GetFtpDir(true));
            entry.destination = api.GetDestination().GetPath();
            break;
        case CMoverAPI::eFtpToFtp:
            entry.source = ListText(api.GetPathList(), true);
            entry.destination = RemoteText(login, login.GetRemotePath());
            break;
        case CMoverAPI::eNone:
            break;
    }
}

CTransferListModel::CTransferListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CTransferListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CTransferListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

namespace {

// "0:42", "12:05", "1:02:03".
QString Duration(int64_t seconds) {
    if (seconds < 0) return {};
    if (seconds >= 3600) {
        return QString("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QChar('0')).arg(seconds % 60, 2, 10,
                                                                                                   QChar('0'));
    }
    return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

}  // namespace

QVariant CTransferListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CTransferEntry& entry = At(index.row());
    if (role == kIdRole) return entry.id;
    if (role == kPercentRole) return entry.state == CTransferEntry::Running ? entry.percent : -1;
    if (role == Qt::TextAlignmentRole && index.column() >= COLUMN_SIZE && index.column() <= COLUMN_TIME_LEFT) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    const bool running = entry.state == CTransferEntry::Running;
    if (role == Qt::ToolTipRole && index.column() == COLUMN_RESULT) return QString::fromStdString(entry.result);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case COLUMN_STATE: return QString(CTransferEntry::StateText(entry.state));
        case COLUMN_SOURCE: return QString::fromStdString(entry.source);
        case COLUMN_DESTINATION: return QString::fromStdString(entry.destination);
        case COLUMN_SIZE:
            return entry.size < 0 ? QString() : QString::fromStdString(velmora::FormatSize(static_cast<uint64_t>(entry.size)));
        case COLUMN_PROGRESS: return running && entry.percent >= 0 ? QString("%1 %").arg(entry.percent) : QString();
        case COLUMN_SPEED:
            return running && entry.bytesPerSecond > 0
                       ? QString::fromStdString(velmora::FormatSize(entry.bytesPerSecond) + "/s")
                       : QString();
        case COLUMN_TIME_LEFT: return running ? Duration(entry.secondsLeft) : QString();
        case COLUMN_RESULT: return QString::fromStdString(entry.result);
        default: return {};
    }
}

QVariant CTransferListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[COLUMN_COUNT] = {"State",    "Source", "Destination", "Size",
                                                      "Progress", "Speed",  "Time left",   "Result"};
    return section >= 0 && section < COLUMN_COUNT ? tr(kTitles[section]) : QVariant();
}

void CTransferListModel::Add(CTransferEntry entry) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.push_back(std::move(entry));
    endInsertRows();
}

bool CTransferListModel::Update(int id, const std::function<void(CTransferEntry&)>& change) {
    const int row = RowOf(id);
    if (row < 0) return false;
    change(m_entries[static_cast<size_t>(row)]);
    emit dataChanged(index(row, 0), index(row, COLUMN_COUNT - 1));
    return true;
}

void CTransferListModel::Remove(int id) {
    const int row = RowOf(id);
    if (row < 0) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

bool CTransferListModel::Move(int id, int step) {
    const int row = RowOf(id);
    const int to = row + step;
    if (row < 0 || to < 0 || to >= rowCount() || (step != 1 && step != -1)) return false;
    // Qt counts a move down as a move before the row after the next.
    beginMoveRows(QModelIndex(), row, row, QModelIndex(), step > 0 ? to + 1 : to);
    std::swap(m_entries[static_cast<size_t>(row)], m_entries[static_cast<size_t>(to)]);
    endMoveRows();
    return true;
}

const CTransferEntry* CTransferListModel::Find(int id) const {
    const int row = RowOf(id);
    return row < 0 ? nullptr : &At(row);
}

int CTransferListModel::Count(CTransferEntry::EState state) const {
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [state](const CTransferEntry& entry) { return entry.state == state; }));
}

int CTransferListModel::RowOf(int id) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [id](const CTransferEntry& entry) { return entry.id == id; });
    return found == m_entries.end() ? -1 : static_cast<int>(found - m_entries.begin());
}

}  // namespace parcelo
