#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::test {

// What a StreamRelay does to the connections it passes on.
struct StreamFaults {
    // The first connection that has brought the client this many bytes is
    // reset on the client's side; 0 never resets.
    uint64_t resetAfterBytes = 0;
    // Every connection that has brought the client this many bytes brings
    // nothing more and stays open; 0 never stalls.
    uint64_t stallAfterBytes = 0;
    // What the server sends waits this long before it is passed on (a
    // slow link); 0 passes it at once.
    int delayMs = 0;
};

// A TCP relay on the loopback address in front of a server's port, passing
// bytes unread both ways (an SSH connection) and breaking them as planned.
class StreamRelay {
public:
    StreamRelay(uint16_t serverPort, StreamFaults faults);
    ~StreamRelay();  // ends every connection and joins the threads
    StreamRelay(const StreamRelay&) = delete;
    StreamRelay& operator=(const StreamRelay&) = delete;

    bool Start();
    uint16_t GetPort() const { return m_port; }
    // Waits until a connection stalls (has brought the client
    // stallAfterBytes), at most `bound`; whether one did.
    bool WaitForStall(std::chrono::milliseconds bound);

private:
    void AcceptLoop();
    void Pass(int client);

    uint16_t m_serverPort;
    StreamFaults m_faults;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};  // written to when the relay stops
    uint16_t m_port = 0;
    std::atomic<bool> m_resetDone{false};
    std::mutex m_mutex;
    std::condition_variable m_stallSignal;
    bool m_stalled = false;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

}  // namespace velmora::test
