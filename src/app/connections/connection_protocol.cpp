#include "app/connections/connection_protocol.h"

#include "ftp/tls_trust.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::ERemoteProtocol;
using velmora::ETlsMode;

EProtocolChoice ProtocolChoiceOf(const CFtpLoginInfo& info) {
    if (info.IsSftp()) return EProtocolChoice::Sftp;
    return info.GetTlsMode() == ETlsMode::Plain ? EProtocolChoice::Ftp : EProtocolChoice::FtpOverTls;
}

void ChooseProtocol(CFtpLoginInfo& info, EProtocolChoice choice) {
    const CFtpLoginInfo before = info;
    info.SetProtocol(choice == EProtocolChoice::Sftp ? ERemoteProtocol::Sftp : ERemoteProtocol::Ftp);
    if (choice == EProtocolChoice::Ftp) info.SetTlsMode(ETlsMode::Plain);
    if (choice == EProtocolChoice::FtpOverTls && info.GetTlsMode() == ETlsMode::Plain)
        info.SetTlsMode(ETlsMode::Require);
    FollowDefaultPort(info, before);
}

void FollowDefaultPort(CFtpLoginInfo& info, const CFtpLoginInfo& before) {
    // The FTP ports count as defaults from either FTP mode: a port of 990
    // left behind by implicit TLS is no choice of the user's.
    const int port = info.GetPort();
    const bool wasDefault = port == before.GetDefaultPort() ||
                            (!before.IsSftp() && (port == CFtpLoginInfo::kDefaultPort || port == velmora::kImplicitTlsPort));
    if (wasDefault) info.SetPort(info.GetDefaultPort());
}

}  // namespace parcelo
