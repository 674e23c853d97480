#pragma once

#include <cstddef>
#include <string>

#include "platform/api.h"

namespace velmora {

// The process's one text log. CLogFile objects are light handles: the file,
// its name, the pending text and the switches are shared by all of them, so
// every part of the program writes into the same log through whatever handle
// it holds. Text collects in memory and is written to the file in batches,
// once the log is ready (allowed, opened, and the open did not fail).
//
// The shared state is guarded by one lock, so handles may be used from any
// thread: each call appends its text whole and in call order. While the text
// cannot be written it is kept up to kMaxPendingText bytes; beyond that the
// oldest whole lines are dropped, and the first text written afterwards
// begins with a line that says how much was lost. File errors are never
// reported by exceptions: a failed open leaves the log not ready, a failed
// write keeps the unwritten text pending.
class VELMORA_API CLogFile {
public:
    static constexpr size_t kMaxPendingText = size_t{4} << 20;
    // Pending text of a ready log is written once it reaches this size.
    static constexpr size_t kWriteBatch = size_t{64} << 10;

    CLogFile();
    // Opens the log as Open(path).
    explicit CLogFile(const std::string& path);
    // Handles have no state of their own to copy.
    CLogFile(const CLogFile&) {}
    CLogFile& operator=(const CLogFile&) { return *this; }
    virtual ~CLogFile();

    // Opens the file for appending (created when missing). An empty path
    // keeps an open file, or names "<current folder>/<program name>.log".
    bool Open(const std::string& path);
    // Writes the pending text when it can, closes the file, and lets a later
    // Open or Resume try again after a failed open.
    void Close();
    void Suspend() { Close(); }
    // Opens the file that was last named.
    bool Resume();
    // For a process that opens no log: text added while no file is open is
    // dropped instead of kept for one (and pending text goes now). Open
    // keeps text again.
    void KeepNothingWhileClosed();
    bool IsOpen() const;
    bool IsReady() const;
    std::string GetFilePathName() const;

    // Logging is allowed only when one of the switches (split at "-", "/"
    // and blanks) equals the key; both are compared in upper case.
    void Enable(const std::string& switches, const std::string& key);

    // Appends to the pending text; writes it only once kWriteBatch bytes are pending.
    void Add(const std::string& text);
    // Appends the text, then writes all pending text when the log is ready.
    void Flush(const std::string& text = std::string());
    void Write(const std::string& text) { Flush(text); }
    CLogFile& operator<<(const std::string& text) {
        Write(text);
        return *this;
    }
    // "%-10s : %s  %-50s" with the label, the time (when asked) and the text.
    void Write(const std::string& label, const std::string& text, bool withTime);

    // Header and footer lines, written only when the log is ready.
    void StartApp(const std::string& text);
    void ExitApp(const std::string& text);
    void OS();
    void Begin(const std::string& text);
    // Always made; written when the log is ready, else left pending.
    void End(const std::string& text);
    void Log(const std::string& text);

    // The text not yet written.
    std::string GetPendingText() const;

private:
    struct State;
    static State& Shared();
    static std::string LabelledLine(const std::string& label, const std::string& text, bool withTime);
    // Writes the line only when the log is ready, as one step.
    void WriteWhenReady(const std::string& line);
};

}  // namespace velmora
