#include "engine/move_trans.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>

#include "base/format.h"
#include "base/value_format.h"
#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "engine/local_zip_source.h"
#include "engine/mirror.h"
#include "engine/session_pool.h"
#include "engine/transfer_auto_runner.h"
#include "messaging/log_status.h"
#include "messaging/msg_commands.h"
#include "platform/work_folder.h"

namespace velmora {
namespace {

// Which side of a pair a source kind serves.
enum ESide { eLocal, eZip, eFtp };

// What the detail of an item's operation names.
enum EDetail { eNoDetail, eSourcePath, eDestinationPath, eSourceHost, eDestinationHost };

enum ECompress { eAnyTransform, eCompressing, eNotCompressing };

struct PairRow {
    uint32_t fromTypes;
    uint32_t toTypes;
    ECompress compress;
    CMoveTrans::ERun run;
    ESide source;
    ESide target;
    const char* label;
    EDetail detail;
};

constexpr uint32_t Type(int type) { return 1u << type; }
constexpr uint32_t kFolders = Type(ePointFolder) | Type(ePointNetwork);

// By the source point's type, then the destination point's type and the
// transform; an item that fits no row does nothing.
constexpr PairRow kPairs[] = {
    {kFolders, kFolders, eCompressing, CMoveTrans::eRunCompress, eLocal, eZip, "Compressing ...",
     eDestinationPath},
    {kFolders, kFolders, eNotCompressing, CMoveTrans::eRunCopy, eLocal, eLocal, "Simple copy folder:", eSourcePath},
    {kFolders, Type(ePointFtp), eAnyTransform, CMoveTrans::eRunTransfer, eLocal, eFtp, "Ftp transfer to:",
     eDestinationHost},
    {Type(ePointFile), kFolders | Type(ePointFile), eCompressing, CMoveTrans::eRunCompress, eLocal, eZip,
     "Compress file:", eDestinationPath},
    {Type(ePointFile), kFolders | Type(ePointFile), eNotCompressing, CMoveTrans::eRunCopy, eLocal, eLocal,
     "Copy file:", eNoDetail},
    {Type(ePointFile), Type(ePointFtp), eAnyTransform, CMoveTrans::eRunTransfer, eLocal, eFtp, "Ftp transfer to:",
     eDestinationHost},
    {Type(ePointFtp), kFolders, eCompressing, CMoveTrans::eRunFtpToArchive, eFtp, eZip, "Ftp transfer from:",
     eSourceHost},
    // A server file may also come to a named local file.
    {Type(ePointFtp), kFolders | Type(ePointFile), eNotCompressing, CMoveTrans::eRunTransfer, eFtp, eLocal,
     "Ftp transfer from:", eSourceHost},
    {Type(ePointFtp), Type(ePointFtp), eAnyTransform, CMoveTrans::eRunTransfer, eFtp, eFtp, "Ftp transfer from:",
     eSourceHost},
};

bool HasType(uint32_t types, int32_t type) { return type >= 0 && type < 32 && (types & Type(type)) != 0; }

const PairRow* FindPair(const CTskItem& item) {
    const bool compressing = item.IsCompressed();
    for (const PairRow& row : kPairs) {
        const bool transformFits = row.compress == eAnyTransform || (row.compress == eCompressing) == compressing;
        if (HasType(row.fromTypes, item.SourcePoint().GetPointType()) &&
            HasType(row.toTypes, item.DestinationPoint().GetPointType()) && transformFits)
            return &row;
    }
    return nullptr;
}

std::string DetailOf(const CTskItem& item, EDetail detail) {
    switch (detail) {
        case eSourcePath: return item.GetSourcePath();
        case eDestinationPath: return item.GetDestinationPath();
        case eSourceHost: return item.SourcePoint().GetHostAddress();
        case eDestinationHost: return item.DestinationPoint().GetHostAddress();
        case eNoDetail: break;
    }
    return {};
}

std::unique_ptr<CSource> MakeSource(ESide side, const CTskItem& item) {
    switch (side) {
        case eZip: return std::make_unique<CLocalZipSource>(item);
        case eFtp: return std::make_unique<CFtpSource>(item);
        case eLocal: break;
    }
    return std::make_unique<CLocalSource>(item);
}

tagDBLogAction ActionOf(CMoveTrans::ERun run) {
    switch (run) {
        case CMoveTrans::eRunCopy: return DBACTION_COPY;
        case CMoveTrans::eRunCompress:
        case CMoveTrans::eRunFtpToArchive: return DBACTION_TOZIP;
        case CMoveTrans::eRunTransfer: return DBACTION_FTP_TRANSFER;
        case CMoveTrans::eRunNone: break;
    }
    return DBACTION_NONE;
}

// "<archive name>, Size = <size> Bytes", the closing text of a compression.
std::string ArchiveSummary(const CFtpPath& archivePath) {
    CFilePath archive(archivePath);
    archive.ReadStatus();
    return Format("%s, Size = %s Bytes", archive.GetFileName().c_str(),
                  FormatValue(static_cast<uint64_t>(archive.Length()), false).c_str());
}

}  // namespace

namespace {

CJobSettings WithDatabase(CJobSettings settings, CJobDatabase* database) {
    settings.m_pJobDatabase = database;
    return settings;
}

}  // namespace

CMoveTrans::CMoveTrans(const CTskItems& items, const CJobSettings& settings) : m_job(settings), m_items(items) {
    Listen(&m_job);
}

CMoveTrans::CMoveTrans(CJobDatabase* database, const CJobSettings& settings) : m_job(WithDatabase(settings, database)) {
    Listen(&m_job);
}

void CMoveTrans::WorkerStart() { SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1); }

