#include "cli/server_folder.h"

#include "ftp/ftp_client.h"

namespace parcelo::cli {

bool IsServerFolder(const velmora::CFtpLoginInfo& login, const std::string& path) {
    velmora::CFtpLoginInfo once = login;
    // One login: the log shows no attempt number.
    once.SetCurAttempt(1);
    velmora::CFtpClient client;
    return client.Login(once) && client.GetSession()->IsFolder(path);
}

}  // namespace parcelo::cli
