#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "cli/progress_line.h"
#include "messaging/listener.h"

namespace velmora {
struct CJobState;
}

namespace parcelo::cli {

// What the user learns about one transfer job on standard error: the
// progress line (on a terminal), why the job waits while a server cannot
// be reached, the first error with the file it happened to, the number of
// errors, and a summary line at the end (unless --quiet).
class JobReport : public velmora::CListener {
public:
    explicit JobReport(const CliContext& context);
    ~JobReport() override;
    JobReport(const JobReport&) = delete;
    JobReport& operator=(const JobReport&) = delete;

    void OnMsg(velmora::CMsg& msg) override;

    // Ends the report of a job that answered `result`; the exit status.
    int Finish(bool result);

    // "3 files, 1.5 MB in 2.0 s (768.0 KB/s); 1 skipped, 0 errors"
    static std::string Summary(const velmora::CJobState& job, std::chrono::milliseconds elapsed);
    // An error as the user reads it: the engine's text, with the file it
    // happened to when the text does not name it.
    static std::string ErrorWithFile(const std::string& error, const std::string& file);

private:
    void Notice(const std::string& text);

    const CliContext& m_context;
    std::optional<ProgressLine> m_progress;
    std::string m_strFile;
    std::string m_strFirstError;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace parcelo::cli
