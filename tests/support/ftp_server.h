#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace velmora::test {

// A real FTP server for one test: pyftpdlib (tests/support/ftpd.py, run with
// /usr/bin/python3) on an ephemeral loopback port, serving a fresh temporary
// home folder to one user with every permission. Passive ports are ephemeral
// too, so servers of tests running in parallel never collide.
//
//   FtpServer server;                       // or FtpServer server({.host = "::1"});
//   ASSERT_TRUE(server.Start()) << server.GetError();
//   WriteFile(server.Path("in/a.txt"), "hello");   // files the client will see as /in/a.txt
//   connect to server.GetHost():server.GetPort() as server.GetUser()/server.GetPassword()
//
// Or derive a test fixture from FtpServerTest, which starts `server` in SetUp.
// The server stops when the object goes away (SIGTERM, then SIGKILL); it also
// exits by itself if the test process dies.
struct FtpServerOptions {
    std::string host = "127.0.0.1";
    std::string user = "alice";
    std::string password = "secret";
    // A file that gets every command the server receives, one line each.
    std::string commandLog = std::string();
    // Commands the server does not know ("SIZE,MLST,MLSD"): they get 500 and
    // their features are not in its FEAT reply ("REST" takes "REST STREAM" out).
    std::string without = std::string();
    // More control connections than this from one address are refused
    // (421); 0: no limit.
    int maxSessionsPerAddress = 0;
    // A file naming (a line each) the files whose uploads the server refuses
    // (550) when they start; empty: none.
    std::string refuseList = {};
    // Commands the server refuses with a reply of its choosing, each
    // "CODE WHICH COMMAND [ARGUMENT]": "450 2 CWD /tree/d2" answers the
    // second CWD into /tree/d2 with 450 ("2-3": the second and third; "2-":
    // the second and every later one; "*": every one), counted over all
    // sessions. An argument matches with or without a trailing "/".
    std::vector<std::string> failCommands = {};
    // The first upload that brings more than this many bytes has its data
    // connection closed by the server; 0: none.
    uint64_t cutUploadAfter = 0;
    // Both set: the server requires explicit TLS on every connection, or
    // with `tlsOptional` offers it and lets plain sessions in too.
    std::string tlsCertFile = {};
    std::string tlsKeyFile = {};
    bool tlsOptional = false;
};

class FtpServer {
public:
    explicit FtpServer(FtpServerOptions options = {});
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Starts the server and waits (bounded) until it accepts connections.
    bool Start();
    void Stop();
    bool IsRunning() const { return m_pid > 0; }
    const std::string& GetError() const { return m_error; }

    const std::string& GetHost() const { return m_options.host; }
    uint16_t GetPort() const { return m_port; }
    const std::string& GetUser() const { return m_options.user; }
    const std::string& GetPassword() const { return m_options.password; }
    // The server's home folder on disk: the remote "/".
    const std::string& GetRoot() const { return m_root.path(); }
    // How many commands named `command` (STOR, RETR, ...) the server has
    // received so far; it needs the option `commandLog`.
    int Received(const std::string& command) const;
    // How many sessions are open at the server now (opened less closed);
    // it needs the option `commandLog`.
    int OpenSessions() const;
    // The local file behind a remote path: Path("a/b.txt") = root + "/a/b.txt".
    std::string Path(const std::string& remote) const;

    // True when the machine can listen on the IPv6 loopback address ::1.
    static bool HasIPv6Loopback();

private:
    bool Fail(const std::string& error);
    bool WaitForExit(int timeoutMs);

    FtpServerOptions m_options;
    TempDir m_root;
    int m_pid = -1;
    int m_pidFd = -1;
    int m_stdinFd = -1;   // the server exits when this pipe closes
    int m_stdoutFd = -1;  // "READY <port>" comes from here
    uint16_t m_port = 0;
    std::string m_error;
};

class FtpServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.GetError(); }

    FtpServer server;
};

}  // namespace velmora::test
