#include "app/common/transfer_settings.h"

#include <string>
#include <string_view>

#include "app/common/app_settings.h"
#include "engine/job_state.h"
#include "engine/source.h"
#include "ftp/ftp_client.h"
#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_trace.h"
#include "messaging/log_file.h"

namespace parcelo {
namespace {

void TraceToLog(std::string_view line) { velmora::CLogFile().Write("Ftp", std::string(line), true); }

}  // namespace

void ApplyTransferSettings(const CTransferSettings& settings) {
    velmora::CSource::SetPreserveTimes(settings.preserveTimes);
    velmora::CJobState::Job().m_nSessions = settings.sessions;
    velmora::protocol::SetFtpTraceSink(settings.protocolTrace ? TraceToLog : nullptr);
    velmora::protocol::CFtpOptions::SetDefaultLowSpeed({settings.lowSpeedBytes, settings.lowSpeedSeconds});
    // The browser asks the user about a server without TLS once; every
    // session then reads the answer (none: no password in clear).
    velmora::CFtpClient::SetPlainLoginQuestion(CAppSettings::AllowsPlainFtp);
}

}  // namespace parcelo
