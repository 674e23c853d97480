#include "engine/tsk_data_file.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "base/block_copy.h"
#include "base/format.h"
#include "engine/file_check.h"
#include "engine/part_copy.h"
#include "messaging/log_status.h"
#include "messaging/msg_commands.h"
#include "paths/mfc_obj_node.h"
#include "platform/message_pump.h"

namespace velmora {
namespace {

// A position update at least this often, however slowly the bytes come.
constexpr auto kProgressInterval = std::chrono::seconds(2);

// Under a rate limit a block holds at most a tenth of a second's bytes, so
// that a slow rate is kept by short pauses rather than long silences a
// server could take for a dead connection.
size_t PacedBlockSize(size_t block, uint64_t bytesPerSecond) {
    if (bytesPerSecond == 0) return block;
    return static_cast<size_t>(std::min<uint64_t>(block, std::max<uint64_t>(bytesPerSecond / 10, 512)));
}

}  // namespace

CTskDataFile::CTskDataFile(const CFtpPath& path, const CMFCObjNode* node, bool folderTree)
    : m_Path(path), m_pNode(node), m_bFolderTree(folderTree) {}

CTskDataFile::~CTskDataFile() = default;

void CTskDataFile::Copy(const CObj& src) {
    CObj::Copy(src);
    if (const auto* other = dynamic_cast<const CTskDataFile*>(&src)) {
        m_Path = other->m_Path;
        m_pNode = other->m_pNode;
        m_bFolderTree = other->m_bFolderTree;
        m_pSrcPoint = other->m_pSrcPoint ? std::make_unique<CDBSrcPoint>(*other->m_pSrcPoint) : nullptr;
    }
}

CDBSrcPoint& CTskDataFile::GetSrcPoint() {
    if (!m_pSrcPoint) m_pSrcPoint = std::make_unique<CDBSrcPoint>();
    return *m_pSrcPoint;
}

const CDBSrcPoint& CTskDataFile::GetSrcPoint() const {
    static const CDBSrcPoint none;
    return m_pSrcPoint ? *m_pSrcPoint : none;
}

bool CTskDataFile::Open(uint32_t) { return false; }

bool CTskDataFile::Read(char*, size_t, size_t& received) {
    received = 0;
    return false;
}

bool CTskDataFile::Write(const char*, size_t) { return false; }

bool CTskDataFile::CloseFile(bool) { return true; }

bool CTskDataFile::WriteAt(uint64_t, const char*, size_t, std::string& error) {
    error = "Not written in parts";
    return false;
}

bool CTskDataFile::ServerDigest(const std::string&, std::string&) { return SetFileError("Not a file on a server"); }

bool CTskDataFile::OpenAs(uint32_t flags, const CTransferPlan& plan) { return !plan.Continues() && Open(flags); }

CSourceFacts CTskDataFile::DescribeSource(bool) { return {Length(), std::nullopt, false, false}; }

CTargetFacts CTskDataFile::DescribeTarget(const CSourceFacts&, bool) { return {}; }

CFtpPath CTskDataFile::GetRootPath() const { return m_pNode ? m_pNode->GetRootPath() : m_Path; }

size_t CTskDataFile::BufferSize(uint64_t length) {
    // A size of 0 is mostly an unknown one (a remote file named without a
    // listing): a one-byte buffer would cost two system calls per byte.
    if (length == 0) return kBlockSize;
    return length < kBlockSize ? static_cast<size_t>(length) : kBlockSize;
}

uint64_t CTskDataFile::ProgressStep(uint64_t length) {
    uint64_t divisor = 3;
    if (length > 1000000000) {
        divisor = 200;
    } else if (length > 100000000) {
        divisor = 100;
    } else if (length > 10000000) {
        divisor = 10;
    } else if (length > 1000000) {
        divisor = 5;
    }
    return length / divisor;
}

std::string CTskDataFile::ProgressText(uint64_t done, uint64_t length) {
    return FormatCopyProgress(done, length, ECopyDigits::Grouped);
}

bool CTskDataFile::Transfer(CTskDataFile* source, CTskDataFile* target, bool report) {
    if (!source) return false;
    if (source->IsFolderEntry()) return true;
    if (!target) return false;
    try {
        std::string verify;
        std::string error;
        if (!ChooseCheck(*source, *target, verify, error)) return ReportError(ERROR_COPY, source, error);
        std::vector<CFilePart> parts;
        CTransferPlan plan = PlanCopy(*source, *target, parts);
        plan.verify = verify;
        if (!parts.empty()) return CopyInParts(*source, *target, plan, std::move(parts), report);
        return CopyOneStream(*source, *target, plan, report);
    } catch (const std::exception& error) {
        // The platform's and the archive's exceptions end the file here.
        source->CloseFile(false);
        target->CloseFile(false);
        return ReportError(ERROR_EXCEPTION, source, error.what());
    }
}

CTransferPlan CTskDataFile::PlanCopy(CTskDataFile& source, CTskDataFile& target, std::vector<CFilePart>& parts) const {
    const bool continuing = Job().Settings().m_bContinue || target.m_bContinue;
    // Asked before either side opens: a server answers nothing else during a transfer.
    CSourceFacts facts = source.DescribeSource(false);
    const CTargetFacts held = target.DescribeTarget(facts, continuing);
    CTransferPlan plan = PlanTransfer(continuing, facts, held);
    if (plan.Continues() || !held.parts.empty()) {
        // The part held must be of the source as it is now, not as it was listed.
        facts = source.DescribeSource(true);
        plan = PlanTransfer(continuing, facts, held);
    }
    if (plan.sourceChanged) {
        LogText(LOG_STATUS, "Changed:",
                Format("%s is not the file the %llu bytes held were taken from (was %s; now %s): "
                       "it goes again from its first byte",
                       source.SourceText().c_str(), static_cast<unsigned long long>(held.held),
                       held.heldStamp->Text().c_str(), facts.stamp->Text().c_str()));
        // What comes now is the file as it is now.
        if (facts.length) source.m_Path.Length(*facts.length);
    }
    parts = PlanParts(plan, Job().Settings().m_nSegments, continuing, facts, held);
    return plan;
}

void CTskDataFile::LogContinued(CTskDataFile& source, uint64_t offset) {
    LogText(LOG_STATUS, "Continued:",
            Format("%s at byte %llu", source.SourceText().c_str(), static_cast<unsigned long long>(offset)));
}

bool CTskDataFile::OpenWithStep(CTskDataFile& source, CTskDataFile& target, bool report,
                                const std::function<bool()>& open) {
    std::optional<CReportScope> step;
    if (report) {
        step.emplace(EReportLevel::Step, "Open media", std::string());
        LogText(LOG_SOURCE, std::string(), source.SourceText());
        LogText(LOG_DESTINATION, std::string(), target.TargetText());
    }
    bool opened = false;
    try {
        opened = open();
    } catch (...) {
        if (step) step->Abandon();
        throw;
    }
    if (!opened && step) step->Abandon();
    return opened;
}

bool CTskDataFile::CopyOneStream(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan, bool report) {
    if (!OpenWithStep(source, target, report, [&] { return OpenBoth(source, target, plan); })) {
        source.CloseFile(false);
        target.CloseFile(false);
        return false;
    }
    if (plan.Continues()) LogContinued(source, plan.offset);
    return CopyBlocks(source, target, plan);
}

bool CTskDataFile::CopyInParts(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan,
                               std::vector<CFilePart> parts, bool report) {
    const bool held = HeldBytes(parts) > 0;
    const auto open = [&] {
        if (target.OpenParts(held)) return true;
        return ReportError(ERROR_WRITE, &target,
                           "Fail to open file: " + target.m_Path.GetPath() + " (" + target.GetFileError() + ")");
    };
    if (!OpenWithStep(source, target, report, open)) {
        source.CloseFile(false);
        return false;
    }
    // Without the parts kept beside it, a partial file with gaps could be
    // taken for one written from its first byte: such a target gets one stream.
    if (!target.KeepParts(*plan.stamp, parts)) {
        target.CloseFile(false);
        return CopyOneStream(source, target, plan, false);
    }
    const uint64_t length = parts.back().end;
    LogText(LOG_STATUS, held ? "Continued:" : "Parts:",
            Format("%s in %zu parts (%llu of %llu bytes held)", source.SourceText().c_str(), parts.size(),
                   static_cast<unsigned long long>(HeldBytes(parts)), static_cast<unsigned long long>(length)));
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, static_cast<int64_t>(length));
    // Parts a cut left are taken up over as many sessions as asked now.
    CPartCopy copy(source, target, *plan.stamp, parts, Job().Settings().m_nSegments);
    const CPartCopy::EEnd end = copy.Run();
    bool ok = false;
    switch (end) {
        case CPartCopy::EEnd::Done: ok = FinishParts(source, target, plan, copy.Carried()); break;
        case CPartCopy::EEnd::Cancelled: ReportError(ERROR_ABORTED, &source, source.SourceText()); break;
        case CPartCopy::EEnd::ReadFailed: ReportError(ERROR_READ, &source, copy.GetError()); break;
        case CPartCopy::EEnd::WriteFailed: ReportError(ERROR_UNKNOWN, &target, copy.GetError()); break;
    }
    // A part that broke leaves the partial file and its parts for a later
    // run; a cancelled copy leaves nothing. A complete one is in place.
    source.CloseFile(false);
    target.CloseFile(false);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_FINISH);
    return ok;
}

