#include "ftp/open_session.h"

#include "ftp/ftp_session.h"
#include "ftp/login_info.h"
#include "ftp/sftp_session.h"

namespace velmora {

void PrepareRemoteSession(std::unique_ptr<CRemoteSession>& session, const CFtpLoginInfo& login) {
    if (login.IsSftp()) {
        if (!dynamic_cast<CSftpSession*>(session.get())) session = std::make_unique<CSftpSession>();
    } else if (!dynamic_cast<CFtpSession*>(session.get())) {
        session = std::make_unique<CFtpSession>();
    }
}

std::unique_ptr<CRemoteSession> OpenRemoteSession(const CFtpLoginInfo& login, const CSessionOptions& options,
                                                  std::string& error, ERemoteError* kind) {
    std::unique_ptr<CRemoteSession> session;
    PrepareRemoteSession(session, login);
    if (session->Connect(login, options)) return session;
    error = session->GetLastError();
    if (kind) *kind = session->GetLastErrorKind();
    return nullptr;
}

}  // namespace velmora
