#pragma once

namespace parcelo {

struct CTransferSettings;

// The one place the program hands its transfer settings to the library:
// the sessions a transfer opens, preserved times, the low-speed limit and
// the protocol trace into the log file. The library keeps them for every
// job of the process until jobs take a settings value of their own; then
// this becomes the value each job is given.
void ApplyTransferSettings(const CTransferSettings& settings);

}  // namespace parcelo
