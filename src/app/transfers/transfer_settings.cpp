#include "app/transfers/transfer_settings.h"

#include <string>
#include <string_view>

#include "app/common/app_settings.h"
#include "app/transfers/transfer_thread.h"
#include "engine/job_settings.h"
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
    defaults.m_lowSpeed = {settings.lowSpeedBytes, settings.lowSpeedSeconds};
    CTransferThread::SetJobDefaults(defaults);
    // The browser's sessions keep the same limit.
    velmora::CSessionOptions::SetDefaultLowSpeed(defaults.m_lowSpeed);
    velmora::SetFtpTraceSink(settings.protocolTrace ? TraceToLog : nullptr);
}

}  // namespace parcelo
