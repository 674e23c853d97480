#include "ftp/protocol/session_options.h"

#include <atomic>

namespace velmora::protocol {
namespace {

std::atomic<uint32_t> g_lowSpeedBytes{CSessionOptions::LowSpeed().bytesPerSecond};
std::atomic<int> g_lowSpeedSeconds{CSessionOptions::LowSpeed().seconds};

}  // namespace

CSessionOptions::LowSpeed CSessionOptions::GetDefaultLowSpeed() { return {g_lowSpeedBytes, g_lowSpeedSeconds}; }

void CSessionOptions::SetDefaultLowSpeed(LowSpeed limit) {
    g_lowSpeedBytes = limit.bytesPerSecond;
    g_lowSpeedSeconds = limit.seconds;
}

}  // namespace velmora::protocol
