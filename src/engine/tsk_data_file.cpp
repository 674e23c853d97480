#include "engine/tsk_data_file.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "base/block_copy.h"
#include "base/format.h"
#include "messaging/log_status.h"
#include "messaging/msg_commands.h"
#include "paths/mfc_obj_node.h"
#include "platform/message_pump.h"

namespace velmora {
namespace {

// A position update at least this often, however slowly the bytes come.
constexpr auto kProgressInterval = std::chrono::seconds(2);

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
        m_SrcPoint = other->m_SrcPoint;
    }
}

bool CTskDataFile::Open(uint32_t) { return false; }

bool CTskDataFile::Read(char*, size_t, size_t& received) {
    received = 0;
    return false;
}

bool CTskDataFile::Write(const char*, size_t) { return false; }

bool CTskDataFile::CloseFile(bool) { return true; }

bool CTskDataFile::Reopen(uint32_t, uint64_t&) { return false; }

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
        if (!OpenBoth(*source, *target, report)) {
            source->CloseFile(false);
            target->CloseFile(false);
            return false;
        }
        return CopyBlocks(*source, *target);
    } catch (const std::exception& error) {
        // The platform's and the archive's exceptions end the file here.
        source->CloseFile(false);
        target->CloseFile(false);
        return ReportError(ERROR_EXCEPTION, source, error.what());
    }
}

bool CTskDataFile::OpenBoth(CTskDataFile& source, CTskDataFile& target, bool report) {
    std::optional<CReportScope> step;
    if (report) {
        step.emplace(EReportLevel::Step, "Open media", std::string());
        LogText(LOG_SOURCE, std::string(), source.SourceText());
        LogText(LOG_DESTINATION, std::string(), target.TargetText());
    }
    bool opened = false;
    try {
        opened = Job().Settings().m_bContinue || target.m_bContinue ? OpenToContinue(source, target)
                                                                    : OpenAfresh(source, target);
    } catch (...) {
        if (step) step->Abandon();
        throw;
    }
    if (!opened && step) step->Abandon();
    return opened;
}

bool CTskDataFile::ReopenBoth(CTskDataFile& source, CTskDataFile& target, uint64_t& offset) {
    if (!source.Reopen(kOpenRead, offset)) return ReportError(ERROR_READ, &source, source.GetFileError());
    const uint64_t reading = offset;
    if (!target.Reopen(kOpenWrite, offset)) return ReportError(ERROR_UNKNOWN, &target, target.GetFileError());
    // A target that cannot start there starts from the beginning: the source follows.
    if (offset != reading && !source.Reopen(kOpenRead, offset))
        return ReportError(ERROR_READ, &source, source.GetFileError());
    return true;
}

bool CTskDataFile::OpenAfresh(CTskDataFile& source, CTskDataFile& target) {
    CSourceStamp stamp;
    // Asked before the source opens: a server answers nothing else during a transfer.
    const bool stamped = target.KeepsStamps() && source.GetStamp(stamp, false);
    if (!source.Open(kOpenRead) || !target.Open(kOpenWrite)) return false;
    // Both are open, so the target holds nothing yet: the stamp goes before its first byte.
    if (stamped) target.KeepStamp(stamp);
    return true;
}

bool CTskDataFile::ContinueBoth(CTskDataFile& source, CTskDataFile& target, uint64_t& offset) {
    CSourceStamp now;
    const bool stamped = target.KeepsStamps() && source.GetStamp(now, offset > 0);
    CSourceStamp then;
    if (offset > 0 && stamped && target.ReadHeldStamp(then) && then != now) {
        LogText(LOG_STATUS, "Changed:",
                Format("%s is not the file the %llu bytes held were taken from (was %s; now %s): "
                       "it goes again from its first byte",
                       source.SourceText().c_str(), static_cast<unsigned long long>(offset), then.Text().c_str(),
                       now.Text().c_str()));
        offset = 0;
        // What comes now is the file as it is now.
        source.m_Path.Length(now.size);
    }
    if (!ReopenBoth(source, target, offset)) return false;
    if (offset == 0 && stamped) target.KeepStamp(now);
    return true;
}

