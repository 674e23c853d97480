#include "engine/mirror.h"

#include <algorithm>

#include "base/format.h"
#include "base/tokenizer.h"
#include "engine/delete_guard.h"
#include "engine/source.h"
#include "engine/statistic.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "platform/clock.h"

namespace velmora {
namespace {

constexpr uint64_t kSecond = 10'000'000;
constexpr uint64_t kMinute = 60 * kSecond;
constexpr uint64_t kDay = 24 * 60 * kMinute;

std::string Slashed(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool IsLocalMidnight(uint64_t fileTime) {
    std::tm local{};
    return platform::ToLocal(platform::FileTimeToUnix(fileTime), local) && local.tm_hour == 0 &&
           local.tm_min == 0 && local.tm_sec == 0;
}

// A key names something below the root: no empty level, no "." or "..".
bool IsSafeKey(const std::string& key) {
    if (key.empty()) return false;
    CStringTokenizer levels(key);
    size_t count = 0;
    for (std::string level = levels.GetToken("/"); !level.empty(); level = levels.GetToken("/")) {
        if (level == "." || level == "..") return false;
        count += level.size() + 1;
    }
    return count == key.size() + 1;
}

const char* ActionWord(CMirror::EAction action) {
    switch (action) {
        case CMirror::eNew: return "+";
        case CMirror::eChanged: return "~";
        case CMirror::eEqual: break;
    }
    return "=";
}

const char* ActionDetail(CMirror::EAction action) {
    switch (action) {
        case CMirror::eNew: return "New";
        case CMirror::eChanged: return "Change";
        case CMirror::eEqual: break;
    }
    return "Equal";
}

// The job's filter as it applies to the destination: the same extensions,
// and each excluded folder of the source at its place below the
// destination, so that what the source leaves out stays untouched there.
CFileFilter DestinationFilter(const CFileFilter& filter, const CFtpPath& sourceRoot, const CFtpPath& targetRoot) {
    CFileFilter destination;
    destination.SetIncludeSubFolders(filter.IncludeSubFolders());
    destination.ShowFile(filter.IsShowFile());
    destination.SetExcludes(filter.SrcExcludeExt());
    const std::string base = Slashed(targetRoot.GetDriveAndDir());
    for (const std::string& folder : filter.GetExcludeFolders()) {
        std::string key;
        if (CMirror::RelativeKey(CFtpPath(folder, PATH_FOLDER), sourceRoot, key) && !key.empty()) {
            destination.AddExcludeFolder(base + key);
        }
    }
    return destination;
}

// What the record keeps of a source file: a folder is only a folder.
CMirrorRecord::Row RowOf(const CTskDataFile& file) {
    if (file.IsFolderEntry()) return {0, 0, true};
    return {file.Length(), file.GetPath().LastWriteTime(), false};
}

// Record rows checked against the destination before a run goes by the record.
constexpr size_t kRecordSample = 8;

}  // namespace

CMirror::CMirror(CSource& source, CSource& target)
    : m_source(source),
      m_target(target),
      m_bDryRun(source.GetItem().GetTransform().IsDryRun()),
      m_bDelete(source.GetItem().GetTransform().IsSyncDelete()),
      m_filter(DestinationFilter(source.GetItem().GetFilter(), CFtpPath(source.SourceRoot().GetPath(), PATH_FOLDER),
                                 CFtpPath(target.TargetRoot().GetPath(), PATH_FOLDER))) {
    if (CSQLiteDatabase* database = CStatistic::Job().Settings().m_pRecordDatabase) {
        m_record = std::make_unique<CMirrorRecord>(database, RecordAddress());
    }
}

CMirror::~CMirror() = default;

bool CMirror::RelativeKey(const CFtpPath& path, const CFtpPath& root, std::string& key) {
    std::string base = Slashed(root.GetDriveAndDir());
    if (base.empty() || base.back() != '/') base += '/';
    std::string text = Slashed(path.GetPath());
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    if (text + "/" == base) {
        key.clear();
        return true;
    }
    if (text.size() <= base.size() || text.compare(0, base.size(), base) != 0) return false;
    key = text.substr(base.size());
    return true;
}

bool CMirror::IsNewer(uint64_t source, uint64_t destination) {
    uint64_t precision = kSecond;
    if (destination % kMinute == 0) precision = IsLocalMidnight(destination) ? kDay : kMinute;
    return source >= destination + precision;
}

std::string CMirror::RecordAddress() const {
    const CTransPoint& point = m_source.GetItem().DestinationPoint();
    if (point.GetPointType() != ePointFtp) return "file://" + TargetText(std::string());
    const CFtpLoginInfo login = point.GetFtpLoginInfo();
    return Format("ftp://%s@%s:%d", login.GetLoginName().c_str(), login.GetHost().c_str(), login.GetPort()) +
           TargetText(std::string());
}

void CMirror::ReadDestination() {
    // A run that deletes must see all that is there; one that compares
    // hashes, the files themselves.
    m_bByRecord = m_record && !CStatistic::Job().Settings().m_bMirrorChecksum && m_record->Load() && !m_bDelete &&
                  RecordHolds();
    m_bListedWhole = !m_bByRecord;
    if (m_bListedWhole) ListDestination();
}

bool CMirror::RecordHolds() {
    const auto sample = m_record->Sample(kRecordSample);
    if (sample.empty()) return false;
    for (const auto& [key, row] : sample) {
        uint64_t size = 0;
        if (!m_target.TargetFileSize(TargetText(key), size) || size != row.size) return false;
    }
    return true;
}

void CMirror::ListDestination() {
    m_bByRecord = false;
    m_tree = m_target.LoadTargetTree(m_filter);
    m_entries.clear();
    m_order.clear();
    if (m_tree) IndexTree(*m_tree, m_tree->GetPath());
}

void CMirror::IndexTree(const CMFCObjNode& node, const CFtpPath& root) {
    for (const CObjNode* child : node.GetChildren()) {
        const auto* shown = dynamic_cast<const CMFCObjNode*>(child);
        std::string key;
        if (!shown || !RelativeKey(shown->GetPath(), root, key) || !IsSafeKey(key)) continue;
        m_entries.emplace(key, Entry{shown, false});
        m_order.push_back(key);
        IndexTree(*shown, root);
    }
}

bool CMirror::KeyOf(const CTskDataFile& file, std::string& key) {
    if (file.IsInFolderTree()) return RelativeKey(file.GetPath(), file.GetRootPath(), key);
    key = file.GetPath().GetFileName(true);
    return true;
}

bool CMirror::Put(CTskDataFile* file, const PutStep& put) {
    if (!file) return false;
    std::string key;
    if (!KeyOf(*file, key)) {
        return CStatistic::ReportErrorAt(ERROR_COPY, "Outside the source folder: " + file->GetPath().GetPath(),
                                         file->GetPath().GetPath(), std::string(), file->SourceText());
    }
    if (!key.empty()) ++m_nSourceEntries;
    // The root itself: a destination that is not there yet is made.
    if (key.empty()) return m_tree || m_bByRecord || m_bDryRun || put(file);
    if (m_bByRecord) return PutByRecord(file, key, put);
    auto found = m_entries.find(key);
    Entry* entry = found == m_entries.end() ? nullptr : &found->second;
    if (entry) entry->seen = true;
    if (entry && entry->node->IsCatalog() != file->IsFolderEntry()) {
        // A folder where a file goes, or the other way round.
        if (!m_bDelete) {
            return CStatistic::ReportErrorAt(ERROR_COPY, "Another kind of entry is in the way: " + key,
                                             file->GetPath().GetPath(), TargetText(key), file->SourceText());
        }
        if (!DeleteBelow(key)) return false;
        entry = nullptr;
    }
    return Carry(Decide(*file, entry), file, key, put);
}

bool CMirror::PutByRecord(CTskDataFile* file, const std::string& key, const PutStep& put) {
    const CMirrorRecord::Row now = RowOf(*file);
    const CMirrorRecord::Row* before = m_record->Find(key);
    if (before && before->folder != now.folder) {
        // A file became a folder or the other way round: what is in the way must be seen.
        ListDestination();
        return Put(file, put);
    }
    return Carry(!before ? eNew : *before == now ? eEqual : eChanged, file, key, put);
}

bool CMirror::Carry(EAction action, CTskDataFile* file, const std::string& key, const PutStep& putStep) {
    const bool folder = file->IsFolderEntry();
    if (action != eEqual || !folder) Report(action, *file, key);
    // Read before the file is handed on: another session may be at it next.
    const CMirrorRecord::Row row = RowOf(*file);
    if (action == eEqual) return Sent(key, row, true);
    if (m_bDryRun) return true;
    if (!m_bDeferred || folder) return Sent(key, row, putStep(file));
    // Waiting before the file is handed on: a session may be done with it,
    // and drop it, before the hand-over returns.
    {
        const auto lock = CStatistic::Job().ReportLock();
        m_pending[file] = Pending{key, row};
    }
    if (putStep(file)) return true;
    {
        const auto lock = CStatistic::Job().ReportLock();
        m_pending.erase(file);
    }
    return Sent(key, row, false);
}

void CMirror::Settle(const CTskDataFile& file, EFileOutcome outcome) {
    const auto lock = CStatistic::Job().ReportLock();
    const auto found = m_pending.find(&file);
    if (found == m_pending.end()) return;
    Sent(found->second.key, found->second.row, outcome == EFileOutcome::Sent);
    m_pending.erase(found);
}

bool CMirror::Sent(const std::string& key, const CMirrorRecord::Row& row, bool sent) {
    if (!m_record) return sent;
    const auto lock = CStatistic::Job().ReportLock();
    if (sent) {
        m_record->Confirm(key, row);
    } else {
        m_record->Forget(key);
    }
    return sent;
}

CMirror::EAction CMirror::Decide(CTskDataFile& file, const Entry* entry) {
    if (!entry) return eNew;
    if (file.IsFolderEntry()) return eEqual;
    const CFtpPath& there = entry->node->GetPath();
    if (file.Length() != there.Length()) return eChanged;
    return IsChanged(file, there) ? eChanged : eEqual;
}

bool CMirror::IsChanged(CTskDataFile& file, const CFtpPath& there) {
    if (CStatistic::Job().Settings().m_bMirrorChecksum) {
        // The destination's own file, as the put would make it (not opened).
        CTskDataFile* target = m_target.MakeTargetFile(file);
        const std::optional<bool> same = target ? SameContent(file, *target) : std::nullopt;
        if (same) return !*same;
    }
    return IsNewer(file.GetPath().LastWriteTime(), there.LastWriteTime());
}

void CMirror::Report(EAction action, const CTskDataFile& file, const std::string& key) const {
    // Files decided here may be on their way over other sessions meanwhile.
    const auto lock = CStatistic::Job().ReportLock();
    CMirrorCounts& counts = CStatistic::Job().m_mirror;
    switch (action) {
        case eNew: ++counts.m_nNew; break;
        case eChanged: ++counts.m_nChanged; break;
        case eEqual:
            ++counts.m_nEqual;
            ++CStatistic::Job().m_nSkipped;
            break;
    }
    if (action != eEqual && !file.IsFolderEntry()) counts.m_nBytes += static_cast<int64_t>(file.Length());
    const std::string shown = file.IsFolderEntry() ? key + "/" : key;
    CStatistic::LogText(LOG_SYNC, ActionWord(action), shown);
    CStatistic::ReportTrans(DBLOG_SYNC, file.SourceText(), TargetText(key), ActionDetail(action));
}

void CMirror::DeleteExtras() {
    if (!m_bDelete) return;
    if (CStatistic::Job().m_nErrors > 0) {
        CStatistic::LogText(LOG_SYNC, "", "Nothing deleted: the job had errors");
        return;
    }
    int64_t deleting = 0;
    for (const auto& [key, entry] : m_entries) deleting += entry.seen ? 0 : 1;
    const std::string refusal = MirrorDeleteRefusal(deleting, static_cast<int64_t>(m_entries.size()),
                                                    m_nSourceEntries,
                                                    m_source.GetItem().GetTransform().GetMaxDelete());
    // A dry run shows what the deletion would take, and then that it would not happen.
    if (!refusal.empty() && !m_bDryRun) return RefuseDeletes(refusal);
    for (auto key = m_order.rbegin(); key != m_order.rend(); ++key) {
        Entry& entry = m_entries.at(*key);
        if (!entry.seen && !DeleteEntry(*key, entry)) return;
    }
    if (!refusal.empty()) RefuseDeletes(refusal);
}

void CMirror::RefuseDeletes(const std::string& reason) {
    CStatistic::LogText(LOG_SYNC, kRefusedAction, reason);
    CStatistic::ReportErrorAt(ERROR_COPY, reason, std::string(), TargetText(std::string()));
}

void CMirror::StoreRecord(bool everyFile) {
    if (!m_record || m_bDryRun) return;
    const bool complete = everyFile && CStatistic::Job().m_nErrors == 0;
    if (!m_record->Store(m_bListedWhole, complete)) {
        CStatistic::LogText(LOG_ERROR, "Mirror record not kept:", m_record->GetLastError());
    }
}

bool CMirror::DeleteBelow(const std::string& key) {
    const std::string prefix = key + "/";
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
        if (*it != key && it->compare(0, prefix.size(), prefix) != 0) continue;
        Entry& entry = m_entries.at(*it);
        if (entry.node && !DeleteEntry(*it, entry)) return false;
    }
    return true;
}

bool CMirror::DeleteEntry(const std::string& key, Entry& entry) {
    const bool folder = entry.node->IsCatalog();
    const CFtpPath path = entry.node->GetPath();
    ++CStatistic::Job().m_mirror.m_nDeleted;
    CStatistic::LogText(LOG_SYNC, "-", folder ? key + "/" : key);
    CStatistic::ReportTrans(DBLOG_SYNC, std::string(), path.GetPath(), "Delete");
    // Gone (or, in a dry run, as good as gone) for whatever comes next.
    entry.node = nullptr;
    entry.seen = true;
    if (m_bDryRun) return true;
    std::string error;
    if (m_target.DeleteTargetEntry(path, folder, error)) return true;
    CStatistic::ReportErrorAt(ERROR_COPY, "Cannot delete " + path.GetPath() + ": " + error, std::string(),
                              path.GetPath());
    return CStatistic::ContinueCheck();
}

std::string CMirror::TargetText(const std::string& key) const {
    return Slashed(CFtpPath(m_target.TargetRoot().GetPath(), PATH_FOLDER).GetDriveAndDir()) + key;
}

CMirrorActionListener::CMirrorActionListener(Take take)
    : m_take(std::move(take)), m_thread(std::this_thread::get_id()) {
    CMsgBox::Box().Subscribe("mirror actions", this);
}

CMirrorActionListener::~CMirrorActionListener() { CMsgBox::Box().Unsubscribe(this); }

void CMirrorActionListener::OnMsg(CMsg& msg) {
    if (msg.Cmd() != MSG_LOG_RECORD || std::this_thread::get_id() != m_thread) return;
    const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
    if (!record || record->GetKind() != LOG_SYNC) return;
    const std::string& action = record->GetAction();
    if (action == "+" || action == "~" || action == "-" || action == CMirror::kRefusedAction)
        m_take(action, record->GetText());
}

}  // namespace velmora
