#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/source.h"
#include "engine/tsk_data_file.h"
#include "platform/api.h"

namespace velmora {

// Puts the files of one pair of sources over several sessions to the same
// server, side by side. The pair itself is the first session and runs on the
// calling thread; each further session runs on a thread of its own, where it
// first opens its own pair (OpenSession of both sources), then takes file
// after file from the shared queue until none is left or the job may not go
// on. A server that refuses a further session leaves the job with the ones it
// has, which one status record says.
//
// The files keep their source's list: a session lends a file its connection
// for the put and gives it back. Reports cross threads only through the job's
// report lock, which the callback `done` runs under after every file.
class VELMORA_API CSessionPool {
public:
    // Answers whether the job goes on after `file`.
    using DoneStep = std::function<bool(CTskDataFile* file)>;

    CSessionPool(CSource& source, CSource& target, int sessions);
    CSessionPool(const CSessionPool&) = delete;
    CSessionPool& operator=(const CSessionPool&) = delete;
    ~CSessionPool();

    // A file for the sessions to put, in the order they take them.
    void Add(CTskDataFile* file) { m_files.push_back(file); }
    // Puts the files added, on at most as many sessions as there are files;
    // true when every put succeeded.
    bool Run(const DoneStep& done);

private:
    // The next file to put; null when none is left or the job stops.
    CTskDataFile* Next();
    bool HasWork() const;
    // Puts files with one session's pair until Next has none; false when a
    // put failed.
    bool Drain(CSource& source, CSource& target, const DoneStep& done);
    // A further session on its own thread, when the server allows it.
    void RunFurther(const DoneStep& done, std::atomic<bool>& result);
    // The first refusal of a further session is logged; later ones are not.
    void NoteRefusal(const std::string& error);

    CSource& m_source;
    CSource& m_target;
    int m_nSessions;
    std::vector<CTskDataFile*> m_files;
    std::atomic<size_t> m_nNext{0};
    std::atomic<bool> m_bStopped{false};
    bool m_bRefusalNoted = false;  // under the job's report lock
};

}  // namespace velmora
