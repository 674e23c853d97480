#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "cli/cli_context.h"
#include "messaging/listener.h"

namespace velmora {
class CProgressStatus;
}

namespace parcelo::cli {

// The live progress line of a transfer on a terminal: the overall bar and
// percent, the current file, the speed and the time remaining, redrawn in
// place on standard error from the library's progress statuses. It listens
// only while it exists, and only when standard error is a terminal and the
// user did not ask for quiet. Its statuses and interruptions may come from
// any thread.
class ProgressLine : public velmora::CListener {
public:
    explicit ProgressLine(const CliContext& context);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void OnMsg(velmora::CMsg& msg) override;
    // Clears the line for another text; the next progress draws it again.
    void Interrupt();

    // The line for a state of the job (no terminal control characters):
    // the speed and the time left come from the bytes done in `elapsed`.
    // Without a total (0), the bytes done and the speed.
    static std::string Format(int64_t processedBytes, int64_t totalBytes, std::chrono::milliseconds elapsed,
                              const std::string& file, int width);

private:
    void OnProgress(const velmora::CProgressStatus& progress);
    void Draw(bool force);

    const CliContext& m_context;
    std::mutex m_mutex;  // the rest below
    bool m_bActive = false;
    bool m_bDrawn = false;
    bool m_bStarted = false;
    int64_t m_nProcessed = 0;
    int64_t m_nTotal = 0;
    std::string m_strFile;
    // Measured here, to the millisecond (whole seconds make the first
    // seconds' speed wrong by up to a factor of two), from when the first
    // counters came.
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace parcelo::cli
