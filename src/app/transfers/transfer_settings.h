#pragma once

namespace parcelo {

struct CTransferSettings;

// The one place the program hands its transfer settings to the library:
// the sessions a transfer opens, preserved times, the low-speed limit, the
// speed limit and the protocol trace into the log file. They become the job defaults that
// each transfer's job is given (CTransferThread::GetJobDefaults).
void ApplyTransferSettings(const CTransferSettings& settings);

}  // namespace parcelo
