#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/api.h"

namespace velmora::protocol {

// What every session to a file server is opened with, whatever its
// protocol. Time-outs are in milliseconds; each bounds one wait (for a
// whole reply, for a block of data, for a connection to be set up).
struct VELMORA_API CSessionOptions {
    int connectTimeoutMs = 10000;
    int sendTimeoutMs = 10000;
    int receiveTimeoutMs = 10000;
    // How many times the host's address list is tried before a connect gives up.
    int connectRetries = 3;
    // A session the server dropped (an idle limit, a restart) logs in again
    // by itself at the next command, returns to its folder and sends the
    // command again; for browsing sessions, whose commands may be repeated.
    // Transfers do not: an open stream is never reconnected.
    bool reconnectWhenDropped = false;
    // Asked when a server that offers FTP in auto TLS mode offers no TLS and
    // never did (a server that did is refused plain FTP, see CTlsMemory),
    // before the password goes out in clear: true lets the login go on in
    // plain FTP. Unset: it goes on.
    std::function<bool(const std::string& host, uint16_t port)> allowPlainLogin;
    // A transfer fails (as timed out) when fewer than lowSpeedBytes per
    // second arrive or leave, on average, over lowSpeedSeconds: a server
    // that trickles a byte now and then would otherwise hold it for ever,
    // since each wait alone stays under the time-out. 0 bytes: no limit.
    uint32_t lowSpeedBytes = GetDefaultLowSpeed().bytesPerSecond;
    int lowSpeedSeconds = GetDefaultLowSpeed().seconds;
    // Folders are listed in the server's machine form where it offers one
    // (exact sizes, UTC times to the second); off: always the classic
    // listing, for a server whose machine listing cannot be trusted.
    bool machineListing = true;
    // Asked while a session waits on the server (every few milliseconds):
    // true ends the wait at once, as cancelled, and closes the session,
    // since what was in flight can no longer be told apart. A cancel then
    // takes effect at once even when the server stopped answering, not
    // after the time-out. Unset: waits end only by data or time-out.
    std::function<bool()> cancelled;

    struct LowSpeed {
        uint32_t bytesPerSecond = 1;
        int seconds = 30;
    };
    // What new options start with (1 byte/s over 30 s, as curl's speed
    // time); set once at start-up by a program that lets its user choose.
    static LowSpeed GetDefaultLowSpeed();
    static void SetDefaultLowSpeed(LowSpeed limit);
};

}  // namespace velmora::protocol
