#include "cli/stream_transfer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <set>

#include "base/block_copy.h"
#include "cli/job_report.h"
#include "cli/remote_login.h"
#include "ftp/remote_session.h"
#include "ftp/stream_check.h"
#include "messaging/log_status.h"

namespace parcelo::cli {
namespace {

using velmora::CStreamCheck;
using velmora::ECheckVerdict;

bool WriteToOutput(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(STDOUT_FILENO, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReadFromInput(char* buffer, size_t size, size_t& received) {
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        received = static_cast<size_t>(got);
        return true;
    }
}

// Where standard input starts when it is a file that can be read again from
// there; -1 for a pipe, a terminal or a socket.
off_t RereadableInputStart() {
    struct stat status {};
    if (fstat(STDIN_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return -1;
    return lseek(STDIN_FILENO, 0, SEEK_CUR);
}

void Log(const std::string& action, const std::string& text) {
    velmora::CLogStatus::Send(velmora::LOG_STATUS, "Sys", action, text);
}

// The checks of the files of one command, said as the transfers of files
// say them: in the log, and with --json as one line a file, on standard
// error where standard output carries the file itself.
class StreamChecks {
public:
    StreamChecks(const CliContext& context, bool dataOnOutput) : m_context(context), m_dataOnOutput(dataOnOutput) {}

    // Before any byte of `path` moves: false with the reason where a check is
    // required and the server cannot make one; a server that offers no hash
    // is said once.
    bool Begin(const CStreamCheck& check, const std::string& path, std::string& error) {
        if (check.IsRefused()) {
            error = check.Refusal(path);
            return false;
        }
        if (!check.Lack().empty() && m_noticed.insert(check.Lack()).second)
            Log("Not verified:", check.Lack() + ": its files are checked by their length only");
        return true;
    }

    // After the server confirmed the transfer of `path` (named `file` in the
    // records): the verdict; `text` is the record of a mismatch, and
    // `error` the reason of a file that failed.
    ECheckVerdict End(CStreamCheck& check, const std::string& path, const std::string& file, std::string& text,
                      std::string& error) {
        if (!check.IsOn()) return ECheckVerdict::Verified;
        const ECheckVerdict verdict = check.Compare(path, text);
        switch (verdict) {
            case ECheckVerdict::Verified: {
                const std::string record = check.Algorithm() + " " + text + " " + file;
                Log("Verified:", record);
                if (m_context.options.json) PrintJson(JobReport::JsonVerified(record));
                break;
            }
            case ECheckVerdict::Unchecked: Log("Not verified:", text); break;
            case ECheckVerdict::Mismatch:
            case ECheckVerdict::Failed: error = CheckFailureText(verdict, text); break;
        }
        return verdict;
    }

private:
    void PrintJson(const std::string& line) const {
        if (!m_dataOnOutput) return m_context.Print(line);
        std::fprintf(stderr, "%s\n", CliContext::Mask(line).c_str());
    }

    const CliContext& m_context;
    bool m_dataOnOutput;
    std::set<std::string> m_noticed;
};

// The whole remote file to standard output, through the session's stream;
// false with the reason. A transfer the server does not confirm, one
// shorter than the length it announced, or one whose bytes differ from the
// server's, fails.
bool CopyToOutput(velmora::CRemoteSession& session, const std::string& path, StreamChecks& checks,
                  velmora::EVerify verify, std::string& error) {
    CStreamCheck check(session, verify);
    if (!checks.Begin(check, path, error)) return false;
    std::unique_ptr<velmora::CRemoteStream> source = session.OpenRead(path, 0);
    if (!source) {
        error = session.GetLastError();
        return false;
    }
    velmora::CCopyProgress unwatched;
    const velmora::CCopyResult copied = velmora::CopyBlocks(
        [&source](char* buffer, size_t size, size_t& received) { return source->Read(buffer, size, received); },
        [&check](const char* data, size_t size) {
            check.Add(data, size);
            return WriteToOutput(data, size);
        },
        unwatched);
    if (!copied.IsComplete()) {
        error =
            copied.end == velmora::ECopyEnd::WriteFailed ? "cannot write to standard output" : source->GetLastError();
        source->Abort();
        return false;
    }
    if (!source->Close()) {
        error = source->GetLastError();
        return false;
    }
    bool shorter = false;
    if (!velmora::CheckReadLength(*source, 0, 0, error, shorter)) return false;
    std::string text;
    if (checks.End(check, path, path, text, error) != ECheckVerdict::Mismatch) return error.empty();
    Log("Checksum mismatch:",
        text + ": " + path + " went to standard output, which cannot take it back: no retry possible");
    return false;
}

// Standard input to its end as the remote file `path`, fed to `check`;
// false with the reason.
bool StoreInput(velmora::CRemoteSession& session, const std::string& path, CStreamCheck& check, std::string& error) {
    std::unique_ptr<velmora::CRemoteStream> target = session.OpenWrite(path, 0, velmora::ERemoteWrite::Replace);
    if (!target) {
        error = session.GetLastError();
        return false;
    }
    velmora::CCopyProgress unwatched;
    const velmora::CCopyResult copied = velmora::CopyBlocks(
        ReadFromInput,
        [&target, &check](const char* data, size_t size) {
            check.Add(data, size);
            return target->Write(data, size);
        },
        unwatched);
    if (!copied.IsComplete()) {
        error = copied.end == velmora::ECopyEnd::ReadFailed ? "cannot read standard input" : target->GetLastError();
        target->Abort();
        return false;
    }
    if (target->Close()) return true;
    error = target->GetLastError();
    return false;
}

// Sends standard input as `target` and checks it; false with the reason.
// What failed its check leaves no file under the target's name.
bool StoreChecked(velmora::CRemoteSession& session, const velmora::CFtpPath& target, bool tempNames,
                  velmora::EVerify verify, StreamChecks& checks, std::string& error) {
    const std::string path = target.GetPath();
    const std::string sent = tempNames ? velmora::PartialUploadPath(target) : path;
    CStreamCheck check(session, verify);
    if (!checks.Begin(check, path, error)) return false;
    const off_t start = RereadableInputStart();
    for (bool firstTry = true;; firstTry = false) {
        if (!StoreInput(session, sent, check, error)) return false;
        std::string text;
        const ECheckVerdict verdict = checks.End(check, sent, path, text, error);
        if (verdict == ECheckVerdict::Verified || verdict == ECheckVerdict::Unchecked) break;
        if (!session.DeleteFile(sent) && !tempNames) session.Rename(sent, velmora::PartialUploadPath(target));
        if (verdict == ECheckVerdict::Failed) return false;
        const std::string mismatch = text + ": " + path;
        if (!firstTry) return false;
        if (start < 0 || lseek(STDIN_FILENO, start, SEEK_SET) != start) {
            Log("Checksum mismatch:", mismatch + " came from standard input, which cannot be read again: no retry possible");
            return false;
        }
        Log("Checksum mismatch:", mismatch + " goes again from its first byte");
        error.clear();
        check.Restart();
        check.WaitOutServerCache();
    }
    if (!tempNames || session.Rename(sent, path)) return true;
    // A file under the name is replaced.
    if (session.DeleteFile(path) && session.Rename(sent, path)) return true;
    error = session.GetLastError();
    return false;
}

velmora::EVerify VerifyOf(const CliContext& context) { return context.options.JobSettings().m_eVerify; }

}  // namespace

int CopyRemoteFilesToOutput(CliContext& context, const std::vector<std::string>& texts) {
    int status = kExitOk;
    StreamChecks checks(context, true);
    ForEachRemoteFile(context, texts, "ls", status,
                      [&](velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file) {
                          std::string error;
                          if (CopyToOutput(*client.GetSession(), file.GetPath(), checks, VerifyOf(context), error))
                              return;
                          status =
                              context.Fail("cannot read " + DisplayUrl(location.login, file.GetPath()) + ": " + error);
                      });
    return status;
}

int StoreInputAsRemoteFile(CliContext& context, const std::string& text, bool tempNames) {
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!ParseRemoteLocation(context, text, location, status)) return status;
    if (location.folder) {
        return context.UsageError("standard input goes up as a file: name it (" + location.Display() + "NAME)");
    }
    if (!ConnectTo(context, location, client, status)) return status;
    const velmora::CFtpPath target(location.path);
    if (!client.CreateFolder(velmora::CFtpPath(target.GetFtpDir(true), velmora::PATH_FOLDER))) {
        return context.Fail("cannot write " + location.Display() + ": " + client.GetStrError());
    }
    StreamChecks checks(context, false);
    std::string error;
    if (StoreChecked(*client.GetSession(), target, tempNames, VerifyOf(context), checks, error)) return kExitOk;
    return context.Fail("cannot write " + location.Display() + ": " + error);
}

}  // namespace parcelo::cli
