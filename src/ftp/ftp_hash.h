#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ftp/protocol/ftp_capabilities.h"

// How an FTP server is asked for a file's hash: HASH, whose algorithm OPTS
// HASH selects, where it computes the one wanted, else the older command of
// that one algorithm (XSHA512, XSHA256, XSHA1, XMD5, MD5, XCRC).
namespace velmora {

struct CFtpHashCommand {
    std::string verb;  // empty: the server computes no such hash
    bool IsHash() const { return verb == "HASH"; }
};

// The algorithms the server computes by any of its commands, strongest
// first: "SHA-512", "SHA-256", "SHA-1", "MD5", "CRC32".
std::vector<std::string> OfferedHashes(const protocol::CFtpCapabilities& caps);
CFtpHashCommand HashCommandFor(const protocol::CFtpCapabilities& caps, std::string_view algorithm);
// The command line that asks for the hash of `name` (in the current
// folder); false when the command cannot carry that name (the older
// commands take a name with a blank only in quotes, which then may not
// hold one).
bool HashCommandLine(const CFtpHashCommand& command, const std::string& name, std::string& line);
// The digest (lower-case hex) in the text of a positive reply to `command`
// for `algorithm`, and for HASH the algorithm the reply names; false when
// the reply holds no digest of that algorithm's length.
bool ParseHashReply(const CFtpHashCommand& command, std::string_view algorithm, std::string_view replyText,
                    std::string& digest, std::string& replyAlgorithm);

}  // namespace velmora
