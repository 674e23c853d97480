#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/job_state.h"
#include "engine/source.h"
#include "engine/tsk_data_file.h"
#include "platform/api.h"

namespace velmora {

// Further sessions of a remote source, logging in on threads of their own
// while the source's first session still lists its tree: a pool takes them
// instead of logging in only once the list is there. The sessions no pool
// takes log off when this goes.
class VELMORA_API CEarlySessions {
public:
    // For the job of the calling thread, at its log's nesting there.
    CEarlySessions();
    CEarlySessions(const CEarlySessions&) = delete;
    CEarlySessions& operator=(const CEarlySessions&) = delete;
    // Waits for the logins still under way.
    ~CEarlySessions();

    // Starts `count` further sessions of `source` (OpenSession).
    void Open(const CSource& source, int count);
    // The next session opened ahead, once its login is done. Null when none
    // is left (`error` empty) or when the server refused it (`error` says why).
    std::unique_ptr<CSource> Take(std::string& error);

private:
    struct Opening {
        std::thread thread;
        std::unique_ptr<CSource> session;
        std::string error;
    };

    CJobState& m_job;
    const int m_nDepth;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Opening>> m_openings;  // under m_mutex
    size_t m_nTaken = 0;                               // under m_mutex
};

// Puts the files of one pair of sources over several sessions to the same
// server, side by side. The pair itself is the first session; each further
// one runs on a thread of its own, where it opens its own pair (OpenSession
// of both sources) and then takes file after file from the shared queue as
// they come, until the queue is closed and empty or the job may not go on.
// The first session joins them once the queue is closed. A server that
// refuses a further session leaves the job with the ones it has, which one
// status record says.
//
// Whoever fills the queue adds a file only once its folder exists. The queue
// owns its files, and a file goes once its outcome is told; it holds only a
// few at a time: while it is full, the session that fills it puts the
// oldest file itself. A session lends a file its connection for the put.
// The further sessions work for the job of the thread that made the pool.
// Reports cross threads only through the job's report lock, under which
// each file's outcome is told and `done` runs after it. Every file added
// gets exactly one outcome: sent, failed, or (when the job stopped before
// its turn) not taken, the last ones once the pool is done.
class VELMORA_API CSessionPool {
public:
    // Answers whether the job goes on after `file`.
    using DoneStep = std::function<bool(CTskDataFile* file)>;
    // What became of a file.
    using OutcomeStep = std::function<void(CTskDataFile* file, EFileOutcome outcome)>;

    // Opens up to `sessions` - 1 further sessions, as many as `files` (the
    // files expected) can use; those `early` opened ahead are taken first.
    CSessionPool(CSource& source, CSource& target, int sessions, size_t files, OutcomeStep outcome, DoneStep done,
                 CEarlySessions* early = nullptr);
    CSessionPool(const CSessionPool&) = delete;
    CSessionPool& operator=(const CSessionPool&) = delete;
    // Stops taking files, waits for the further sessions, and tells the
    // files that were not taken.
    ~CSessionPool();

    // A file for the sessions to put, in the order they take them.
    void Add(std::unique_ptr<CTskDataFile> file);
    // Closes the queue and puts what is left with the first session too;
    // true when every put succeeded.
    bool Finish();

private:
    // The next file to put, waiting for one while the queue is open; null
    // when none is left or the job stops.
    std::unique_ptr<CTskDataFile> Next();
    void Stop();
    void Close();
    // Waits for the further sessions; the files left in the queue were not taken.
    void Join();
    // Puts files with one session's pair until Next has none.
    void Drain(CSource& source, CSource& target);
    // Puts one file with a session's pair and tells its outcome.
    void Put(CSource& source, CSource& target, std::unique_ptr<CTskDataFile> file);
    // A further session, when the server allows it.
    void RunFurther();
    // The first refusal of a further session is logged; later ones are not.
    void NoteRefusal(const std::string& error);

    CSource& m_source;
    CSource& m_target;
    CEarlySessions* m_pEarly;
    CJobState& m_job;
    const int m_nDepth;  // the log's nesting where the pool was made
    OutcomeStep m_outcome;
    DoneStep m_done;
    std::mutex m_mutex;
    std::condition_variable m_added;
    std::deque<std::unique_ptr<CTskDataFile>> m_files;  // under m_mutex
    bool m_bClosed = false;                             // under m_mutex
    std::atomic<bool> m_bStopped{false};
    std::atomic<bool> m_bFailed{false};
    bool m_bRefusalNoted = false;  // under the job's report lock
    std::vector<std::thread> m_further;
};

}  // namespace velmora
