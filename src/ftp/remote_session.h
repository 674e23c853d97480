#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/session_options.h"
#include "ftp/tls_trust.h"
#include "platform/api.h"

namespace velmora {

class CFtpDir;
class CFtpLoginInfo;

// What a caller must tell apart about a failed remote operation.
enum class ERemoteError {
    None,
    Refused,       // the server refused this operation on this path for good (550, no such file, permission)
    Busy,          // the server refused it for now (a 4xx reply): the same step may succeed later
    Lost,          // the connection broke, timed out or stalled: reconnect and take the work up again
    Unreachable,   // no connection could be made: the host is unknown, refuses or is not available now
    LoginRefused,  // the server refused the user, password or key
    Untrusted,     // the server's certificate or host key is not trusted
    PlainRefused,  // the server offers no encryption and the password was not to go in clear: it was not sent
    Unsupported,   // the server offers no way to do this
    Usage,         // not connected, a stream still open, a name that cannot be sent
};

// A failure that may pass by itself: worth a reconnect, or a retry after a pause.
inline bool IsTransient(ERemoteError kind) {
    return kind == ERemoteError::Busy || kind == ERemoteError::Lost || kind == ERemoteError::Unreachable;
}

// What a server tells of one of its files or folders.
struct CRemoteFacts {
    bool exists = false;
    bool folder = false;
    bool link = false;
    std::optional<uint64_t> size;
    // Last write time in 100-ns units since 1601-01-01 UTC; 0 when unknown.
    uint64_t modified = 0;
    // How exact `modified` is, in the same units: a second for a machine
    // listing, MDTM or SFTP; a minute or a day for a listing that shows
    // less. 0 when unknown.
    uint64_t precision = 0;
    // A server's identity of the file (MLSD "unique"); empty when not offered.
    std::string unique;
};

// Which facts a caller needs (a mask for CRemoteSession::GetFactsOnly).
enum ERemoteFact : unsigned {
    FactSize = 1,
    FactTime = 2,
    FactKind = 4,  // whether the path is a folder
    FactAll = FactSize | FactTime | FactKind,
};

// What a session can do beyond the basic operations, as far as the server
// said so (or as far as trying told). Callers ask this record instead of
// sending a command to find out.
struct CRemoteFeatures {
    bool restart = false;       // reading and writing from an offset
    bool append = false;        // appending to a file (APPE, or SFTP's offset write)
    bool setTime = false;       // giving a written file a modification time
    bool exactListing = false;  // listings carry exact sizes and UTC times
    bool permissions = false;   // changing a file's permission bits
    // The hash algorithms the server computes, strongest first (upper case:
    // "SHA-512", "SHA-256", "SHA-1", "MD5", "CRC32"); empty when none.
    std::vector<std::string> hashes;
};

// One transfer of a remote file, opened by a session. Reading: Read until
// it answers true with 0 bytes, then Close, which alone tells whether the
// server confirmed the transfer. Writing: Write every block, then Close.
// Abort (or destroying the stream) abandons it; the session stays usable.
// A stream must end before its session is used for anything else.
class VELMORA_API CRemoteStream {
public:
    virtual ~CRemoteStream() = default;

    virtual bool Read(void* buffer, size_t size, size_t& received) = 0;
    virtual bool Write(const void* data, size_t size) = 0;
    virtual bool Close() = 0;
    virtual void Abort() = 0;

    virtual bool IsUpload() const = 0;
    // Bytes read or written through this stream (not counting its offset).
    virtual uint64_t GetByteCount() const = 0;
    // The length the server announced when the transfer began (an FTP 150
    // reply's "(N bytes)"); empty when it announced none.
    virtual std::optional<uint64_t> GetAnnouncedLength() const { return std::nullopt; }
    // Whether the server acknowledged each block written, one by one, so
    // that an upload whose Close succeeded needs no asking of the size it
    // left (an FTP server may take a broken connection for the end of the
    // file; an SFTP server answers every write).
    virtual bool AcknowledgesEveryBlock() const { return false; }
    virtual const std::string& GetLastError() const = 0;
    virtual ERemoteError GetLastErrorKind() const = 0;
};

// How a stream for writing begins.
enum class ERemoteWrite {
    Replace,  // a new file, or the existing one emptied; from `offset` when it is not 0 (REST)
    Append,   // at the end of what the server holds
};

// A logged-in session with a file server, whatever its protocol: everything
// above the FTP access layer (engine, command line, desktop) reaches a server
// through this interface, so that a second protocol is a second
// implementation of it. Paths are absolute server paths with "/" between
// levels. Every operation answers false (or null) on failure and keeps the
// reason as GetLastError()/GetLastErrorKind(). A session is used by one
// thread at a time.
class VELMORA_API CRemoteSession {
public:
    virtual ~CRemoteSession() = default;

