#include "ftp/protocol/sftp_packet.h"

#include <cstring>

#include "base/format.h"

namespace velmora::protocol {

namespace {

constexpr uint32_t kProtocolVersion = 3;

void PutUint32(std::string& bytes, uint32_t value) {
    const char b[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                       static_cast<char>(value)};
    bytes.append(b, 4);
}

uint32_t GetUint32(std::string_view bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

}  // namespace

CSftpMessage::CSftpMessage(sftp::EType type, uint32_t id) : m_id(id) {
    m_bytes.assign(4, '\0');
    m_bytes.push_back(static_cast<char>(type));
    PutUint32(m_bytes, id);
}

CSftpMessage CSftpMessage::MakeInit() {
    CSftpMessage message;
    message.m_bytes.assign(4, '\0');
    message.m_bytes.push_back(static_cast<char>(sftp::Init));
    PutUint32(message.m_bytes, kProtocolVersion);
    return message;
}

CSftpMessage& CSftpMessage::Byte(uint8_t value) {
    m_bytes.push_back(static_cast<char>(value));
    return *this;
}

CSftpMessage& CSftpMessage::Uint32(uint32_t value) {
    PutUint32(m_bytes, value);
    return *this;
}

CSftpMessage& CSftpMessage::Uint64(uint64_t value) {
    PutUint32(m_bytes, static_cast<uint32_t>(value >> 32));
    PutUint32(m_bytes, static_cast<uint32_t>(value));
    return *this;
}

CSftpMessage& CSftpMessage::String(std::string_view text) { return Data(text.data(), text.size()); }

CSftpMessage& CSftpMessage::Data(const void* data, size_t size) {
    PutUint32(m_bytes, static_cast<uint32_t>(size));
    m_bytes.append(static_cast<const char*>(data), size);
    return *this;
}

CSftpMessage& CSftpMessage::Attributes(const CSftpAttributes& attributes) {
    uint32_t flags = 0;
    if (attributes.size) flags |= sftp::AttrSize;
    if (attributes.permissions) flags |= sftp::AttrPermissions;
    // The protocol sends both times or neither: a missing one takes the other's value.
    const bool times = attributes.accessTime || attributes.modifiedTime;
    if (times) flags |= sftp::AttrTimes;
    Uint32(flags);
    if (attributes.size) Uint64(*attributes.size);
    if (attributes.permissions) Uint32(*attributes.permissions);
    if (times) {
        Uint32(attributes.accessTime.value_or(*attributes.modifiedTime));
        Uint32(attributes.modifiedTime.value_or(*attributes.accessTime));
    }
    return *this;
}

const std::string& CSftpMessage::Finish() {
    const uint32_t length = static_cast<uint32_t>(m_bytes.size() - 4);
    std::string prefix;
    PutUint32(prefix, length);
    std::memcpy(m_bytes.data(), prefix.data(), 4);
    return m_bytes;
}

bool CSftpReader::Take(size_t size, std::string_view& bytes) {
    if (m_failed || m_rest.size() < size) {
        m_failed = true;
        return false;
    }
    bytes = m_rest.substr(0, size);
    m_rest.remove_prefix(size);
    return true;
}

bool CSftpReader::Byte(uint8_t& value) {
    std::string_view bytes;
    if (!Take(1, bytes)) return false;
    value = static_cast<uint8_t>(bytes[0]);
    return true;
}

bool CSftpReader::Uint32(uint32_t& value) {
    std::string_view bytes;
    if (!Take(4, bytes)) return false;
    value = GetUint32(bytes);
    return true;
}

bool CSftpReader::Uint64(uint64_t& value) {
    uint32_t high = 0, low = 0;
    if (!Uint32(high) || !Uint32(low)) return false;
    value = uint64_t{high} << 32 | low;
    return true;
}

bool CSftpReader::String(std::string_view& text) {
    uint32_t size = 0;
    return Uint32(size) && Take(size, text);
}

bool CSftpReader::Attributes(CSftpAttributes& attributes) {
    attributes = {};
    uint32_t flags = 0;
    if (!Uint32(flags)) return false;
    if (flags & sftp::AttrSize) {
        uint64_t size = 0;
        if (!Uint64(size)) return false;
        attributes.size = size;
    }
    if (flags & sftp::AttrUidGid) {
        uint32_t uid = 0, gid = 0;
        if (!Uint32(uid) || !Uint32(gid)) return false;
    }
    if (flags & sftp::AttrPermissions) {
        uint32_t permissions = 0;
        if (!Uint32(permissions)) return false;
        attributes.permissions = permissions;
    }
    if (flags & sftp::AttrTimes) {
        uint32_t accessed = 0, modified = 0;
        if (!Uint32(accessed) || !Uint32(modified)) return false;
        attributes.accessTime = accessed;
        attributes.modifiedTime = modified;
    }
    if (flags & sftp::AttrExtended) {
        uint32_t count = 0;
        if (!Uint32(count)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            std::string_view name, value;
            if (!String(name) || !String(value)) return false;
        }
    }
    return true;
}

bool CSftpReply::ReadStatus(uint32_t& code, std::string& message) const {
    if (type != sftp::Status) return false;
    CSftpReader reader(body);
    if (!reader.Uint32(code)) return false;
    // Version 3 servers send a message and a language tag; early ones send neither.
    std::string_view text;
    message = reader.String(text) ? std::string(text) : std::string();
    return true;
}

bool ParseSftpReply(std::string_view body, CSftpReply& reply) {
    CSftpReader reader(body);
    if (!reader.Byte(reply.type) || !reader.Uint32(reply.id)) return false;
    reply.body.assign(reader.Rest());
    return true;
}

const char* SftpStatusText(uint32_t code) {
    switch (code) {
    case sftp::Ok: return "Success";
    case sftp::Eof: return "End of file";
    case sftp::NoSuchFile: return "No such file";
    case sftp::PermissionDenied: return "Permission denied";
    case sftp::Failure: return "Failure";
    case sftp::BadMessage: return "Bad message";
    case sftp::NoConnection: return "No connection";
    case sftp::ConnectionLost: return "Connection lost";
    case sftp::Unsupported: return "Operation unsupported";
    default: return "Unknown error";
    }
}

std::string SftpOpenFlagsText(uint32_t flags) {
    static const std::pair<uint32_t, const char*> kNames[] = {
        {sftp::OpenRead, "READ"},     {sftp::OpenWrite, "WRITE"},       {sftp::OpenAppend, "APPEND"},
        {sftp::OpenCreate, "CREATE"}, {sftp::OpenTruncate, "TRUNCATE"},
    };
    std::string text;
    for (const auto& [flag, name] : kNames) {
        if (!(flags & flag)) continue;
        if (!text.empty()) text += ',';
        text += name;
    }
    return text;
}

std::string SftpAttributesText(const CSftpAttributes& attributes) {
    std::string text;
    const auto add = [&text](const std::string& piece) { text += (text.empty() ? "" : " ") + piece; };
    if (attributes.permissions) {
        const uint32_t type = *attributes.permissions & sftp::kTypeMask;
        if (type != 0) {
            add(attributes.IsFolder() ? "folder" : attributes.IsLink() ? "link" : type == sftp::kTypeRegular ? "file"
                                                                                                                : "special");
        }
        add(Format("mode %04o", *attributes.permissions & 07777));
    }
    if (attributes.size) add(Format("size %llu", static_cast<unsigned long long>(*attributes.size)));
    if (attributes.modifiedTime) add(Format("mtime %u", *attributes.modifiedTime));
    return text.empty() ? "nothing" : text;
}

}  // namespace velmora::protocol
