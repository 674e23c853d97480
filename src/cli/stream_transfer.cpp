#include "cli/stream_transfer.h"

#include <unistd.h>

#include <cerrno>

#include "cli/remote_login.h"

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

// The client's error, with the server's own words when it has them.
std::string Reason(velmora::CFtpClient& client) {
    const std::string reply = client.GetInternetResponseInfo();
    return reply.empty() || reply.starts_with("2") ? client.GetStrError() : reply;
}

}  // namespace

int CopyRemoteFilesToOutput(CliContext& context, const std::vector<std::string>& texts) {
    int status = kExitOk;
    ForEachRemoteFile(context, texts, "ls", status,
                      [&](velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file) {
                          if (client.DownloadFile(file, WriteToOutput)) return;
                          status = context.Fail("cannot read " + DisplayUrl(location.login, file.GetPath()) + ": " +
                                                Reason(client));
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
    if (client.CreateFolder(velmora::CFtpPath(target.GetFtpDir(true), velmora::PATH_FOLDER)) &&
        client.UploadFile(ReadFromInput, target)) {
        return kExitOk;
    }
    return context.Fail("cannot write " + location.Display() + ": " + Reason(client));
}

}  // namespace parcelo::cli
