#include "ftp/protocol/ftp_trace.h"

#include <atomic>
#include <string>

#include "base/text.h"

namespace velmora::protocol {

namespace {

std::atomic<FtpTraceSink> g_sink{nullptr};
std::atomic<int> g_lastLabel{0};

std::string Label(int label) { return "[" + std::to_string(label) + "] "; }

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
    if (const FtpTraceSink sink = g_sink) sink(Label(label) + "> " + Masked(command));
}

void TraceReplyLine(int label, std::string_view line) {
    const FtpTraceSink sink = g_sink;
    if (!sink) return;
    // A reply must not drive the terminal it is shown on.
    std::string text = "< " + std::string(line);
    for (char& c : text) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) c = '?';
    }
    sink(Label(label) + text);
}

}  // namespace velmora::protocol
