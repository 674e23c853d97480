#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/file_parts.h"
#include "engine/job_state.h"
#include "engine/source_stamp.h"
#include "engine/tsk_data_file.h"

namespace velmora {

// A download in parts: every part of the file read over a session of its
// own and written in place at its offset, all at once. Each session reads
// on a thread of its own: the source's own at once, each further one once
// it is logged in; each takes the next part nobody took, and a session the
// server refuses leaves its parts to the others. The calling thread reports
// progress meanwhile. A part that is cut goes on from where it stopped, over its
// session logged in again. What each part holds is kept with the partial
// file as it goes (at least every second while bytes come, and when the
// copy stops), so that a run killed at any point leaves parts that a later
// run continues.
//
//   CPartCopy copy(source, target, stamp, parts, sessions);
//   switch (copy.Run()) { ... copy.GetError() ... }
class CPartCopy {
public:
    enum class EEnd {
        Done,         // every part is written
        Cancelled,    // the job was cancelled
        ReadFailed,   // a part could not be read (GetError())
        WriteFailed,  // the target could not be written (GetError())
    };

    // `parts` cover the source's length; the target is open for parts.
    CPartCopy(CTskDataFile& source, CTskDataFile& target, const CSourceStamp& stamp, std::vector<CFilePart> parts,
              int sessions);
    ~CPartCopy();
    CPartCopy(const CPartCopy&) = delete;
    CPartCopy& operator=(const CPartCopy&) = delete;

    EEnd Run();
    const std::string& GetError() const { return m_error; }
    // The bytes the parts brought in this run.
    uint64_t Carried() const { return Written() - m_nHeld; }
    // The parts as they stand (after Run: as they ended).
    std::vector<CFilePart> Parts() const;

private:
    class CReaders;
    enum class EPass { Done, Broken, Stopped };

    // Reads the parts not taken yet with `reader`, one after the other,
    // until none is left or the copy stops.
    void Work(CTskDataFile& reader);
    // A further session: logs in, then works.
    void RunFurther(const CTskDataFile::CPartReaders& readers);
    void NoteRefusal(const std::string& error);
    // One part to its end, taken up after every cut that got somewhere.
    bool ReadPart(CTskDataFile& reader, size_t index);
    // The part's stream from where it stands.
    bool Open(CTskDataFile& reader, size_t index);
    // After a cut: the session logged in again and the stream opened anew.
    bool TakeUp(CTskDataFile& reader, size_t index);
    // Reads and writes until the part's end, a cut or a stop.
    EPass Pass(CTskDataFile& reader, size_t index);
    // The copy ends for every session; the first reason stands. False.
    bool Stop(EEnd end, const std::string& error);
    bool Stopped() const;
    // On the calling thread: progress, when due.
    void Report(bool force);
    // From any thread: what each part holds kept with the partial file,
    // when due (or `force`).
    void KeepParts(bool force);
    // Bytes the parts hold.
    uint64_t Written() const;

    CTskDataFile& m_source;
    CTskDataFile& m_target;
    const CSourceStamp m_stamp;
    const std::vector<CFilePart> m_bounds;  // start and end of each part
    std::vector<std::atomic<uint64_t>> m_done;
    std::atomic<size_t> m_next{0};  // the next part nobody took
    const int m_nSessions;
    CJobState& m_job;
    const int m_nDepth;
    const uint64_t m_length;

    mutable std::mutex m_mutex;  // the end and its reason
    EEnd m_end = EEnd::Done;
    std::string m_error;
    std::atomic<bool> m_bStopped{false};
    std::atomic<bool> m_bRefusalNoted{false};

    uint64_t m_nHeld = 0;  // what the parts held before the run
    uint64_t m_nReported = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
    std::mutex m_keepMutex;  // one keeper at a time
    std::chrono::steady_clock::time_point m_lastKept;
};

}  // namespace velmora
