#include "ftp/protocol/ftp_trace.h"

#include <atomic>
#include <string>

#include "base/text.h"

namespace velmora::protocol {

namespace {

std::atomic<FtpTraceSink> g_sink{nullptr};
std::atomic<int> g_lastLabel{0};

std::string Label(int label) { return "[" + std::to_string(label) + "] "; }

// A line must not drive the terminal it is shown on: a name from a server
// (an SFTP path may hold any byte but "/" and NUL) goes out with its
// control characters as "?".
std::string Shown(std::string text) {
    for (char& c : text) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) c = '?';
    }
    return text;
}

// "PASS secret" -> "PASS ****": a trace is shown and kept, secrets are not.
std::string Masked(std::string_view command) {
    for (std::string_view verb : {"PASS", "ACCT"}) {
        if (command.size() > verb.size() && EqualsNoCase(command.substr(0, verb.size()), verb) &&
            command[verb.size()] == ' ')
            return std::string(verb) + " ****";
    }
    return std::string(command);
}

}  // namespace

void SetFtpTraceSink(FtpTraceSink sink) { g_sink = sink; }

int NextTraceLabel() { return ++g_lastLabel; }

void TraceCommand(int label, std::string_view command) {
    if (const FtpTraceSink sink = g_sink) sink(Label(label) + Shown("> " + Masked(command)));
}

void TraceReplyLine(int label, std::string_view line) {
    if (const FtpTraceSink sink = g_sink) sink(Label(label) + Shown("< " + std::string(line)));
}

}  // namespace velmora::protocol