void CMoveTrans::WorkerStop() {
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_FINISH);
    LogStatistics();
}

bool CMoveTrans::RunJob(int count, const std::function<CTskItem*(int)>& next, const std::function<bool()>& done,
                        const std::function<bool()>& transfer) {
    const CJobBinding binding(m_job);
    m_pCurItem = nullptr;
    ResetJob();
    CTransferAutoRunner<CMoveTrans> runner(this);
    SendProgress(PROGRESS_UNIT_ITEMS, MSG_PROGRESS_RANGE, 0, count);
    CReportScope job(EReportLevel::Job, "Transfer", std::string());
    bool result = true;
    for (int index = 0; index < count; ++index) {
        m_pCurItem = next(index);
        if (!m_pCurItem) break;
        SendProgressCaption(PROGRESS_UNIT_ITEMS, m_pCurItem->GetCap());
        result = transfer();
        SendProgress(PROGRESS_UNIT_ITEMS, MSG_PROGRESS_POS, index + 1, m_pCurItem->GetDescription());
        if (!done()) break;
    }
    m_pCurItem = nullptr;
    return result;
}

bool CMoveTrans::RunItems() {
    auto item = m_items.begin();
    return RunJob(
        m_items.GetCount(), [&](int) { return *item++; }, [] { return ContinueCheck(); },
        [this] { return TransferItem(); });
}

bool CMoveTrans::ProcessOrders() {
    CJobDatabase* database = m_job.Database();
    if (!database) return false;
    const auto next = [&](int index) {
        return database->SelectTransOrder(index, m_workItem) ? &m_workItem : nullptr;
    };
    const auto done = [&] {
        if (!ContinueCheck()) {
            database->UpdateTransOrderStatus(TRANSORDER_FAIL);
            return false;
        }
        database->UpdateTransOrderStatus(TRANSORDER_PROCESSED);
        return true;
    };
    return RunJob(database->GetTransOrderCount(), next, done, [this] { return TransferOrder(); });
}

