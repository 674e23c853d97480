#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/sftp_packet.h"
#include "ftp/protocol/ssh_connection.h"
#include "platform/api.h"

// The client side of the SSH file transfer protocol, version 3, over one SSH
// channel. Requests carry ids and the server answers each by its id, so many
// may be in flight: file reads and writes keep up to 64 blocks of 32 KiB
// outstanding, as OpenSSH's client does, and a long round trip costs little.
//
//   CSftpChannel sftp(connection, timeoutMs);
//   if (!sftp.Start(error)) ...
//   CSftpAttributes attributes;
//   sftp.Stat("/in/a.bin", attributes);
//
// Replies that arrive for requests nobody waits for any more (an abandoned
// transfer's blocks) are read and dropped, so the channel stays usable.
namespace velmora::protocol {

class VELMORA_API CSftpChannel {
public:
    CSftpChannel(CSshConnection& connection, int timeoutMs) : m_connection(connection), m_timeoutMs(timeoutMs) {}

    // INIT and VERSION: the server's protocol version and extensions.
    bool Start();
    bool HasExtension(const std::string& name) const { return m_extensions.count(name) != 0; }
    uint32_t GetVersion() const { return m_version; }

    bool RealPath(const std::string& path, std::string& resolved);
    bool Stat(const std::string& path, CSftpAttributes& attributes);   // follows links
    bool LStat(const std::string& path, CSftpAttributes& attributes);  // the link itself
    bool SetStat(const std::string& path, const CSftpAttributes& attributes);
    bool Remove(const std::string& path);
    bool MakeFolder(const std::string& path);
    bool RemoveFolder(const std::string& path);
    // Replaces an existing target where the server can (posix-rename@openssh.com).
    bool Rename(const std::string& from, const std::string& to);

    // One entry of a folder listing.
    struct Entry {
        std::string name;
        CSftpAttributes attributes;
    };
    // Every entry of `folder`, handed to `add` as it comes; `add` answers
    // false to stop early.
    bool ListFolder(const std::string& folder, const std::function<bool(Entry&&)>& add);

    // Whether the server computes digests (check-file-name). Servers that
    // speak version 3 need not list the extension: one request asks, sent
    // with the next request so that it costs no round trip of its own.
    uint32_t SendCheckFileProbe();
    void ReadCheckFileProbe(uint32_t id);
    bool OffersCheckFile() const { return m_checkFile; }
    // The server's digest of a file with the first of `algorithms` it
    // offers ("sha256,sha1,md5"), over [from, from + length), length 0 for
    // all (check-file-name). `algorithm` tells which one it used.
    bool CheckFile(const std::string& path, const std::string& algorithms, uint64_t from, uint64_t length,
                   std::string& algorithm, std::string& digest);

    // A file handle: OPEN with `flags` (sftp::EOpenFlag) and CLOSE.
    bool Open(const std::string& path, uint32_t flags, std::string& handle);
    bool CloseHandle(const std::string& handle);
    // CLOSE without waiting for its answer (an abandoned transfer).
    void CloseHandleLater(const std::string& handle);

    // The pieces that pipelined transfers are made of: send a request and
    // get its id; wait for the answer to one id (the answers to other ids
    // that come first are kept for their turn); or give up on an id.
    bool Send(CSftpMessage& message);
    bool Await(uint32_t id, CSftpReply& reply);
    void Abandon(uint32_t id);
    uint32_t NextId() { return m_nextId++; }
    // How many requests are out without an answer read.
    size_t Outstanding() const { return m_waiting.size(); }

    // Turns a STATUS reply into success (OK) or the error it names; any
    // other type is a protocol failure.
    bool CheckStatus(const CSftpReply& reply);
    // Records a failure.
    bool Fail(EFtpError code, std::string text);
    const CFtpError& GetError() const { return m_error; }
    // The status code of the last refusal (sftp::EStatus), 0 when none.
    uint32_t GetLastStatus() const { return m_lastStatus; }
    int GetTimeoutMs() const { return m_timeoutMs; }
    bool IsUsable() const { return m_connection.IsOpen(); }
    int GetTraceLabel() const { return m_connection.GetTraceLabel(); }

private:
    bool Exchange(CSftpMessage& message, CSftpReply& reply);
    // One request and its answer, which must be of type `answer` (a status
    // answer to a request that wants another is its refusal).
    bool Ask(CSftpMessage& message, sftp::EType answer, CSftpReply& reply);
    bool AskPath(sftp::EType type, const std::string& path, sftp::EType answer, CSftpReply& reply);
    bool ReadHandle(const CSftpReply& reply, std::string& handle);
    bool ExpectStatus(sftp::EType type, const std::string& path);
    bool ExpectAttributes(sftp::EType type, const std::string& path, CSftpAttributes& attributes);
    // Reads one message body from the channel.
    bool ReceiveMessage(std::string& body);

    CSshConnection& m_connection;
    int m_timeoutMs;
    uint32_t m_version = 0;
    std::map<std::string, std::string> m_extensions;
    uint32_t m_nextId = 1;
    std::set<uint32_t> m_waiting;                        // sent, answer not yet read
    std::unordered_map<uint32_t, CSftpReply> m_arrived;  // answered before their turn
    std::set<uint32_t> m_abandoned;                      // answers to drop
    std::string m_input;                                 // bytes read from the channel, not yet a message
    size_t m_inputStart = 0;
    std::unique_ptr<char[]> m_receiveBuffer;
    size_t m_receivedSinceTopUp = 0;  // since a read last topped the channel's window up
    CFtpError m_error;
    uint32_t m_lastStatus = 0;
    bool m_checkFile = false;
};

}  // namespace velmora::protocol