bool CTskDataFile::FinishParts(CTskDataFile& source, CTskDataFile& target, const CTransferPlan& plan,
                               uint64_t carried) {
    const uint64_t length = *plan.expectedLength;
    const std::string changed = SourceChange(source, plan, length, true);
    if (!changed.empty()) {
        LogText(LOG_STATUS, "Changed:", changed + ": it goes again from its first byte");
        target.Discard();
        return CopyAgain(source, target, plan, carried);
    }
    if (!target.EndWrite()) return ReportError(ERROR_UNKNOWN, &target, target.GetFileError());
    CFileCheck check(plan.verify);
    // The parts came out of order: the check reads the whole file once they
    // are all there. A file it cannot read goes again in one stream, checked
    // as it comes.
    if (check.IsOn() && !check.Cover(length, source, target)) {
        target.Discard();
        return CopyAgain(source, target, plan, carried);
    }
    switch (CheckCopy(check, source, target, true)) {
        case ECheckStep::Pass: break;
        case ECheckStep::Again: return CopyAgain(source, target, plan, carried);
        case ECheckStep::Fail: return false;
    }
    return target.CloseFile(true) || ReportError(ERROR_UNKNOWN, &target, target.GetFileError());
}

bool CTskDataFile::CopyAgain(CTskDataFile& source, CTskDataFile& target, const CTransferPlan& plan, uint64_t carried) {
    // The bytes the parts carried count once in the job: the stream counts them again.
    Job().AddProcessedBytes(-static_cast<int64_t>(carried));
    const CSourceFacts now = source.DescribeSource(true);
    CTransferPlan again = PlanTransfer(false, now, target.DescribeTarget(now, false));
    again.verify = plan.verify;
    if (now.length) source.m_Path.Length(*now.length);
    return CopyOneStream(source, target, again, false);
}