bool CTskDataFile::OpenToContinue(CTskDataFile& source, CTskDataFile& target) {
    uint64_t offset = target.HeldFromEarlier(source.KnownLength());
    if (!ContinueBoth(source, target, offset)) return false;
    if (offset > 0) {
        LogText(LOG_STATUS, "Continued:", Format("%s at byte %llu", source.SourceText().c_str(),
                                                 static_cast<unsigned long long>(offset)));
    }
    m_nContinuedAt = offset;
    return true;
}

// Between blocks: the job's abort flag, its processed bytes, and a position
// every progress step or two seconds, after which the GUI may repaint.
// Positions count from where the current pass started.
class CTskDataFile::CJobProgress : public CCopyProgress {
public:
    explicit CJobProgress(uint64_t length) : m_length(length), m_step(ProgressStep(length)) {}

    void StartAt(uint64_t offset) { m_base = offset; }

    bool IsCancelled() override { return Job().IsAborted(); }

    void OnBlock(uint64_t done, size_t block) override {
        Job().AddProcessedBytes(static_cast<int64_t>(block));
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
    uint64_t m_base = 0;
    uint64_t m_sinceUpdate = 0;
    std::chrono::steady_clock::time_point m_lastUpdate = std::chrono::steady_clock::now();
};

bool CTskDataFile::CopyBlocks(CTskDataFile& source, CTskDataFile& target) {
    const uint64_t length = source.Length();
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, static_cast<int64_t>(length));
    CJobProgress progress(length);
    uint64_t held = std::exchange(m_nContinuedAt, 0);  // what the target holds
    progress.StartAt(held);
    uint64_t reached = 0;  // the most it ever held
    int fruitless = 0;     // passes in a row that got less than a block further than before
    bool ok = false;
    for (;;) {
        const CCopyResult pass = velmora::CopyBlocks(
            [&source](char* buffer, size_t size, size_t& received) { return source.Read(buffer, size, received); },
            [&target](const char* data, size_t size) { return target.Write(data, size); }, progress,
            BufferSize(length));
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
        // written file was put in place.
        CTskDataFile* broken = pass.end == ECopyEnd::ReadFailed    ? &source
                               : pass.end == ECopyEnd::WriteFailed ? &target
                               : !source.CloseFile(true)           ? &source
                               : !target.CloseFile(true)           ? &target
                                                                   : nullptr;
        if (!broken) {
            ok = true;
            break;
        }
        if (broken->IsInterrupted() && fruitless < kResumeAttempts && !Job().IsAborted()) {
            if (TakeUp(source, target, *broken, held, progress)) continue;
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

bool CTskDataFile::TakeUp(CTskDataFile& source, CTskDataFile& target, CTskDataFile& broken, uint64_t& held,
                          CJobProgress& progress) {
    LogText(LOG_STATUS, "Interrupted:",
            Format("%s (%s, %llu bytes done)", source.SourceText().c_str(), broken.GetFileError().c_str(),
                   static_cast<unsigned long long>(held)));
    // A server that cannot be reached again ends the job: every further
    // file would wait for it as long.
    if (!broken.Reconnect()) return ReportError(ERROR_FTP, &broken, broken.GetFileError());
    uint64_t offset = target.ResumeOffset(held);
    if (!ContinueBoth(source, target, offset)) return false;
    // Bytes sent again count once in the job.
    Job().AddProcessedBytes(-static_cast<int64_t>(held - offset));
    held = offset;
    progress.StartAt(offset);
    LogText(LOG_STATUS, "Continued:", Format("%s at byte %llu", source.SourceText().c_str(),
                                             static_cast<unsigned long long>(offset)));
    return true;
}

}  // namespace velmora
