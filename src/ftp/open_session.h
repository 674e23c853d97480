#pragma once

#include <memory>
#include <string>

#include "ftp/remote_session.h"
#include "ftp/session_options.h"
#include "platform/api.h"

namespace velmora {

class CFtpLoginInfo;

// Where a session for a login comes from: the login's protocol decides the
// kind of session: FTP (with or without TLS) or SFTP.
//
//   std::string error;
//   std::unique_ptr<CRemoteSession> session = OpenRemoteSession(login, options, error);
//   if (!session) ... error says why ...
//
// A holder that keeps one session across logins (the FTP client) asks for
// the kind first, so that its session stays the same object while the
// protocol does not change:
//
//   PrepareRemoteSession(m_session, login);
//   m_session->Connect(login, options);

// Keeps `session` when it speaks the login's protocol, else makes it a new,
// unconnected session that does.
VELMORA_API void PrepareRemoteSession(std::unique_ptr<CRemoteSession>& session, const CFtpLoginInfo& login);

// A session logged in as `login` says; null when the login failed, with the
// reason in `error` and its kind in `kind` when given.
VELMORA_API std::unique_ptr<CRemoteSession> OpenRemoteSession(const CFtpLoginInfo& login,
                                                              const CSessionOptions& options, std::string& error,
                                                              ERemoteError* kind = nullptr);

}  // namespace velmora
