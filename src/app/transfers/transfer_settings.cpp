#include "app/transfers/transfer_settings.h"

#include <string>
#include <string_view>

#include "app/common/app_settings.h"
#include "app/transfers/transfer_thread.h"
#include "engine/job_settings.h"
#include "ftp/ftp_client.h"
#include "ftp/session_options.h"
#include "messaging/log_file.h"

namespace parcelo {
namespace {

void TraceToLog(std::string_view line) { velmora::CLogFile().Write("Ftp", std::string(line), true); }

}  // namespace

void ApplyTransferSettings(const CTransferSettings& settings) {
    velmora::CJobSettings defaults = CTransferThread::GetJobDefaults();
    defaults.m_bPreserveTimes = settings.preserveTimes;
    defaults.m_nSessions = settings.sessions;
    defaults.m_nSegments = settings.downloadParts;
    defaults.m_lowSpeed = {settings.lowSpeedBytes, settings.lowSpeedSeconds};
    defaults.m_nRateLimit = settings.rateLimit;
    defaults.m_eVerify = velmora::EVerify::Auto;
    velmora::ParseVerifyName(settings.verify, defaults.m_eVerify);
    CTransferThread::SetJobDefaults(defaults);
    // The browser's sessions keep the same limit.
    velmora::CSessionOptions::SetDefaultLowSpeed(defaults.m_lowSpeed);
    velmora::SetFtpTraceSink(settings.protocolTrace ? TraceToLog : nullptr);
    // The browser asks the user about a server without TLS once; every
    // session then reads the answer (none: no password in clear).
    velmora::CFtpClient::SetPlainLoginQuestion(CAppSettings::AllowsPlainFtp);
}

}  // namespace parcelo