bool CMoveTrans::TransferOrder() {
    if (!m_pCurItem || !m_pCurItem->IsCompressed()) return TransferItem();
    CTskItem* order = m_pCurItem;
    platform::WorkFolder work;
    CTskItems chain;
    chain.AddCompression(order->SourcePoint(), order->GetTransform(), order->DestinationPoint(), work.path());
    bool result = true;
    for (CTskItem* step : chain) {
        m_pCurItem = step;
        // A later step needs what the one before made (the archive).
        result = TransferItem();
        if (!result || !ContinueCheck()) break;
    }
    m_pCurItem = order;
    return result;
}

bool CMoveTrans::ReportItem(tagDBLogStatus status, const std::string& text) {
    CJobDatabase* database = m_job.Database();
    if (!database || !m_pCurItem) return false;
    return database->ReportTrans(status, m_pCurItem->GetSourcePath(), m_pCurItem->GetDestinationPath(), m_job.m_eAction,
                                 text);
}

bool CMoveTrans::TransferItem() {
    if (!m_pCurItem) return false;
    const CTskItem& item = *m_pCurItem;
    CTransferAutoRunner<CMoveTrans> runner(this);
    if (item.GetTransform().IsDeleteSourceFile()) return DeleteIntermediateFile(item.GetSourcePath());
    const PairRow* row = FindPair(item);
    if (!row) return true;
    Job().m_eAction = ActionOf(row->run);
    CReportScope operation(EReportLevel::Item, row->label, DetailOf(item, row->detail));
    const std::unique_ptr<CSource> source = MakeSource(row->source, item);
    const std::unique_ptr<CSource> target = MakeSource(row->target, item);
    return RunPair(row->run, *source, *target);
}

bool CMoveTrans::DeleteIntermediateFile(const std::string& path) {
    Job().m_eAction = DBACTION_DELETE;
    CReportScope operation(EReportLevel::Item, "Delete intermediate file:", "'" + path + "'");
    if (!CFilePath::DeleteFileW(path)) return ReportError(ERROR_COPY, nullptr, "Unable to delete " + path);
    ReportTextDone(path);
    return true;
}

bool CMoveTrans::RunPair(ERun run, CSource& source, CSource& target) {
    Job().m_eAction = ActionOf(run);
    std::optional<CReportScope> copyStep;
    if (run == eRunCompress) copyStep.emplace(EReportLevel::Step, "Copy", std::string());
    if (run == eRunCopy || run == eRunCompress) {
        LogText(LOG_SOURCE, std::string(), source.SourceRoot().GetPath());
        LogText(LOG_DESTINATION, std::string(), target.TargetRoot().GetPath());
    }
    // A remote tree's further sessions log in while its first session lists it.
    const bool inSessions = InSessions(run, source, target);
    CEarlySessions early;
    if (inSessions && source.IsRemote())
        source.SetListingStep([&] { early.Open(source, Job().Settings().m_nSessions - 1); });
    const bool scanned = source.Scan();
    source.SetListingStep(nullptr);
    if (!scanned || !target.OpenTarget()) {
        // The failure was reported; the step did not get done.
        if (copyStep) copyStep->Abandon();
        return false;
    }

    auto* archive = dynamic_cast<CLocalZipSource*>(&target);
    const auto put = [&](CTskDataFile* file) {
        switch (run) {
            case eRunCompress: return archive && archive->AddToZip(file);
            case eRunFtpToArchive: return archive && archive->PutFtpFile(file);
            default: return target.PutFile(file);
        }
    };
    std::optional<CMirror> mirror;
    if (source.GetItem().GetTransform().IsSync()) {
        mirror.emplace(source, target);
        mirror->ReadDestination();
    }
    // A fatal error while gathering (a walk past the job's budget) leaves
    // nothing to put.
    if (!ContinueCheck()) {
        target.Close();
        source.Close();
        if (copyStep) copyStep->Abandon();
        return false;
    }
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, static_cast<int>(source.GetEntryCount()));
    int count = 0;
    const auto done = [&](CTskDataFile* file) {
        CProgressStatus status(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, ++count, 0);
        status.CurFile(file->SourceText());
        SendProgress(status);
        return ContinueCheck();
    };
    const auto decide = [&](CTskDataFile* file, const CMirror::PutStep& step) {
        return mirror ? mirror->Put(file, step) : step(file);
    };
    // What the record, the statistics and the host learn of each file comes
    // from its outcome, whichever session sent it.
    const auto outcome = [&](CTskDataFile* file, EFileOutcome kind) {
        if (mirror) mirror->Settle(*file, kind);
        if (kind != EFileOutcome::Sent) Job().Unsent(kind, file->SourceText(), file->GetFileError());
    };
    if (mirror && inSessions) mirror->DeferOutcomes();
    const bool result = inSessions ? PutInSessions(source, target, early, decide, outcome, done)
                                   : PutInTurn(source, decide, put, outcome, done);
    if (mirror && ContinueCheck()) mirror->DeleteExtras();
    if (mirror) mirror->StoreRecord(static_cast<size_t>(count) == source.GetEntryCount());
    target.Close();
    source.Close();
    if (copyStep) copyStep->SetClosingText(ArchiveSummary(target.TargetRoot()));
    return result;
}

