#include "engine/part_copy.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

#include "base/format.h"
#include "engine/tsk_data_file.h"
#include "messaging/log_status.h"
#include "messaging/msg_commands.h"
#include "platform/message_pump.h"

namespace velmora {
namespace {

// A position update at least this often, however slowly the bytes come.
constexpr auto kPartProgressInterval = std::chrono::seconds(2);
// What each part holds is kept with the partial file at least this often:
// a run killed at any moment repeats at most this much of the work.
constexpr auto kKeepInterval = std::chrono::seconds(1);
// How often the calling thread reports while the sessions read.
constexpr auto kWaitStep = std::chrono::milliseconds(100);

std::vector<CFilePart> Bounds(std::vector<CFilePart> parts) {
    for (CFilePart& part : parts) part.done = part.start;
    return parts;
}

}  // namespace

// The reading threads, each bound to the job, and the wait for their end.
class CPartCopy::CReaders {
public:
    ~CReaders() {
        for (std::thread& thread : m_threads) thread.join();
    }

    void Start(CPartCopy& copy, std::function<void()> work) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            ++m_running;
        }
        m_threads.emplace_back([this, &copy, work = std::move(work)] {
            {
                const CJobBinding binding(copy.m_job);
                CLogStatus::SetDepth(copy.m_nDepth);
                try {
                    work();
                } catch (const std::exception& error) {
                    // Nothing may leave a thread: the copy fails as on any other exception.
                    copy.Stop(EEnd::ReadFailed, error.what());
                }
            }
            const std::lock_guard<std::mutex> lock(m_mutex);
            --m_running;
            m_ended.notify_all();
        });
    }

    // Until every thread has ended, `between` every step of the wait.
    void WaitAll(const std::function<void()>& between) {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_running > 0) {
            lock.unlock();
            between();
            lock.lock();
            m_ended.wait_for(lock, kWaitStep);
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_running = 0;
    std::vector<std::thread> m_threads;
};

CPartCopy::CPartCopy(CTskDataFile& source, CTskDataFile& target, const CSourceStamp& stamp,
                     std::vector<CFilePart> parts, int sessions)
    : m_source(source),
      m_target(target),
      m_stamp(stamp),
      m_bounds(Bounds(parts)),
      m_done(parts.size()),
      m_nSessions(std::clamp(sessions, 1, static_cast<int>(parts.size()))),
      m_job(CJobState::Current()),
      m_nDepth(CLogStatus::GetDepth()),
      m_length(parts.empty() ? 0 : parts.back().end) {
    for (size_t index = 0; index < parts.size(); ++index) m_done[index] = parts[index].done;
}

CPartCopy::~CPartCopy() = default;

std::vector<CFilePart> CPartCopy::Parts() const {
    std::vector<CFilePart> parts = m_bounds;
    for (size_t index = 0; index < parts.size(); ++index) parts[index].done = m_done[index].load();
    return parts;
}

uint64_t CPartCopy::Written() const { return HeldBytes(Parts()); }

CPartCopy::EEnd CPartCopy::Run() {
    m_lastProgress = m_lastKept = std::chrono::steady_clock::now();
    m_nHeld = m_nReported = Written();
    // Asked here: the source is not read from other threads before.
    const CTskDataFile::CPartReaders readers = m_source.PartReaders();
    CReaders running;
    // The source's own session reads too, on a thread of its own like the
    // others: this thread only reports, so that a part whose data stops
    // coming holds back neither the others' progress nor the program.
    running.Start(*this, [this] { Work(m_source); });
    if (readers) {
        for (int index = 1; index < m_nSessions; ++index)
            running.Start(*this, [this, &readers] { RunFurther(readers); });
    }
    running.WaitAll([this] {
        if (m_job.IsAborted()) Stop(EEnd::Cancelled, std::string());
        Report(false);
        KeepParts(false);
    });
    Report(true);
    KeepParts(true);
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_end;
}

void CPartCopy::RunFurther(const CTskDataFile::CPartReaders& readers) {
    std::string error;
    std::unique_ptr<CTskDataFile> reader = readers(error);
    if (!reader) return NoteRefusal(error);
    Work(*reader);
}

void CPartCopy::NoteRefusal(const std::string& error) {
    if (m_bRefusalNoted.exchange(true)) return;
    const auto lock = m_job.ReportLock();
    CStatistic::LogText(LOG_STATUS, "Sessions:",
                        Format("no further session (%s): the file goes on in the sessions it has", error.c_str()));
}

void CPartCopy::Work(CTskDataFile& reader) {
    // Each part is taken once, by whichever session comes for it first.
    for (size_t index = m_next++; index < m_bounds.size() && !Stopped(); index = m_next++) {
        if (m_done[index].load() == m_bounds[index].end) continue;
        if (!ReadPart(reader, index)) return;
    }
}