bool CTskDataFile::OpenBoth(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan) {
    if (plan.Continues()) {
        if (source.OpenAs(kOpenRead, plan) && target.OpenAs(kOpenWrite, plan)) return true;
        // A side that would not start at the offset (a server that refuses
        // REST after all): the file goes again from its first byte.
        LogText(LOG_STATUS, "Not continued:",
                Format("%s (%s): it goes again from its first byte", source.SourceText().c_str(),
                       (source.IsOpen() ? target : source).GetFileError().c_str()));
        source.CloseFile(false);
        target.CloseFile(false);
        plan = Afresh(plan);
    }
    // Each side reports why it could not open.
    if (!source.OpenAs(kOpenRead, plan) || !target.OpenAs(kOpenWrite, plan)) return false;
    // Both are open, so the target holds nothing yet: the stamp goes before its first byte.
    if (plan.keepStamp) target.KeepStamp(*plan.stamp);
    return true;
}

// Between blocks: the job's abort flag, its processed bytes, and a position
// every progress step or two seconds, after which the GUI may repaint.
// Positions count from where the current pass started.
class CTskDataFile::CJobProgress : public CCopyProgress {
public:
    CJobProgress(uint64_t length, uint64_t offset)
        : m_length(length), m_step(ProgressStep(length)), m_base(offset), m_countedFrom(offset) {}

    // The file goes on from `offset` with `held` bytes at the target. Bytes
    // sent again count once in the job: those counted above the offset are
    // taken back, and counting starts from the lower of the two.
    void RestartAt(uint64_t held, uint64_t offset) {
        const uint64_t kept = std::max(offset, m_countedFrom);
        if (held > kept) Job().AddProcessedBytes(-static_cast<int64_t>(held - kept));
        m_countedFrom = std::min(m_countedFrom, offset);
        m_base = offset;
    }

    bool IsCancelled() override { return Job().IsAborted(); }

    void OnBlock(uint64_t done, size_t block) override {
        Job().AddProcessedBytes(static_cast<int64_t>(block));
        // The job's rate limit holds for its every session together.
        Job().Pace(block);
        m_sinceUpdate += block;
        const auto now = std::chrono::steady_clock::now();
        if (m_sinceUpdate < m_step && now - m_lastUpdate <= kProgressInterval) return;
        const uint64_t position = m_base + done;
        SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, static_cast<int64_t>(position),
                     ProgressText(position, m_length));
        platform::PumpPendingMessages();
        m_sinceUpdate = 0;
        m_lastUpdate = now;
    }

