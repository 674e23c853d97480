#pragma once

#include "ftp/login_info.h"

// How the windows offer a connection's protocol: one choice that stands for
// the login's protocol and TLS mode together, and a port that follows the
// protocol while it is one of the protocols' own.
namespace parcelo {

enum class EProtocolChoice { Ftp, FtpOverTls, Sftp };

// FTP without TLS, FTP with any TLS mode (also TLS only when offered), or SFTP.
EProtocolChoice ProtocolChoiceOf(const velmora::CFtpLoginInfo& info);

// Makes `info` speak `choice`: FTP is plain, FTP over TLS keeps a TLS mode
// it has (else requires explicit TLS), SFTP keeps the TLS mode for a later
// return to FTP. The port follows as FollowDefaultPort says.
void ChooseProtocol(velmora::CFtpLoginInfo& info, EProtocolChoice choice);

// After `info`'s protocol or TLS mode changed from `before`: a port that was
// the former protocol's own (21, 990, 22) becomes the new one's; a port the
// user chose stays.
void FollowDefaultPort(velmora::CFtpLoginInfo& info, const velmora::CFtpLoginInfo& before);

}  // namespace parcelo
