#include "cli/job_report.h"

#include <algorithm>
#include <regex>

#include "base/format.h"
#include "base/size_format.h"
#include "cli/json_line.h"
#include "engine/job_result.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace parcelo::cli {
namespace {

// The engine's text for a local file that its overwrite policy refused to replace.
constexpr std::string_view kFileExists = "File exists: ";
// The engine's record of a file that matched its server's hash: "SHA-256 <hex> <file>".
constexpr std::string_view kVerified = "Verified:";
// The engine's text for a source folder that is not there.
constexpr std::string_view kNoSource = "Source does not exists";

std::string Plural(long long count, const char* one, const char* many) {
    return velmora::Format("%lld %s", count, count == 1 ? one : many);
}

}  // namespace

JobReport::JobReport(const CliContext& context, const std::string& subject)
    : m_context(context), m_strSubject(subject), m_start(std::chrono::steady_clock::now()) {
    m_progress = std::make_unique<ProgressLine>(context);
    velmora::CMsgBox::Box().Subscribe("parcelo-cli job report", this);
}

JobReport::~JobReport() { velmora::CMsgBox::Box().Unsubscribe(this); }

void JobReport::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() == velmora::MSG_WAIT) {
        if (msg.Argc() == 1) Notice(msg.StrArgv());
        return;
    }
    if (msg.Cmd() != velmora::MSG_LOG_RECORD) return;
    const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
    if (record && m_context.options.json && record->GetAction() == kVerified) {
        const std::lock_guard lock(m_mutex);
        m_context.Print(JsonVerified(record->GetText()));
        return;
    }
    if (!record || record->GetKind() != velmora::LOG_ERROR) return;
    const std::lock_guard lock(m_mutex);
    if (m_strFirstError.empty()) m_strFirstError = ErrorWithFile(record->GetText(), m_strSubject);
}

std::string JobReport::FirstError() const {
    const std::lock_guard lock(m_mutex);
    return m_strFirstError;
}

void JobReport::CheckRefusedFolders(std::function<bool(const std::string& path)> isServerFolder) {
    m_isServerFolder = std::move(isServerFolder);
}

void JobReport::Notice(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    if (m_progress) m_progress->Interrupt();
    m_context.Warn(text);
}

int JobReport::Finish(bool result, const velmora::CJobResult& job) {
    // The progress line ends before anything else is written. It leaves the
    // message box as it goes, so it is taken out under our lock but ended
    // outside it: a message being delivered holds the box, then our lock.
    std::unique_ptr<ProgressLine> ending;
    {
        const std::lock_guard lock(m_mutex);
        ending = std::move(m_progress);
    }
    ending.reset();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                               m_start);
    // Each error names the file it happened to, whichever session met it.
    const std::string& firstFile = job.m_strFirstErrorFile.empty() ? m_strSubject : job.m_strFirstErrorFile;
    std::string first =
        ErrorWithFile(job.m_strFirstError.empty() ? job.m_strLastError : job.m_strFirstError, firstFile);
    if (m_context.options.json) {
        m_context.Print(JsonSummary(job, elapsed, job.m_nErrors > 0 ? first : std::string()));
    } else if (!m_context.options.quiet) {
        m_context.Warn(Summary(job, elapsed));
    }
    if (result && job.m_nErrors == 0) return kExitOk;
    if (job.m_nErrors == 0) return m_context.Fail("the transfer failed");
    if (first.find(kFileExists) != std::string::npos) {
        first +=
            "; to replace it use --overwrite, to replace it when older --newer, to continue it --continue, "
            "to keep it --no-clobber, to keep both on a server --rename";
    }
    // Servers word a folder read as a file differently ("Is a directory",
    // "Failed to open file"): the server is asked.
    if (m_isServerFolder && IsServerRefusal(first) && m_isServerFolder(firstFile)) {
        first += ": it is a folder; add a trailing / to copy it";
    }
    if (job.m_nErrors == 1) return m_context.Fail(first);
    return m_context.Fail(Plural(job.m_nErrors, "error", "errors") + "; the first: " + first);
}

std::string JobReport::Summary(const velmora::CJobResult& job, std::chrono::milliseconds elapsed) {
    const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
    const double bytes = static_cast<double>(job.m_nProcessedBytes);
    std::string text = Plural(job.m_nProcessed, "file", "files") + ", " + velmora::FormatSize(bytes) +
                       velmora::Format(" in %.1f s", seconds);
    if (elapsed.count() > 0) text += " (" + velmora::FormatSize(bytes / seconds) + "/s)";
    text += "; ";
    if (job.m_nUnchanged > 0) text += Plural(job.m_nUnchanged, "unchanged", "unchanged") + ", ";
    if (job.m_nVerified > 0) text += Plural(job.m_nVerified, "verified", "verified") + ", ";
    return text + Plural(job.m_nSkipped, "skipped", "skipped") + ", " + Plural(job.m_nErrors, "error", "errors");
}

std::string JobReport::JsonSummary(const velmora::CJobResult& job, std::chrono::milliseconds elapsed,
                                   const std::string& firstError) {
    JsonLine json;
    json.Text("summary", "transfer")
        .Number("files", job.m_nProcessed)
        .Number("bytes", job.m_nProcessedBytes)
        .Decimal("seconds", static_cast<double>(elapsed.count()) / 1000.0)
        .Number("unchanged", job.m_nUnchanged)
        .Number("verified", job.m_nVerified)
        .Number("skipped", job.m_nSkipped)
        .Number("errors", job.m_nErrors);
    if (!firstError.empty()) json.Text("first_error", CliContext::Readable(firstError));
    return json.Line();
}

std::string JobReport::JsonVerified(const std::string& recordText) {
    const size_t algorithmEnd = std::min(recordText.find(' '), recordText.size());
    const size_t digestEnd = std::min(recordText.find(' ', algorithmEnd + 1), recordText.size());
    return JsonLine()
        .Text("verified", digestEnd < recordText.size() ? recordText.substr(digestEnd + 1) : std::string())
        .Text("algorithm", recordText.substr(0, algorithmEnd))
        .Text("digest", algorithmEnd < recordText.size()
                            ? recordText.substr(algorithmEnd + 1, digestEnd - algorithmEnd - 1)
                            : std::string())
        .Line();
}

std::string JobReport::ErrorWithFile(const std::string& error, const std::string& file) {
    // The engine files a missing source folder under its connection errors.
    if (error.ends_with(kNoSource)) return "no such folder: " + file;
    std::string text = error;
    if (!file.empty() && error.find(file) == std::string::npos) text += " (" + file + ")";
    return text;
}

bool JobReport::IsServerRefusal(const std::string& error) {
    static const std::regex kRefusal("(^|[^0-9])5[0-9][0-9][ -]");
    return std::regex_search(error, kRefusal);
}

}  // namespace parcelo::cli
