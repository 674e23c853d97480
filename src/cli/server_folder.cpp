#include "cli/server_folder.h"

#include "ftp/ftp_client.h"
#include "ftp/protocol/ftp_connection.h"

namespace parcelo::cli {

bool IsServerFolder(const velmora::CFtpLoginInfo& login, const std::string& path) {
    velmora::CFtpLoginInfo once = login;
    // One login: the log shows no attempt number.
    once.SetCurAttempt(1);
    velmora::CFtpClient client;
    return client.Login(once) && client.GetFtpConnection()->SetCurrentDirectory(path);
}

}  // namespace parcelo::cli
