#include "engine/mirror_record.h"

#include "base/text.h"
#include "db/db_src_point.h"
#include "db/db_statement.h"
#include "db/db_transaction.h"
#include "db/sqlite_query.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

// The rows of a mirror's record: the transform's sync bit, no order.
constexpr const char* kRecordRows = " WHERE ID_TransOrder = 0 AND Type = 4";
// Rows per statement when many are written at once.
constexpr size_t kBatch = 200;

uint64_t JoinSize(int32_t high, int32_t low) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | static_cast<uint32_t>(low);
}

}  // namespace

CMirrorRecord::CMirrorRecord(CSQLiteDatabase* database, std::string address)
    : m_pDatabase(database), m_strAddress(std::move(address)) {}

std::string CMirrorRecord::Url(const std::string& key) const { return m_strAddress + key; }

bool CMirrorRecord::Exec(const std::string& statement) {
    CSQLiteQuery query(m_pDatabase);
    if (query.Exec(statement)) return true;
    m_strError = query.GetError();
    return false;
}

bool CMirrorRecord::Load() {
    m_rows.clear();
    CSQLiteQuery query(m_pDatabase);
    CDBStatement select("SELECT URL, FileAttributes, LastWriteTime, FileSizeHigh, FileSizeLow, Note FROM SrcPoint");
    select.Text(kRecordRows).Text(" AND URL >= ").Quoted(m_strAddress);
    // Every text that starts with the address sorts below it followed by the highest character.
    select.Text(" AND URL < ").Quoted(m_strAddress).Text(" || char(1114111)");
    if (!query.Exec(select.str())) {
        m_strError = query.GetError();
        return false;
    }
    while (query.ValueCount() >= 6) {
        std::string key = query.PopValue();
        Row row;
        row.folder = (query.PopInt() & platform::FileAttrDirectory) != 0;
        const int64_t date = query.PopDate();
        const int32_t high = query.PopInt();
        row.size = JoinSize(high, query.PopInt());
        row.time = static_cast<uint64_t>(ParseInt64(query.PopValue()));
        if (!key.starts_with(m_strAddress)) continue;
        key.erase(0, m_strAddress.size());
        if (key.empty()) row.time = static_cast<uint64_t>(date);
        if (!key.empty() && key.back() == '/') key.pop_back();
        m_rows[key] = row;
    }
    const Row* root = Find(std::string());
    return root && platform::Now() - static_cast<int64_t>(root->time) < kTrustedFor;
}

const CMirrorRecord::Row* CMirrorRecord::Find(const std::string& key) const {
    const auto found = m_rows.find(key);
    return found == m_rows.end() ? nullptr : &found->second;
}

std::vector<std::pair<std::string, CMirrorRecord::Row>> CMirrorRecord::Sample(size_t count) const {
    std::vector<std::pair<std::string, Row>> files;
    for (const auto& [key, row] : m_rows) {
        if (!key.empty() && !row.folder) files.emplace_back(key, row);
    }
    if (files.size() <= count) return files;
    std::vector<std::pair<std::string, Row>> sample;
    for (size_t i = 0; i < count; ++i) sample.push_back(files[i * files.size() / count]);
    return sample;
}

void CMirrorRecord::Confirm(const std::string& key, const Row& row) {
    m_forgotten.erase(key);
    m_confirmed[key] = row;
}

void CMirrorRecord::Forget(const std::string& key) {
    m_confirmed.erase(key);
    m_forgotten.insert(key);
}

bool CMirrorRecord::Store(bool listedWhole, bool complete) {
    std::vector<std::string> gone;
    std::vector<std::pair<std::string, Row>> written;
    for (const auto& [key, row] : m_rows) {
        if (key.empty()) continue;
        const auto confirmed = m_confirmed.find(key);
        if (confirmed == m_confirmed.end() ? complete || m_forgotten.count(key) : !(confirmed->second == row)) {
            gone.push_back(key);
        }
    }
    for (const auto& [key, row] : m_confirmed) {
        const Row* before = Find(key);
        if (!before || !(*before == row)) written.emplace_back(key, row);
    }
    if (listedWhole && complete) {
        if (Find(std::string())) gone.push_back(std::string());
        written.emplace_back(std::string(), Row{0, static_cast<uint64_t>(platform::Now()), true});
    }
    if (gone.empty() && written.empty()) return true;
    CDBWriteTransaction transaction(m_pDatabase);
    if (!transaction.IsOpen()) {
        m_strError = transaction.GetLastError();
        return false;
    }
    if (!DeleteRows(gone) || !InsertRows(written)) return false;
    if (transaction.Commit()) return true;
    m_strError = transaction.GetLastError();
    return false;
}

bool CMirrorRecord::DeleteRows(const std::vector<std::string>& keys) {
    for (size_t first = 0; first < keys.size(); first += kBatch) {
        CDBStatement statement("DELETE FROM SrcPoint");
        statement.Text(kRecordRows).Text(" AND URL IN (");
        for (size_t i = first; i < keys.size() && i < first + kBatch; ++i) {
            const std::string& key = keys[i];
            if (i > first) statement.Text(", ");
            statement.Quoted(Url(key));
            // A folder's row may carry its "/".
            if (!key.empty()) statement.Text(", ").Quoted(Url(key) + "/");
        }
        if (!Exec(statement.Text(")").str())) return false;
    }
    return true;
}

bool CMirrorRecord::InsertRows(const std::vector<std::pair<std::string, Row>>& rows) {
    for (size_t first = 0; first < rows.size(); first += kBatch) {
        CDBStatement statement(
            "INSERT INTO SrcPoint (ID_TransOrder, Type, URL, FileAttributes, LastWriteTime, FileSizeHigh, "
            "FileSizeLow, Status, StatusDescription, Note) VALUES ");
        for (size_t i = first; i < rows.size() && i < first + kBatch; ++i) {
            const auto& [key, row] = rows[i];
            const bool root = key.empty();
            const int32_t status = Find(key) ? CDBSrcPoint::eChange : CDBSrcPoint::eNewRec;
            if (i > first) statement.Text(", ");
            statement.Text("(0, 4, ").Quoted(row.folder && !root ? Url(key) + "/" : Url(key)).Text(", ");
            statement.Int(row.folder ? int32_t{platform::FileAttrDirectory} : 0).Text(", ");
            statement.Date(root ? static_cast<int64_t>(row.time) : platform::FileTimeToUnix(row.time)).Text(", ");
            statement.Int(static_cast<int32_t>(row.size >> 32)).Text(", ");
            statement.Int(static_cast<int32_t>(row.size & 0xFFFFFFFFu)).Text(", ");
            statement.Int(status).Text(", ").Quoted(CDBSrcPoint::GetStrStatus(status)).Text(", ");
            statement.Quoted(root ? std::string() : std::to_string(row.time)).Text(")");
        }
        if (!Exec(statement.str())) return false;
    }
    return true;
}

}  // namespace velmora
