#include "cli/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/format.h"
#include "base/size_format.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/progress_status.h"
#include "messaging/transfer_status.h"

namespace parcelo::cli {
namespace {

constexpr int kBarWidth = 24;
constexpr int kLineWidth = 100;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// Below this, a rate says more about the start-up than about the transfer.
constexpr auto kShortestMeasure = std::chrono::milliseconds(500);


std::string TimeLeft(int64_t seconds) {
    if (seconds < 60) return velmora::Format("%lld s left", static_cast<long long>(seconds));
    if (seconds < 3600) {
        return velmora::Format("%lld:%02lld left", static_cast<long long>(seconds / 60),
                               static_cast<long long>(seconds % 60));
    }
    return velmora::Format("%lld:%02lld:%02lld left", static_cast<long long>(seconds / 3600),
                           static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

// The last part of a path, so that the line stays short.
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\", path.size() > 1 ? path.size() - 2 : std::string::npos);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ProgressLine::ProgressLine(const CliContext& context) : m_context(context) {
    m_bActive = !context.options.quiet && isatty(STDERR_FILENO) == 1;
    if (m_bActive) velmora::CMsgBox::Box().Subscribe("parcelo-cli progress", this);
}

ProgressLine::~ProgressLine() {
    velmora::CMsgBox::Box().Unsubscribe(this);
    if (!m_bDrawn) return;
    Draw(true);
    std::fputc('\n', stderr);
}

void ProgressLine::OnMsg(velmora::CMsg& msg) {
    const std::lock_guard lock(m_mutex);
    if (msg.Cmd() == velmora::MSG_LOG_RECORD) {
        const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
        if (record && record->GetKind() == velmora::LOG_SOURCE) m_strFile = BaseName(record->GetText());
        return;
    }
    if (msg.Cmd() != velmora::MSG_TRANSFER_STATUS) return;
    const auto* status = dynamic_cast<const velmora::CTransferStatus*>(msg.Object());
    if (!status) return;
    if (status->GetStatus() == velmora::CTransferStatus::STATUS_TRANSFERRED) {
        m_strFile = status->GetSource().GetFileName(true);
    }
    OnProgress(status->GetProgressStatus());
}

void ProgressLine::OnProgress(const velmora::CProgressStatus& progress) {
    // Statuses that carry no counters (a file's own notice) keep the line.
    if (progress.TotalBytes() == 0 && progress.ProcessedBytes() == 0) return;
    if (!m_bStarted) m_start = std::chrono::steady_clock::now();
    m_bStarted = true;
    m_nProcessed = progress.ProcessedBytes();
    m_nTotal = progress.TotalBytes();
    Draw(false);
}

std::string ProgressLine::Format(int64_t processedBytes, int64_t totalBytes, std::chrono::milliseconds elapsed,
                                 const std::string& file, int width) {
    const bool measured = elapsed >= kShortestMeasure && processedBytes > 0;
    const double perSecond =
        measured ? static_cast<double>(processedBytes) * 1000.0 / static_cast<double>(elapsed.count()) : 0.0;
    std::string line;
    if (totalBytes <= 0) {
        // A total nobody told is not a finished job: what came, and how fast.
        const std::string rate = measured ? velmora::FormatSize(perSecond) + "/s" : std::string();
        line = velmora::Format("%s  %s  %s", velmora::FormatSize(static_cast<uint64_t>(std::max<int64_t>(processedBytes, 0))).c_str(),
                               file.c_str(), rate.c_str());
    } else {
        const int64_t percent = std::clamp<int64_t>(processedBytes * 100 / totalBytes, 0, 100);
        const int filled = static_cast<int>(percent * kBarWidth / 100);
        const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '-');
        std::string rate;
        if (measured) {
            const auto left = static_cast<int64_t>(
                static_cast<double>(std::max<int64_t>(totalBytes - processedBytes, 0)) / perSecond + 0.5);
            rate = velmora::FormatSize(perSecond) + "/s  " + TimeLeft(left);
        }
        line = velmora::Format("[%s] %3d%%  %s  %s", bar.c_str(), static_cast<int>(percent), file.c_str(),
                               rate.c_str());
    }
    if (static_cast<int>(line.size()) > width) line.resize(width);
    return line;
}

void ProgressLine::Interrupt() {
    const std::lock_guard lock(m_mutex);
    if (!m_bDrawn) return;
    std::fputs("\r\x1b[K", stderr);
    m_bDrawn = false;
}

void ProgressLine::Draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_bDrawn && now - m_lastDraw < kRedrawInterval) return;
    m_lastDraw = now;
    m_bDrawn = true;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start);
    const std::string line = Format(m_nProcessed, m_nTotal, elapsed, m_strFile, kLineWidth);
    // Back to the start of the line, the new text, then clear what is left.
    std::fprintf(stderr, "\r%s\x1b[K", CliContext::Mask(line).c_str());
    std::fflush(stderr);
}

}  // namespace parcelo::cli