    // Logs in to the server `login` names (its TLS settings included) with
    // `options`; a session that is open is closed first. The same object
    // may be connected again after a Close or a lost connection, so that
    // whoever holds it keeps holding a good session. False with the reason:
    // LoginRefused, Untrusted (GetPeerCertificate() shows what the server
    // presented), Unreachable, Busy, Lost or Usage.
    virtual bool Connect(const CFtpLoginInfo& login, const CSessionOptions& options) = 0;
    // Says goodbye and closes; an open stream is abandoned. Safe to call twice.
    virtual void Close() = 0;

    // "ftp", "ftps" or "sftp"; the host and port as connected.
    virtual std::string GetScheme() const = 0;
    virtual const std::string& GetHost() const = 0;
    virtual uint16_t GetPort() const = 0;
    virtual bool IsConnected() const = 0;
    virtual const CRemoteFeatures& GetFeatures() const = 0;
    // The folder the server put the session in when it logged in.
    virtual const std::string& GetHomeFolder() const = 0;
    // How the session is protected ("TLSv1.3", ...); empty when it is not.
    virtual std::string GetEncryption() const = 0;
    // The TLS certificate the server presented at the last Connect, kept
    // after a refusal; empty for a session without TLS (an SSH server
    // proves itself by its host key instead).
    virtual const CCertificateInfo& GetPeerCertificate() const = 0;
    // The server's own description of its system ("UNIX Type: L8"); empty
    // when it gives none.
    virtual std::string GetSystemType() = 0;

    // The entries of `folder`, in the server's order, without "." and "..";
    // names that are not safe as one path level are left out and passed to
    // `refused` (folder + name, control characters shown as "?"). `add`
    // answers false to stop the listing early (a bound was reached).
    using EntrySink = std::function<bool(CFtpDir&& entry)>;
    using RefusedSink = std::function<void(const std::string& entry)>;
    virtual bool List(const std::string& folder, const EntrySink& add, const RefusedSink& refused) = 0;
    // Size, time and kind of one path, asked in as few round trips as the
    // server allows; `facts.exists` false (and true answered) when the
    // server says there is no such file.
    virtual bool GetFacts(const std::string& path, CRemoteFacts& facts) = 0;
    // The same where only the facts in `wanted` (ERemoteFact bits) are
    // needed: a server that tells them in fewer round trips than all facts
    // is asked only for those (FTP without machine facts: SIZE alone, or
    // MDTM alone). The other facts may stay unknown.
    virtual bool GetFactsOnly(const std::string& path, unsigned wanted, CRemoteFacts& facts) {
        (void)wanted;
        return GetFacts(path, facts);
    }
    // The exact modification times of files a caller will need them all
    // of: a protocol that lets the questions go together asks them in a
    // round trip per batch, not one per file. `times` gets a FILETIME per
    // path, 0 where the server told none; false only when the session failed.
    virtual bool AskModifiedTimes(const std::vector<std::string>& paths, std::vector<uint64_t>& times);
    // Whether `path` names a folder the session can enter (a link to one
    // counts), false otherwise (Refused) or on a failure. With `target`:
    // where it leads, as the server names the folder once links are
    // followed (the path itself where the server does not resolve links).
    virtual bool IsFolder(const std::string& path, std::string* target = nullptr) = 0;

    virtual std::unique_ptr<CRemoteStream> OpenRead(const std::string& path, uint64_t offset) = 0;
    virtual std::unique_ptr<CRemoteStream> OpenWrite(const std::string& path, uint64_t offset,
                                                     ERemoteWrite mode) = 0;

    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool MakeFolder(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    // `fileTime` in 100-ns units since 1601 UTC.
    virtual bool SetModifiedTime(const std::string& path, uint64_t fileTime) = 0;
    virtual bool SetPermissions(const std::string& path, uint32_t mode) = 0;
    // The server's digest of the file (lower-case hex) with one of
    // GetFeatures().hashes, over bytes [from, to) where `to` is not 0.
    virtual bool Hash(const std::string& path, const std::string& algorithm, uint64_t from, uint64_t to,
                      std::string& digest) = 0;
    // Something harmless when idle for `idleSeconds`, so that the server
    // keeps the session; false when the session is gone.
    virtual bool KeepAlive(int idleSeconds) = 0;

    virtual const std::string& GetLastError() const = 0;
    virtual ERemoteError GetLastErrorKind() const = 0;
};

// A listed name as a log or a refusal may show it: control characters as
// "?", bytes that are no UTF-8 as "\xNN".
VELMORA_API std::string PrintableName(std::string_view name);

// Whether a download that ended brought the whole file. `expected` is the
// file's length as known before the transfer (0: unknown; the length the
// server announced then counts); `offset` is where the stream started.
// False with the reason in `error` when fewer or more bytes came; `shorter`
// tells a transfer cut short (worth taking up again) from a file that
// changed meanwhile.
VELMORA_API bool CheckReadLength(const CRemoteStream& stream, uint64_t offset, uint64_t expected, std::string& error,
                                 bool& shorter);

}  // namespace velmora
