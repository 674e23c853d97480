#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_data_stream.h"

namespace velmora::protocol {

constexpr size_t kBlock = 51200;

// Uploads `bytes` in blocks the way the transfer loops do.
inline bool Upload(CFtpConnection& ftp, const std::string& name, const std::string& bytes) {
    auto stream = ftp.OpenFile(name, EFtpAccess::Write);
    if (!stream) return false;
    for (size_t at = 0; at < bytes.size(); at += kBlock)
        if (!stream->Write(bytes.data() + at, std::min(kBlock, bytes.size() - at))) return false;
    return stream->Close();
}

// The whole remote file, or nothing when any step fails.
inline std::optional<std::string> Download(CFtpConnection& ftp, const std::string& name) {
    auto stream = ftp.OpenFile(name, EFtpAccess::Read);
    if (!stream) return std::nullopt;
    std::string bytes;
    std::string block(kBlock, '\0');
    size_t received = 0;
    do {
        if (!stream->Read(block.data(), block.size(), received)) return std::nullopt;
        bytes.append(block, 0, received);
    } while (received > 0);
    if (!stream->Close()) return std::nullopt;
    return bytes;
}

}  // namespace velmora::protocol
