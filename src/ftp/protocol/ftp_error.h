#pragma once

#include <string>

// What went wrong in an FTP operation, in a form a caller can act on: the
// kind decides whether retrying later makes sense, the text can be shown.
namespace velmora::protocol {

enum class EFtpError {
    None,
    Connect,       // the host could not be resolved or reached, or the server is not available now
    TimedOut,      // a wait exceeded its time-out
    Closed,        // the connection was dropped (closed or reset by the server)
    LoginRefused,  // the server refused the user, password or account
    Refused,       // the server answered a command with a negative reply
    Protocol,      // a reply broke the protocol or one of its size limits
    Usage,         // not connected, a transfer still open, a name that cannot be sent...
    Certificate,   // the server's TLS certificate is not trusted (the text shows its details)
    PlainRefused,  // the server offers no TLS and plain FTP was not allowed: the password was not sent
    Cancelled,     // the caller cancelled a wait (CSessionOptions::cancelled): the connection is closed
};

// A failure that may go away by itself: the engine retries a login only for these.
inline bool IsTransient(EFtpError code) {
    return code == EFtpError::Connect || code == EFtpError::TimedOut || code == EFtpError::Closed;
}

struct CFtpError {
    EFtpError code = EFtpError::None;
    std::string text;  // e.g. "Connection timed out", or the server's reply "550 No such file."

    bool Set(EFtpError newCode, std::string newText) {
        code = newCode;
        text = std::move(newText);
        return false;  // so that a failure path can `return error.Set(...)`
    }
};

}  // namespace velmora::protocol
