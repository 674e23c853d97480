#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace velmora::test {

// A TCP relay on 127.0.0.1 (ephemeral port) in front of a server's port: it
// takes one connection, forwards both ways, and records every byte the
// client sent, as they crossed the wire. Tests use it to see what a client
// really puts on the network (a password in clear, a command it should not
// have sent yet).
class RecordingRelay {
public:
    explicit RecordingRelay(uint16_t targetPort);
    ~RecordingRelay();  // stops forwarding and joins the thread
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    uint16_t GetPort() const { return m_port; }
    // The client's bytes so far.
    std::string GetClientBytes() const;

private:
    void Run(int listener);
    void Forward(int client, int server);

    uint16_t m_targetPort;
    uint16_t m_port = 0;
    int m_stopPipe[2] = {-1, -1};
    mutable std::mutex m_mutex;
    std::string m_clientBytes;
    std::thread m_thread;
};

// The number of TLS records of `contentType` (23: application data) in a
// byte stream that starts with a TLS record, as sent by one side.
int CountTlsRecords(const std::string& stream, int contentType);

}  // namespace velmora::test