bool CMoveTrans::InSessions(ERun run, const CSource& source, const CSource& target) {
    // Between two servers, and into an archive, the files go one by one.
    return run == eRunTransfer && Job().Settings().m_nSessions > 1 && source.IsRemote() != target.IsRemote();
}

bool CMoveTrans::PutInTurn(CSource& source, const DecideStep& decide, const CMirror::PutStep& put,
                           const CSessionPool::OutcomeStep& outcome, const CSessionPool::DoneStep& done) {
    bool result = true;
    bool going = true;
    CSourceWalk walk(source);
    for (std::unique_ptr<CTskDataFile> made = walk.Next(); made; made = walk.Next()) {
        CTskDataFile* file = made.get();
        if (file->IsFolderEntry()) {
            if (going) result = decide(file, put);
        } else if (!going) {
            outcome(file, EFileOutcome::NotTaken);
        } else {
            result = decide(file, put);
            outcome(file, result ? EFileOutcome::Sent : EFileOutcome::Failed);
        }
        going = going && done(file);
    }
    return result;
}

bool CMoveTrans::PutInSessions(CSource& source, CSource& target, CEarlySessions& early, const DecideStep& decide,
                               const CSessionPool::OutcomeStep& outcome, const CSessionPool::DoneStep& done) {
    CSessionPool pool(source, target, Job().Settings().m_nSessions, source.GetFileCount(), outcome, done, &early);
    // The first session makes the folders, in order, and hands out each file
    // once its folder is there; the others send meanwhile.
    bool result = true;
    CSourceWalk walk(source);
    for (std::unique_ptr<CTskDataFile> made = walk.Next(); made; made = walk.Next()) {
        // Once queued, the file is the pool's: a session may be done with it at once.
        CTskDataFile* const file = made.get();
        bool queued = false;
        const auto put = [&](CTskDataFile* entry) {
            if (entry->IsFolderEntry()) return target.PutFolder(entry);
            pool.Add(std::move(made));
            queued = true;
            return true;
        };
        const bool decided = decide(file, put);
        result = decided && result;
        // A file the mirror decided to leave, or could not clear the way for, has its outcome now.
        if (!queued && !file->IsFolderEntry()) outcome(file, decided ? EFileOutcome::Sent : EFileOutcome::Failed);
        const auto lock = Job().ReportLock();
        if (queued ? !ContinueCheck() : !done(file)) return false;
    }
    return pool.Finish() && result;
}

bool CMover::RunTransfer(const std::string& label, const std::string& detail, CSource& source, CSource& target) {
    const CJobBinding binding(m_job);
    ResetJob();
    CTransferAutoRunner<CMoveTrans> runner(this);
    SendProgressCaption(PROGRESS_UNIT_FILES, "Copying...");
    Job().m_eAction = ActionOf(eRunTransfer);
    CReportScope operation(EReportLevel::Item, label, detail);
    return RunPair(eRunTransfer, source, target);
}

}  // namespace velmora