private:
    uint64_t m_length;
    uint64_t m_step;
    uint64_t m_base;         // where the current pass started
    uint64_t m_countedFrom;  // the job counts this file's bytes above this
    uint64_t m_sinceUpdate = 0;
    std::chrono::steady_clock::time_point m_lastUpdate = std::chrono::steady_clock::now();
};

bool CTskDataFile::CopyBlocks(CTskDataFile& source, CTskDataFile& target, CTransferPlan plan) {
    CFileCheck check(plan.verify);
    if (!AlignCheck(check, source, target, plan)) {
        source.CloseFile(false);
        target.CloseFile(false);
        return false;
    }
    const uint64_t length = source.Length();
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, static_cast<int64_t>(length));
    CJobProgress progress(length, plan.offset);
    uint64_t held = plan.offset;  // what the target holds
    uint64_t reached = 0;  // the most it ever held
    int fruitless = 0;     // passes in a row that got less than a block further than before
    bool takenUp = false;
    bool again = false;     // the source changed while it was read, and goes again once
    bool checked = false;   // the file failed its check once, and goes again once
    bool ok = false;
    for (;;) {
        const CCopyResult pass = velmora::CopyBlocks(
            [&source](char* buffer, size_t size, size_t& received) { return source.Read(buffer, size, received); },
            [&target, &check](const char* data, size_t size) {
                if (!target.Write(data, size)) return false;
                check.Add(data, size);
                return true;
            },
            progress, PacedBlockSize(BufferSize(length), Job().Settings().RateLimit()));
        held += pass.bytes;
        // A server that trickles a few bytes a pass would otherwise be
        // taken up again for ever.
        fruitless = held >= reached + kBlockSize ? 0 : fruitless + 1;
        reached = std::max(reached, held);
        if (pass.end == ECopyEnd::Cancelled) {
            ReportError(ERROR_ABORTED, &source, source.SourceText());
            break;
        }
        // Only a close tells whether a remote transfer was confirmed and a
        // written file was put in place; the source is checked in between,
        // so that a file that changed while it was read never takes the
        // target's place.
        const bool read = pass.end != ECopyEnd::ReadFailed && pass.end != ECopyEnd::WriteFailed;
        const bool sourceClosed = read && source.CloseFile(true);
        const std::string changed = sourceClosed ? SourceChange(source, plan, held, takenUp) : std::string();
        if (!changed.empty()) {
            target.CloseFile(false);
            if (again) {
                ReportError(ERROR_READ, &source, changed);
                break;
            }
            LogText(LOG_STATUS, "Changed:", changed + ": it goes again from its first byte");
            again = true;
            if (!StartAgain(source, target, plan, held, progress, check)) break;
            continue;
        }
        CTskDataFile* broken = pass.end == ECopyEnd::ReadFailed    ? &source
                               : pass.end == ECopyEnd::WriteFailed ? &target
                               : !sourceClosed                     ? &source
                               : !target.EndWrite()                ? &target
                                                                   : nullptr;
        if (!broken) {
            const ECheckStep step = CheckCopy(check, source, target, !checked);
            if (step == ECheckStep::Fail) break;
            if (step == ECheckStep::Again) {
                checked = true;
                check.WaitOutServerCache(target);
                if (!StartAgain(source, target, plan, held, progress, check)) break;
                continue;
            }
            if (target.CloseFile(true)) {
                ok = true;
                break;
            }
            broken = &target;
        }
        if (broken->IsInterrupted() && fruitless < kResumeAttempts && !Job().IsAborted()) {
            if (TakeUp(source, target, *broken, plan, held, progress, check)) {
                takenUp = true;
                continue;
            }
        } else if (broken == &source) {
            ReportError(ERROR_READ, &source, source.GetFileError());
        } else {
            ReportError(ERROR_UNKNOWN, &target, target.GetFileError());
        }
        break;
    }
    source.CloseFile(ok);
    target.CloseFile(ok);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_FINISH);
    return ok;
}

bool CTskDataFile::StartAgain(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan, uint64_t& held,
                              CJobProgress& progress, CFileCheck& check) {
    progress.RestartAt(held, 0);
    const CSourceFacts now = source.DescribeSource(true);
    const std::string verify = plan.verify;
    plan = PlanTransfer(false, now, target.DescribeTarget(now, false));
    plan.verify = verify;
    if (now.length) source.m_Path.Length(*now.length);
    held = 0;
    check.Restart();
    return OpenBoth(source, target, plan);
}

