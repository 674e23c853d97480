#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace velmora::test {

// A Secret Service of its own: gnome-keyring-daemon in a private D-Bus
// session (dbus-run-session), its keyring files in a temporary folder, the
// login keyring unlocked. Tests running side by side never share one. The
// session ends with the object, or with the test process (it waits on a
// pipe that the process holds).
//
//   SecretServiceSession keyring;
//   if (!keyring.Start()) GTEST_SKIP() << keyring.GetError();
//   run programs with keyring.Environment(); check with keyring.Lookup(...)
class SecretServiceSession {
public:
    SecretServiceSession();
    ~SecretServiceSession();
    SecretServiceSession(const SecretServiceSession&) = delete;
    SecretServiceSession& operator=(const SecretServiceSession&) = delete;

    // False, with the reason, when the programs are missing (the message
    // says how to install them) or the session does not start.
    bool Start();
    void Stop();
    const std::string& GetError() const { return m_error; }

    // The session's bus address, for programs run in it.
    const std::string& Address() const { return m_address; }
    std::map<std::string, std::string> Environment() const { return {{"DBUS_SESSION_BUS_ADDRESS", m_address}}; }

    // Through secret-tool, independent of the library: the secret of the
    // entry with these attributes (name, value, name, value...), "" when
    // there is none; and every entry with them, as label, attributes and
    // secret lines.
    std::string Lookup(const std::vector<std::string>& attributes) const;
    std::string Search(const std::vector<std::string>& attributes) const;
    bool Store(const std::string& label, const std::string& secret, const std::vector<std::string>& attributes) const;
    bool Clear(const std::vector<std::string>& attributes) const;
    // Locks the login keyring; only the service's prompt could unlock it.
    bool Lock() const;

private:
    std::string m_error;
    std::string m_address;
    TempDir m_dir;
    int m_pid = -1;
    int m_holdFd = -1;
};

// The session this test process talks to itself: started on first use,
// kept for every test of the process, and made this process's session bus.
// Null (with the reason in `error`) when it cannot start.
SecretServiceSession* ProcessSecretService(std::string& error);

}  // namespace velmora::test

// Skips the test, with the reason, when no Secret Service can be started.
#define VELMORA_REQUIRE_SECRET_SERVICE()                                       \
    do {                                                                      \
        std::string reason_;                                                  \
        if (!::velmora::test::ProcessSecretService(reason_)) GTEST_SKIP() << reason_; \
    } while (false)
