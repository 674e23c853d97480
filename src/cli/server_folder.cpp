#include "cli/server_folder.h"

#include "ftp/ftp_client.h"
#include "ftp/protocol/ftp_connection.h"

namespace parcelo::cli {

bool IsServerFolder(const velmora::CFtpLoginInfo& login, const std::string& path) {
    velmora::CFtpClient client;
    return client.Login(login) && client.GetFtpConnection()->SetCurrentDirectory(path);
}

}  // namespace parcelo::cli
