#include "messaging/log_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/format.h"
#include "base/system_info.h"
#include "base/text.h"
#include "platform/clock.h"

namespace velmora {

namespace {

// The program's own name, for the default log name.
std::string ProgramName() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string name = error ? std::string() : program.stem().string();
    return name.empty() ? std::string("velmora") : name;
}

std::string DefaultLogName() {
    std::string folder = GetCurrentDirectoryW();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + ProgramName() + ".log";
}

// Writes as much of the text as the file takes; answers how much that was.
size_t WriteText(std::FILE* file, const std::string& text) {
    if (text.empty()) return 0;
    const size_t written = std::fwrite(text.data(), 1, text.size(), file);
    if (written < text.size()) std::clearerr(file);
    return written;
}

}  // namespace

// The class-wide state. Every member is used only under `mutex`.
struct CLogFile::State {
    std::mutex mutex;
    bool m_bAllowed = true;
    bool m_bFail = false;
    bool m_bKeepWhileClosed = true;
    std::FILE* m_file = nullptr;
    std::string m_strFilePathName;
    std::string m_strLogText;
    uint64_t droppedBytes = 0;
    uint64_t droppedLines = 0;

    bool Ready() const { return m_bAllowed && !m_bFail && m_file; }

    bool Open(const std::string& path) {
        m_bKeepWhileClosed = true;
        if (m_bFail || !m_bAllowed) return false;
        const bool keepOpen = path.empty() ? !m_strFilePathName.empty() : path == m_strFilePathName;
        if (m_file && keepOpen) return true;
        Close();
        m_strFilePathName = path.empty() ? DefaultLogName() : path;
        // "e": the log's descriptor is not handed to programs we start.
        m_file = std::fopen(m_strFilePathName.c_str(), "abe");
        if (m_file) {
            // Unbuffered, so that a write's count says what reached the file.
            std::setvbuf(m_file, nullptr, _IONBF, 0);
        } else {
            m_bFail = true;
        }
        return !m_bFail;
    }

    void Close() {
        WritePending();
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        m_bFail = false;
    }

    void Append(const std::string& text) {
        if (!m_bKeepWhileClosed && !m_file) return;
        m_strLogText += text;
        // A log that can be written gets its text in batches as it comes, not
        // only at the next flush: a long job keeps no megabytes of it.
        if (Ready() && m_strLogText.size() >= kWriteBatch) WritePending();
        if (m_strLogText.size() <= kMaxPendingText) return;
        WritePending();
        if (m_strLogText.size() > kMaxPendingText) DropOldestLines();
    }

    void WritePending() {
        if (!Ready() || m_strLogText.empty()) return;
        if (droppedBytes > 0 && !WriteDroppedNote()) return;
        m_strLogText.erase(0, WriteText(m_file, m_strLogText));
        std::fflush(m_file);
    }

    // Keeps three quarters of the limit, so that dropping is not repeated
    // for every line added while the log stays unwritable.
    void DropOldestLines() {
        const size_t excess = m_strLogText.size() - kMaxPendingText / 4 * 3;
        const size_t newline = m_strLogText.find('\n', excess - 1);
        const size_t cut = newline == std::string::npos ? m_strLogText.size() : newline + 1;
        droppedLines += static_cast<uint64_t>(
            std::count(m_strLogText.begin(), m_strLogText.begin() + static_cast<std::ptrdiff_t>(cut), '\n'));
        droppedBytes += cut;
        m_strLogText.erase(0, cut);
    }

    bool WriteDroppedNote() {
        const std::string note =
            Format("%-10s : %llu bytes (%llu lines) of older log text were dropped while the log "
                   "could not be written\r\n",
                   "==Log", static_cast<unsigned long long>(droppedBytes),
                   static_cast<unsigned long long>(droppedLines));
        if (WriteText(m_file, note) < note.size()) return false;
        droppedBytes = 0;
        droppedLines = 0;
        return true;
    }
};

CLogFile::State& CLogFile::Shared() {
    // Never destroyed: handles may still log while static objects go away.
    static State* state = new State();
    return *state;
}

CLogFile::CLogFile() = default;

CLogFile::CLogFile(const std::string& path) { Open(path); }

CLogFile::~CLogFile() = default;

bool CLogFile::Open(const std::string& path) {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.Open(path);
}

void CLogFile::Close() {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    state.Close();
}

bool CLogFile::Resume() {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.Open(state.m_strFilePathName);
}

void CLogFile::KeepNothingWhileClosed() {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    state.m_bKeepWhileClosed = false;
    if (!state.m_file) std::string().swap(state.m_strLogText);
}

bool CLogFile::IsOpen() const {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.m_file != nullptr;
}

bool CLogFile::IsReady() const {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.Ready();
}

std::string CLogFile::GetFilePathName() const {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.m_strFilePathName;
}

std::string CLogFile::GetPendingText() const {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    return state.m_strLogText;
}

void CLogFile::Enable(const std::string& switches, const std::string& key) {
    const std::string wanted = ToUpperAscii(key);
    const std::string text = ToUpperAscii(switches);
    bool allowed = false;
    size_t start = 0;
    while (start < text.size() && !allowed) {
        size_t end = text.find_first_of("-/ ", start);
        if (end == std::string::npos) end = text.size();
        allowed = end > start && text.compare(start, end - start, wanted) == 0;
        start = end + 1;
    }
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    state.m_bAllowed = allowed;
}

void CLogFile::Add(const std::string& text) {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    state.Append(text);
}

void CLogFile::Flush(const std::string& text) {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    if (!text.empty()) state.Append(text);
    state.WritePending();
}

std::string CLogFile::LabelledLine(const std::string& label, const std::string& text, bool withTime) {
    const std::string time =
        withTime ? platform::FormatLocalTime(platform::Now(), "'%m/%d/%Y %H:%M:%S'") : std::string();
    return Format("%-10s : %s  %-50s%s", label.c_str(), time.c_str(), text.c_str(), "\r\n");
}

void CLogFile::WriteWhenReady(const std::string& line) {
    State& state = Shared();
    std::lock_guard lock(state.mutex);
    if (!state.Ready()) return;
    state.Append(line);
    state.WritePending();
}

void CLogFile::Write(const std::string& label, const std::string& text, bool withTime) {
    Write(LabelledLine(label, text, withTime));
}

void CLogFile::StartApp(const std::string& text) {
    WriteWhenReady(LabelledLine("==Start App", text, true) + LabelledLine("=OS=", GetOSVersionText(), false));
}

void CLogFile::ExitApp(const std::string& text) { WriteWhenReady(LabelledLine("==Exit App", text, true) + "\r\n"); }

void CLogFile::OS() { WriteWhenReady(LabelledLine("=OS=", GetOSVersionText(), false)); }

void CLogFile::Begin(const std::string& text) { WriteWhenReady(LabelledLine("-Start ", text, true)); }

void CLogFile::End(const std::string& text) { Write("-End ", text, true); }

void CLogFile::Log(const std::string& text) { Write("... ", text, true); }

}  // namespace velmora
