#include "cli/stream_transfer.h"

#include <unistd.h>

#include <cerrno>
#include <memory>

#include "base/block_copy.h"
#include "cli/remote_login.h"
#include "ftp/remote_session.h"

namespace parcelo::cli {
namespace {

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

// The whole remote file to standard output, through the session's stream;
// false with the reason. A transfer the server does not confirm, or one
// shorter than the length it announced, fails.
bool CopyToOutput(velmora::CRemoteSession& session, const std::string& path, std::string& error) {
    std::unique_ptr<velmora::CRemoteStream> source = session.OpenRead(path, 0);
    if (!source) {
        error = session.GetLastError();
        return false;
    }
    velmora::CCopyProgress unwatched;
    const velmora::CCopyResult copied = velmora::CopyBlocks(
        [&source](char* buffer, size_t size, size_t& received) { return source->Read(buffer, size, received); },
        WriteToOutput, unwatched);
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
    return velmora::CheckReadLength(*source, 0, 0, error, shorter);
}

// Standard input to its end as the remote file `path`; false with the reason.
bool StoreInput(velmora::CRemoteSession& session, const std::string& path, std::string& error) {
    std::unique_ptr<velmora::CRemoteStream> target = session.OpenWrite(path, 0, velmora::ERemoteWrite::Replace);
    if (!target) {
        error = session.GetLastError();
        return false;
    }
    velmora::CCopyProgress unwatched;
    const velmora::CCopyResult copied = velmora::CopyBlocks(
        ReadFromInput, [&target](const char* data, size_t size) { return target->Write(data, size); }, unwatched);
    if (!copied.IsComplete()) {
        error = copied.end == velmora::ECopyEnd::ReadFailed ? "cannot read standard input" : target->GetLastError();
        target->Abort();
        return false;
    }
    if (target->Close()) return true;
    error = target->GetLastError();
    return false;
}

}  // namespace

int CopyRemoteFilesToOutput(CliContext& context, const std::vector<std::string>& texts) {
    int status = kExitOk;
    ForEachRemoteFile(context, texts, "ls", status,
                      [&](velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file) {
                          std::string error;
                          if (CopyToOutput(*client.GetSession(), file.GetPath(), error)) return;
                          status =
                              context.Fail("cannot read " + DisplayUrl(location.login, file.GetPath()) + ": " + error);
                      });
    return status;
}

int StoreInputAsRemoteFile(CliContext& context, const std::string& text) {
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
    std::string error;
    if (StoreInput(*client.GetSession(), target.GetPath(), error)) return kExitOk;
    return context.Fail("cannot write " + location.Display() + ": " + error);
}

}  // namespace parcelo::cli
