#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// FTP replies (RFC 959) and the small parsers for the replies whose text
// carries a value. Everything here is pure text handling: replies are
// untrusted, so every parser validates and every size is bounded.
namespace velmora::protocol {

// Bounds for one reply: a server that sends an endless line or a multi-line
// reply that never ends fails cleanly instead of eating memory.
constexpr size_t kMaxReplyLineLength = 8192;
constexpr size_t kMaxReplyLines = 1000;
constexpr size_t kMaxReplySize = 64 * 1024;

struct CFtpReply {
    int code = 0;      // 100..599
    std::string text;  // every line of the reply, without line ends, joined by "\n"

    bool IsPreliminary() const { return code / 100 == 1; }
    bool IsPositive() const { return code / 100 == 2; }
    bool IsIntermediate() const { return code / 100 == 3; }
    bool IsNegative() const { return code / 100 == 4 || code / 100 == 5; }
    // The text of a one-line reply after its code: "215 UNIX Type: L8" -> "UNIX Type: L8".
    std::string Message() const;
};

// The text without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view text);

// Builds one reply from the lines of the control connection: "123-" starts a
// multi-line reply that runs to the first line beginning "123 " (or just
// "123"); lines in between may hold anything.
class CFtpReplyAssembler {
public:
    enum class EResult { NeedMore, Complete, Invalid };

    // `line` comes without its line end. After Complete the reply is in
    // GetReply(); after Invalid, GetProblem() says why.
    EResult AddLine(std::string_view line);
    const CFtpReply& GetReply() const { return m_reply; }
    const std::string& GetProblem() const { return m_problem; }

private:
    EResult Fail(std::string problem);

    CFtpReply m_reply;
    bool m_started = false;
    size_t m_lines = 0;
    std::string m_problem;
};

// The port of a "229 Entering Extended Passive Mode (|||port|)" reply.
bool ParseEpsvPort(std::string_view text, uint16_t& port);
// The port of a "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" reply. The
// address is deliberately not returned: data always goes to the server the
// control connection talks to.
bool ParsePasvPort(std::string_view text, uint16_t& port);
// The folder of a "257 "/a ""quoted"" name" is current" reply.
bool ParseQuotedFolder(std::string_view text, std::string& folder);
// "213 20240131120507" (or with fractions of a second) -> seconds since 1970, UTC.
bool ParseModificationTime(std::string_view text, int64_t& seconds);
// The time value alone, as in MDTM replies and MLSD "modify" facts:
// "20240131120507" or "20240131120507.123" (UTC).
bool ParseTimeValue(std::string_view value, int64_t& seconds);
// Seconds since 1970 (UTC) as such a value: "20240131120507".
std::string FormatTimeValue(int64_t seconds);
// "213 12345" -> 12345.
bool ParseFileSize(std::string_view text, uint64_t& size);

// The length a transfer's preliminary reply announces:
// "150 Opening BINARY mode data connection for a.bin (300000 bytes)".
bool ParseAnnouncedLength(std::string_view text, uint64_t& length);
// One entry of a machine listing (RFC 3659): facts, each ending in ";", one
// blank, then the name (which may hold blanks and ";" of its own), as MLSD
// sends a line per entry and MLST in the middle of its reply. The facts are
// kept as sent (unchecked text); those not asked for stay empty.
struct CMlstEntry {
    std::string type;  // "file", "dir", "cdir", "OS.unix=slink:/target", ...
    std::string size;
    std::string modify;
    std::string unixMode;
    // As the server names them: the name where it gives one, else the number.
    std::string owner;
    std::string group;
    std::string unique;  // the server's identity of the file
    std::string name;
};
// "type=file;size=6;modify=20241207071100; a b.txt". Fact names in any
// letter case. False when there is no name.
bool ParseMlstEntry(std::string_view line, CMlstEntry& entry);
// The entry of an MLST reply: "250-Listing a.txt\n type=file;...; /x/a.txt\n250 End".
bool ParseMlstReply(std::string_view text, CMlstEntry& entry);

// Cuts a text to at most `limit` bytes without splitting a UTF-8 character.
std::string TruncateUtf8(std::string_view text, size_t limit);

}  // namespace velmora::protocol
