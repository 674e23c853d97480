#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

// What a FaultRelay does to the traffic it passes on.
struct FaultPlan {
    // Data connections that have carried this many bytes are cut: reset on
    // the client's side, closed on the server's; 0 never cuts. `resets` bounds how many are reset,
    // -1 resets every one.
    uint64_t resetDataAfter = 0;
    int resets = 1;
    // Data connections that have brought the client this many bytes bring
    // nothing more, and stay open until the client closes them; 0 never stalls.
    // `stalls` bounds how many stall, -1 stalls every one.
    uint64_t stallDataAfter = 0;
    // The same for uploads: data connections that have taken the server this
    // many bytes take no more from the client; counted in `stalls` too.
    uint64_t stallUploadAfter = 0;
    int stalls = -1;
    // The control connection is dropped right after the relay has passed on
    // this many "226" replies (all sessions together); 0 never drops it.
    int dropControlAfterTransfers = 0;
    // REST is answered "502" without the server seeing it, and "REST STREAM"
    // is taken out of the FEAT reply.
    bool refuseRest = false;
    // Sessions after this many get "530" to their password; -1 lets all in.
    int sessionsAllowed = -1;
    // Every reply waits this long before it is passed on.
    int replyDelayMs = 0;
    // Sessions after this many get no TLS: "AUTH TLS" is taken out of the
    // FEAT reply and AUTH is answered "502" without the server seeing it,
    // as someone on the way would; -1 takes it from none. A session whose
    // AUTH the server accepts is passed on byte by byte from then on (its
    // data connections then go to the server directly).
    int stripTlsAfterSessions = -1;
    // The byte at this offset of a data connection (counted from its first
    // byte) is inverted on the way, so that its length stays; -1 changes
    // none. `flips` bounds how many connections are changed, -1 changes
    // every one that carries that many bytes.
    int64_t flipDataAt = -1;
    int flips = 1;
    // Features taken out of the FEAT reply, by their first word ("HASH").
    std::vector<std::string> hideFeatures = {};
};

// A relay between an FTP client and a real server on the loopback address
// that breaks connections on purpose. It passes the control connection on
// line by line and every passive data connection byte by byte: a 227/229
// reply is rewritten to a port the relay listens on itself (on its own
// address), and what comes there is passed on to the server's data port.
// It counts what the data connections carry, so a test can tell a transfer
// that went on from where it broke from one sent twice.
//
//   FaultRelay relay("127.0.0.1", server.GetPort(), {.resetDataAfter = 1 << 20});
//   ASSERT_TRUE(relay.Start());
//   connect the client to 127.0.0.1:relay.GetPort()
class FaultRelay {
public:
    FaultRelay(std::string serverHost, uint16_t serverPort, FaultPlan plan);
    ~FaultRelay();  // stops every connection and joins the threads
    FaultRelay(const FaultRelay&) = delete;
    FaultRelay& operator=(const FaultRelay&) = delete;

    bool Start();
    uint16_t GetPort() const { return m_port; }
    // No data connection is cut from now on (the same server and port
    // without its fault, for a run that continues what the cut left).
    void StopResets() { m_bResetsStopped = true; }

    // Bytes passed on over data connections, both ways.
    uint64_t GetDataBytes() const { return m_dataBytes.load(); }
    int GetResets() const { return m_resetsDone.load(); }
    int GetFlips() const { return m_flipsDone.load(); }
    int GetSessions() const { return m_sessions.load(); }
    // Waits until a data connection stalls, at most `bound`; whether one did.
    bool WaitForStall(std::chrono::milliseconds bound);
    // Every command line of every session, in order.
    std::vector<std::string> GetCommands() const;
    // The command lines that start with `verb`.
    std::vector<std::string> GetCommands(const std::string& verb) const;

private:
    class Session;
    class DataPipe;

    void AcceptLoop();
    void RunSession(int client, int index);
    // A listener for one data connection of the server's `port`; its port.
    uint16_t OpenDataPipe(uint16_t port);
    void RunDataPipe(int listener, uint16_t serverPort);
    bool ResetsLeft() const;
    bool ShouldReset();
    bool ShouldStall();
    bool ShouldDropControl();
    bool IsHiddenFeature(const std::string& line) const;
    void Record(const std::string& command);
    void Spawn(std::thread thread);

    std::string m_host;
    uint16_t m_serverPort;
    FaultPlan m_plan;
    uint16_t m_port = 0;
    int m_listener = -1;
    int m_stop[2] = {-1, -1};  // written to on stop: every wait ends
    std::atomic<uint64_t> m_dataBytes{0};
    std::atomic<int> m_resetsDone{0};
    std::atomic<bool> m_bResetsStopped{false};
    std::atomic<int> m_stallsDone{0};
    std::atomic<int> m_flipsDone{0};
    std::atomic<int> m_sessions{0};
    std::atomic<int> m_transfers{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_stallSignal;
    std::vector<std::string> m_commands;
    std::vector<std::thread> m_threads;
};

}  // namespace velmora::test
