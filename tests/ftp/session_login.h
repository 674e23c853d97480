#pragma once

#include <cstdint>
#include <string>

#include "ftp/login_info.h"
#include "ftp/remote_session.h"

namespace velmora::test {

// A plain FTP login as a user of host:port.
inline CFtpLoginInfo LoginTo(const std::string& host, uint16_t port, const std::string& user = "u",
                             const std::string& password = "p") {
    CFtpLoginInfo login;
    login.SetHost(host);
    login.SetPort(port);
    login.SetLoginName(user);
    login.SetPassword(password);
    return login;
}

inline bool ConnectSession(CRemoteSession& session, const std::string& host, uint16_t port,
                           const std::string& user = "u", const std::string& password = "p",
                           const CSessionOptions& options = {}) {
    return session.Connect(LoginTo(host, port, user, password), options);
}

}  // namespace velmora::test
