#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

// What a server says it offers in its reply to FEAT (RFC 2389). The session
// reads it once, right after the greeting, and everything above the protocol
// asks this record instead of trying a command to find out:
//
//   const CFtpCapabilities& caps = connection.GetCapabilities();
//   if (caps.mlsd) ... list with MLSD ... else ... LIST ...
//   if (caps.mfmt) ... set the remote file's time ...
//
// A server that answers FEAT with an error has no record (`listed` false and
// every feature false): the session then behaves as it would without FEAT.
namespace velmora::protocol {

struct VELMORA_API CFtpCapabilities {
    bool listed = false;      // the server answered FEAT with its feature list
    bool utf8 = false;        // UTF8: names are UTF-8 (OPTS UTF8 ON is sent)
    bool mlsd = false;        // MLST: machine listings (MLST and MLSD)
    bool restStream = false;  // REST STREAM: a transfer may start at an offset
    bool size = false;        // SIZE
    bool mdtm = false;        // MDTM
    bool mfmt = false;        // MFMT: the client may set a file's modification time
    bool epsv = false;        // EPSV
    bool authTls = false;     // AUTH TLS
    // The MLST facts the server knows, lower case ("type", "size", "modify",
    // "perm", "unix.mode"), and those of them it sends without being asked.
    std::vector<std::string> mlstFacts;
    std::vector<std::string> mlstDefaultFacts;
    // HASH: the algorithms it computes, upper case as listed ("SHA-256"),
    // and the one it uses until OPTS HASH selects another (marked "*").
    std::vector<std::string> hashAlgorithms;
    std::string hashSelected;
    // The older commands that each compute one hash, upper case as listed:
    // "XSHA512", "XSHA256", "XSHA1", "XSHA", "XMD5", "MD5", "XCRC".
    std::vector<std::string> digestCommands;

    bool HasMlstFact(std::string_view fact) const;
    bool IsMlstFactOn(std::string_view fact) const;
    bool HasDigestCommand(std::string_view verb) const;
};

// Reads the text of a FEAT reply (its lines joined by "\n", code included).
// Anything but a 211 reply gives the empty record.
VELMORA_API CFtpCapabilities ParseFeatures(int replyCode, std::string_view text);

}  // namespace velmora::protocol
