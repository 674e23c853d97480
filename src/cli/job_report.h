#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "cli/cli_context.h"
#include "cli/progress_line.h"
#include "messaging/listener.h"

namespace velmora {
struct CJobResult;
}

namespace parcelo::cli {

// What the user learns about one transfer job on standard error: the
// progress line (on a terminal), why the job waits while a server cannot
// be reached, the first error with the file it happened to, the number of
// errors, and a summary line at the end (unless --quiet; with --json, a
// JSON object on standard output, after one object for each file checked
// against its server's hash). Messages and notices may come from any
// of the job's sessions.
class JobReport : public velmora::CListener {
public:
    // `subject` names what the job moves, for errors that happen before any
    // file is named.
    JobReport(const CliContext& context, const std::string& subject);
    ~JobReport() override;
    JobReport(const JobReport&) = delete;
    JobReport& operator=(const JobReport&) = delete;

    void OnMsg(velmora::CMsg& msg) override;

    // Ends the report of a job that answered `result` and did `job`; the
    // exit status. A report that is not finished has told only the waits.
    int Finish(bool result, const velmora::CJobResult& job);

    // Lets the report ask whether a file the server refused to send is a
    // folder, so that the first error can say to add the trailing /.
    void CheckRefusedFolders(std::function<bool(const std::string& path)> isServerFolder);

    // A line for the user while the job runs, below the progress line.
    void Notice(const std::string& text);

    // The first error heard while the report exists; "" while there was none.
    std::string FirstError() const;

    // "3 files, 1.5 MiB in 2.0 s (768.0 KiB/s); 1 skipped, 0 errors", with
    // "2 unchanged, " before the skipped where files were equal already and
    // "3 verified, " where files matched their server's hash.
    static std::string Summary(const velmora::CJobResult& job, std::chrono::milliseconds elapsed);
    // The same for --json: {"summary":"transfer","files":3,"bytes":1572864,
    // "seconds":2.012,"unchanged":0,"verified":3,"skipped":1,"errors":0}, with
    // "first_error" when there was one.
    static std::string JsonSummary(const velmora::CJobResult& job, std::chrono::milliseconds elapsed,
                                   const std::string& firstError);
    // For --json, a file that matched its server's hash, from the engine's
    // record: {"verified":"/out/a.bin","algorithm":"SHA-256","digest":"…"}.
    static std::string JsonVerified(const std::string& recordText);
    // An error as the user reads it: the engine's text, with the file it
    // happened to when the text does not name it (a missing source folder
    // is said in plain words).
    static std::string ErrorWithFile(const std::string& error, const std::string& file);
    // True for a text that holds a server's permanent refusal ("550 ...").
    static bool IsServerRefusal(const std::string& error);

private:
    const CliContext& m_context;
    // The progress line and the first error heard are shared by the threads
    // that report.
    mutable std::mutex m_mutex;
    std::unique_ptr<ProgressLine> m_progress;
    std::string m_strSubject;
    std::string m_strFirstError;
    std::function<bool(const std::string&)> m_isServerFolder;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace parcelo::cli
