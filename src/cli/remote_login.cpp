#include "cli/remote_login.h"

#include "base/path_text.h"
#include "cli/remote_glob.h"

namespace parcelo::cli {

bool ParseRemoteLocation(CliContext& context, const std::string& text, Location& location, int& status) {
    std::string error;
    if (LocationParser(context).ParseRemote(text, location, error)) return true;
    status = context.UsageError(error);
    return false;
}

bool ConnectTo(CliContext& context, const Location& location, velmora::CFtpClient& client, int& status) {
    if (client.Login(location.login)) return true;
    status = context.Fail("cannot log in to " + location.Display() + ": " + client.GetStrError());
    return false;
}

bool OpenSession(CliContext& context, const std::string& text, Location& location, velmora::CFtpClient& client,
                 int& status) {
    return ParseRemoteLocation(context, text, location, status) && ConnectTo(context, location, client, status);
}

bool ForEachRemoteFile(CliContext& context, const std::vector<std::string>& texts, const std::string& folderCommand,
                       int& status, const RemoteFileAction& act) {
    velmora::CFtpClient client;
    velmora::CFtpLoginInfo connected;
    for (const std::string& text : texts) {
        Location location;
        if (!ParseRemoteLocation(context, text, location, status)) return false;
        if (location.folder && !folderCommand.empty()) {
            status = context.UsageError("'" + text + "' names a folder: use " + folderCommand);
            return false;
        }
        if (!client.IsConnected() || !SameServer(connected, location.login)) {
            client.Logoff();
            if (!ConnectTo(context, location, client, status)) return false;
            connected = location.login;
        }
        // A folder, where one may be named, by its path without the closing "/".
        const std::string path = location.path.size() > 1 ? velmora::RemoveSlash(location.path) : location.path;
        std::vector<velmora::CFtpPath> files = {velmora::CFtpPath(path)};
        if (HasWildcard(location.path)) {
            files.clear();
            std::string error;
            if (!ExpandRemote(client, location.path, files, error)) {
                status = context.Fail(error);
                return false;
            }
            if (files.empty()) status = context.Fail("no file matches " + location.Display());
        }
        for (const velmora::CFtpPath& file : files) act(client, location, file);
    }
    return true;
}

}  // namespace parcelo::cli
