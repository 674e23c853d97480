#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api.h"

// The messages of the SSH file transfer protocol, version 3: what a client
// sends and how it reads what the server answers. Pure encoding, no I/O, so
// that every message can be checked without a server.
//
// A message on the channel is uint32 length, byte type, then (for all but
// INIT and VERSION) uint32 request id and the fields of the type.
namespace velmora::protocol {

namespace sftp {

enum EType : uint8_t {
    Init = 1,
    Version = 2,
    Open = 3,
    Close = 4,
    Read = 5,
    Write = 6,
    LStat = 7,
    FStat = 8,
    SetStat = 9,
    OpenDir = 11,
    ReadDir = 12,
    Remove = 13,
    MkDir = 14,
    RmDir = 15,
    RealPath = 16,
    Stat = 17,
    Rename = 18,
    Status = 101,
    Handle = 102,
    Data = 103,
    Name = 104,
    Attrs = 105,
    Extended = 200,
    ExtendedReply = 201,
};

enum EOpenFlag : uint32_t {
    OpenRead = 0x01,
    OpenWrite = 0x02,
    OpenAppend = 0x04,
    OpenCreate = 0x08,
    OpenTruncate = 0x10,
};

enum EStatus : uint32_t {
    Ok = 0,
    Eof = 1,
    NoSuchFile = 2,
    PermissionDenied = 3,
    Failure = 4,
    BadMessage = 5,
    NoConnection = 6,
    ConnectionLost = 7,
    Unsupported = 8,
};

enum EAttrFlag : uint32_t {
    AttrSize = 0x01,
    AttrUidGid = 0x02,
    AttrPermissions = 0x04,
    AttrTimes = 0x08,
    AttrExtended = 0x80000000,
};

// The file-type bits of the permissions field (as in stat's st_mode).
constexpr uint32_t kTypeMask = 0170000;
constexpr uint32_t kTypeFolder = 0040000;
constexpr uint32_t kTypeLink = 0120000;
constexpr uint32_t kTypeRegular = 0100000;

// The largest message we accept from a server: a DATA reply to our largest
// read, or a NAME reply of a folder listing, with room to spare.
constexpr uint32_t kMaxMessage = 256 * 1024;
// The block of one READ or WRITE request, as OpenSSH's client uses.
constexpr uint32_t kBlock = 32 * 1024;

}  // namespace sftp

// The attributes of a file as the protocol carries them; each field is
// present only when the server sent it.
struct VELMORA_API CSftpAttributes {
    std::optional<uint64_t> size;
    std::optional<uint32_t> permissions;  // with the file-type bits
    std::optional<uint32_t> accessTime;   // seconds since 1970, UTC
    std::optional<uint32_t> modifiedTime;

    bool IsFolder() const { return permissions && (*permissions & sftp::kTypeMask) == sftp::kTypeFolder; }
    bool IsLink() const { return permissions && (*permissions & sftp::kTypeMask) == sftp::kTypeLink; }
};

// Builds one message. The length is filled in by Finish.
class VELMORA_API CSftpMessage {
public:
    // A request with an id (every type but INIT).
    CSftpMessage(sftp::EType type, uint32_t id);
    // INIT: the version we speak.
    static CSftpMessage MakeInit();

    CSftpMessage& Byte(uint8_t value);
    CSftpMessage& Uint32(uint32_t value);
    CSftpMessage& Uint64(uint64_t value);
    CSftpMessage& String(std::string_view text);
    CSftpMessage& Attributes(const CSftpAttributes& attributes);
    // Raw bytes that the message carries as one string (WRITE's data).
    CSftpMessage& Data(const void* data, size_t size);

    // The whole message, length first.
    const std::string& Finish();
    // The request id (0 for INIT).
    uint32_t GetId() const { return m_id; }

private:
    CSftpMessage() = default;
    std::string m_bytes;
    uint32_t m_id = 0;
};

// Reads the fields of one message body (the bytes after the length). Every
// read checks the remaining length: a short or malformed message makes the
// reader fail, and stay failed, instead of reading past its end.
class VELMORA_API CSftpReader {
public:
    explicit CSftpReader(std::string_view body) : m_rest(body) {}

    bool Byte(uint8_t& value);
    bool Uint32(uint32_t& value);
    bool Uint64(uint64_t& value);
    bool String(std::string_view& text);
    bool Attributes(CSftpAttributes& attributes);
    // What is left, unread.
    std::string_view Rest() const { return m_rest; }
    bool Failed() const { return m_failed; }

private:
    bool Take(size_t size, std::string_view& bytes);
    std::string_view m_rest;
    bool m_failed = false;
};

// A server's answer to one request: its type, id and the fields after them.
struct VELMORA_API CSftpReply {
    uint8_t type = 0;
    uint32_t id = 0;
    std::string body;  // the fields after type and id

    // For a STATUS reply: its code and message; false for another type or a
    // malformed status.
    bool ReadStatus(uint32_t& code, std::string& message) const;
};

// Splits a message body (type, id, fields) into a reply; false when it is
// too short to hold a type and an id.
VELMORA_API bool ParseSftpReply(std::string_view body, CSftpReply& reply);

// "No such file" for a status code, for a server that sends no message.
VELMORA_API const char* SftpStatusText(uint32_t code);

// The name of an open mode for a trace: "READ", "WRITE,CREATE,TRUNCATE".
VELMORA_API std::string SftpOpenFlagsText(uint32_t flags);
// What attributes hold, for the protocol trace: "file mode 0644 size 100000
// mtime 1700000000"; "nothing" when they hold nothing.
VELMORA_API std::string SftpAttributesText(const CSftpAttributes& attributes);

}  // namespace velmora::protocol