bool CPartCopy::ReadPart(CTskDataFile& reader, size_t index) {
    int fruitless = 0;  // take-ups in a row that got less than a block further
    uint64_t reached = m_done[index].load();
    for (bool open = Open(reader, index);; open = TakeUp(reader, index)) {
        if (Stopped()) {
            reader.CloseFile(false);
            return false;
        }
        if (open) {
            const EPass pass = Pass(reader, index);
            if (pass != EPass::Broken) return pass == EPass::Done;
        }
        const uint64_t done = m_done[index].load();
        fruitless = done >= reached + CTskDataFile::kBlockSize ? 0 : fruitless + 1;
        reached = std::max(reached, done);
        const bool cancelled = m_job.IsAborted();
        if (cancelled || !reader.IsInterrupted() || fruitless >= CTskDataFile::kResumeAttempts) {
            reader.CloseFile(false);
            return Stop(cancelled ? EEnd::Cancelled : EEnd::ReadFailed, reader.GetFileError());
        }
    }
}

bool CPartCopy::Open(CTskDataFile& reader, size_t index) {
    CTransferPlan plan;
    plan.start = CTransferPlan::EStart::Offset;
    plan.offset = m_done[index].load();
    plan.expectedLength = m_length;
    return reader.OpenAs(CTskDataFile::kOpenRead, plan);
}

bool CPartCopy::TakeUp(CTskDataFile& reader, size_t index) {
    const uint64_t done = m_done[index].load();
    CStatistic::LogText(
        LOG_STATUS, "Interrupted:",
        Format("%s (%s, part %zu of %zu at byte %llu)", m_source.SourceText().c_str(), reader.GetFileError().c_str(),
               index + 1, m_bounds.size(), static_cast<unsigned long long>(done)));
    if (!reader.Reconnect()) {
        Stop(EEnd::ReadFailed, reader.GetFileError());
        return false;
    }
    if (!Open(reader, index)) return false;
    CTskDataFile::LogContinued(m_source, done);
    return true;
}

CPartCopy::EPass CPartCopy::Pass(CTskDataFile& reader, size_t index) {
    const CFilePart& bounds = m_bounds[index];
    const bool last = bounds.end == m_length;
    std::vector<char> buffer(CTskDataFile::BufferSize(m_length));
    for (uint64_t done = m_done[index].load();;) {
        if (Stopped()) break;
        if (m_job.IsAborted()) {
            Stop(EEnd::Cancelled, std::string());
            break;
        }
        // A part before the last ends where the next begins: the rest of
        // the server's data is not waited for.
        if (done == bounds.end && !last) {
            reader.CloseFile(false);
            return EPass::Done;
        }
        const uint64_t left = bounds.end - done;
        // At its end the last part reads once more, to hear the data end.
        const size_t wanted = left == 0 ? buffer.size() : static_cast<size_t>(std::min<uint64_t>(buffer.size(), left));
        size_t received = 0;
        if (!reader.Read(buffer.data(), wanted, received)) return EPass::Broken;
        if (received == 0) {
            // Only the close tells whether the server confirmed the data
            // and it brought the whole file.
            if (!reader.CloseFile(true)) return EPass::Broken;
            return EPass::Done;
        }
        if (received > left) {
            Stop(EEnd::ReadFailed, Format("%s changed while it was read: more than %llu bytes",
                                          m_source.SourceText().c_str(), static_cast<unsigned long long>(m_length)));
            break;
        }
        std::string error;
        if (!m_target.WriteAt(done, buffer.data(), received, error)) {
            Stop(EEnd::WriteFailed, error);
            break;
        }
        done += received;
        m_done[index] = done;
        m_job.AddProcessedBytes(static_cast<int64_t>(received));
        // The job's rate limit holds for its every session together.
        m_job.Pace(received);
        KeepParts(false);
    }
    reader.CloseFile(false);
    return EPass::Stopped;
}

bool CPartCopy::Stop(EEnd end, const std::string& error) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    // The first reason stands: what the others meet after it follows from it.
    if (!m_bStopped.exchange(true)) {
        m_end = end;
        m_error = error;
    }
    return false;
}

bool CPartCopy::Stopped() const { return m_bStopped.load(); }

void CPartCopy::Report(bool force) {
    const auto now = std::chrono::steady_clock::now();
    const uint64_t written = Written();
    if (force || written - m_nReported >= CTskDataFile::ProgressStep(m_length) ||
        now - m_lastProgress > kPartProgressInterval) {
        CStatistic::SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, static_cast<int64_t>(written),
                                 CTskDataFile::ProgressText(written, m_length));
        platform::PumpPendingMessages();
        m_nReported = written;
        m_lastProgress = now;
    }
}

void CPartCopy::KeepParts(bool force) {
    // Whichever session wrote last keeps them: one whose stream is silent
    // must not hold back what the others wrote meanwhile.
    std::unique_lock<std::mutex> lock(m_keepMutex, std::defer_lock);
    if (force) {
        lock.lock();
    } else if (!lock.try_lock()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastKept < kKeepInterval) return;
    // Each part's end is read after its bytes were written: the parts kept
    // never claim more than the file holds.
    m_target.KeepParts(m_stamp, Parts());
    m_lastKept = now;
}

}  // namespace velmora