bool CTskDataFile::AlignCheck(CFileCheck& check, CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan) {
    if (check.Cover(plan.offset, source, target)) return true;
    LogText(LOG_STATUS, "Not continued:",
            Format("%s (the %llu bytes held cannot be read to verify the whole file): it goes again from its first "
                   "byte",
                   source.SourceText().c_str(), static_cast<unsigned long long>(plan.offset)));
    source.CloseFile(false);
    target.CloseFile(false);
    plan = Afresh(plan);
    check.Restart();
    return OpenBoth(source, target, plan);
}

CTskDataFile::ECheckStep CTskDataFile::CheckCopy(CFileCheck& check, CTskDataFile& source, CTskDataFile& target,
                                                 bool firstTry) {
    if (!check.IsOn()) return ECheckStep::Pass;
    std::string text;
    switch (check.Compare(source, target, text)) {
        case CFileCheck::EVerdict::Verified: {
            const auto lock = Job().ReportLock();
            ++Job().m_nVerified;
            LogText(LOG_STATUS, "Verified:",
                    Format("%s %s %s", check.Algorithm().c_str(), text.c_str(), source.SourceText().c_str()));
            return ECheckStep::Pass;
        }
        case CFileCheck::EVerdict::Unchecked:
            LogText(LOG_STATUS, "Not verified:", text);
            return ECheckStep::Pass;
        case CFileCheck::EVerdict::Failed:
            target.Discard();
            ReportError(ERROR_COPY, &source, CheckFailureText(ECheckVerdict::Failed, text));
            return ECheckStep::Fail;
        case CFileCheck::EVerdict::Mismatch: break;
    }
    // Neither a download's partial file nor an upload stays where it could
    // be taken for the file, or continued.
    target.Discard();
    if (!firstTry) {
        ReportError(ERROR_COPY, &source, CheckFailureText(ECheckVerdict::Mismatch, text));
        return ECheckStep::Fail;
    }
    LogText(LOG_STATUS, "Checksum mismatch:", text + ": " + source.SourceText() + " goes again from its first byte");
    return ECheckStep::Again;
}

std::string CTskDataFile::SourceChange(CTskDataFile& source, const CTransferPlan& plan, uint64_t held,
                                       bool takenUp) const {
    if (plan.expectedLength && held != *plan.expectedLength) {
        return Format("%s changed while it was read: %llu bytes read of %llu", source.SourceText().c_str(),
                      static_cast<unsigned long long>(held), static_cast<unsigned long long>(*plan.expectedLength));
    }
    // Asking again costs a remote source a round trip: it is worth one where
    // two passes were joined, and always for a local file.
    if (!plan.stamp || (!plan.Continues() && !takenUp && !source.DescribeSource(false).stampIsCheap)) return {};
    const CSourceFacts now = source.DescribeSource(true);
    if (!now.stamp || *now.stamp == *plan.stamp) return {};
    return Format("%s changed while it was read (was %s; now %s)", source.SourceText().c_str(),
                  plan.stamp->Text().c_str(), now.stamp->Text().c_str());
}

bool CTskDataFile::TakeUp(CTskDataFile& source, CTskDataFile& target, CTskDataFile& broken, CTransferPlan& plan,
                          uint64_t& held, CJobProgress& progress, CFileCheck& check) {
    LogText(LOG_STATUS, "Interrupted:",
            Format("%s (%s, %llu bytes done)", source.SourceText().c_str(), broken.GetFileError().c_str(),
                   static_cast<unsigned long long>(held)));
    // A server that cannot be reached again ends the job: every further
    // file would wait for it as long.
    if (!broken.Reconnect()) return ReportError(ERROR_FTP, &broken, broken.GetFileError());
    const CSourceFacts facts = source.DescribeSource(true);
    CTargetFacts now = target.DescribeTarget(facts, false);
    now.held = target.HeldAfterCut(held);
    plan = PlanTakeUp(plan, held, facts, now);
    if (plan.sourceChanged) {
        LogText(LOG_STATUS, "Changed:",
                Format("%s is not the file the %llu bytes held were taken from: it goes again from its first byte",
                       source.SourceText().c_str(), static_cast<unsigned long long>(held)));
        if (facts.length) source.m_Path.Length(*facts.length);
    }
    if (!OpenBoth(source, target, plan) || !AlignCheck(check, source, target, plan)) return false;
    progress.RestartAt(held, plan.offset);
    held = plan.offset;
    LogContinued(source, plan.offset);
    return true;
}

}  // namespace velmora
