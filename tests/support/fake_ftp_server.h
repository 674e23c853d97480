#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace velmora::test {

// One control connection of a FakeFtpServer, as seen by its script. Every
// wait is bounded and ends early when the server stops, so a script can
// simply stop answering and the test still ends.
class FakeFtpSession {
public:
    FakeFtpSession(int control, int stopFd, std::function<void(const std::string&)> record);
    ~FakeFtpSession();
    FakeFtpSession(const FakeFtpSession&) = delete;
    FakeFtpSession& operator=(const FakeFtpSession&) = delete;

    // The next command line without its line end; nothing when the client
    // hung up or the server stops.
    std::optional<std::string> ReadCommand();
    // How many of the commands read so far the client sent only after it
    // had heard every reply before them: the round trips it waited, one per
    // command, or one for a batch written at once.
    int Turns() const { return m_turns; }
    // Reads a command and answers `reply` when it starts with `verb`; false otherwise.
    bool Expect(std::string_view verb, std::string_view reply);
    bool Reply(std::string_view line);  // adds CRLF
    bool SendRaw(std::string_view bytes);
    // The greeting, FEAT (refused: the client behaves as without it), then
    // USER, PASS, TYPE I and PWD ("/"), all answered positively.
    bool Login();

    // A loopback listener for a passive data connection; answers its port.
    uint16_t ListenForData();
    bool AcceptData();
    bool SendData(std::string_view bytes);
    std::string ReceiveDataToEnd();
    void CloseData();
    // Drops the control connection (and the data connection) at once.
    void Hangup();
    // Waits until the client closes the control connection or the server
    // stops, answering nothing but QUIT.
    void WaitForClientToLeave();
    // True once the server is being stopped.
    bool IsStopping() const;

private:
    bool WaitReadable(int fd) const;

    int m_control;
    int m_stopFd;
    int m_dataListener = -1;
    int m_data = -1;
    std::string m_buffer;
    int m_turns = 0;
    std::function<void(const std::string&)> m_record;
};

// A scripted FTP server in the test process for behaviour no real server
// shows: silence, dropped connections, endless or malformed replies, a PASV
// reply naming another host. It listens on 127.0.0.1 (ephemeral port) and
// runs `script` on a thread for each control connection, one after the other.
//
//   FakeFtpServer fake([](FakeFtpSession& s) {
//       s.Login();
//       s.ReadCommand();          // e.g. "CWD /x" ... and never answer it
//       s.WaitForClientToLeave();
//   });
//   connection.Connect("127.0.0.1", fake.GetPort(), "u", "p", true);
class FakeFtpServer {
public:
    using Script = std::function<void(FakeFtpSession&)>;

    explicit FakeFtpServer(Script script);
    ~FakeFtpServer();  // stops the script's waits and joins the thread
    FakeFtpServer(const FakeFtpServer&) = delete;
    FakeFtpServer& operator=(const FakeFtpServer&) = delete;

    uint16_t GetPort() const { return m_port; }
    // Every command line received so far, in order, over all connections.
    std::vector<std::string> GetCommands() const;

private:
    void Run();

    Script m_script;
    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::thread m_thread;
};

}  // namespace velmora::test
