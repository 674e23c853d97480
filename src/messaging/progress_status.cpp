#include "messaging/progress_status.h"

#include <limits>

#include "base/format.h"
#include "messaging/msg_commands.h"
#include "platform/clock.h"

namespace velmora {

namespace {

constexpr int kSlotCount = 3;
constexpr int kFileSlot = 2;
// Estimates made this early swing too much to show.
constexpr int64_t kMinElapsedForEstimate = 4;

long long AsLL(int64_t value) { return static_cast<long long>(value); }

}  // namespace

int64_t EstimateTimeRemaining(int64_t elapsed, int64_t processed, int64_t total) {
    if (processed == 0) return 0;
    // 128-bit, so that large byte counts times the elapsed time cannot wrap.
    const __int128 estimated = static_cast<__int128>(elapsed) * total / processed;
    const __int128 remaining = estimated - elapsed;
    if (remaining > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (remaining < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(remaining);
}

std::string FormatTimeRemaining(int64_t r) {
    if (r <= 60) return Format("%lld Seconds Remaining", AsLL(r));
    const int64_t hours = r / 3600 - (r / 86400) * 24;
    const int64_t minutes = r / 60 - (r / 3600) * 60;
    const int64_t seconds = r - (r / 60) * 60;
    const char* minuteWord = minutes == 1 ? "Minute" : "Minutes";
    if (hours <= 0) return Format("%lld %s %lld Seconds Remaining", AsLL(minutes), minuteWord, AsLL(seconds));
    return Format("%lld %s %lld %s %lld Seconds Remaining", AsLL(hours), hours == 1 ? "Hour" : "Hours",
                  AsLL(minutes), minuteWord, AsLL(seconds));
}

CProgressStatus::CProgressStatus() : CMsg(0, 0, 0, 0) {}

CProgressStatus::CProgressStatus(int32_t cmd) : CMsg(cmd, 0, 0, 0) {}

CProgressStatus::CProgressStatus(int32_t unit, int32_t subCmd, int64_t argc, int64_t argv)
    : CMsg(MSG_PROGRESS, 0, 0, 0) {
    Unit(unit);
    SubCmd(subCmd);
    LLArgc(argc);
    LLArgv(argv);
}

CProgressStatus::CProgressStatus(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv)
    : CMsg(MSG_PROGRESS, 0, argv, 0) {
    Unit(unit);
    SubCmd(subCmd);
    LLArgc(argc);
}

CProgressStatus::CProgressStatus(int32_t unit, int32_t subCmd, const std::string& caption)
    : CMsg(MSG_PROGRESS, caption, 0, 0) {
    Unit(unit);
    SubCmd(subCmd);
}

CProgressStatus::CProgressStatus(const CProgressStatus& other) : CMsg(other) {}

CProgressStatus& CProgressStatus::operator=(const CProgressStatus& other) {
    if (this != &other) Copy(other);
    return *this;
}

CObj* CProgressStatus::CreateObject() const { return new CProgressStatus(); }

void CProgressStatus::Fix() {
    if (GetCount() != 0) return;
    const CMsg empty(0, 0, 0, 0);
    for (int slot = 0; slot < kSlotCount; ++slot) Append(empty);
}

int64_t CProgressStatus::Slot64(int slot, bool second) const {
    const CSingleMsg* msg = GetAtIndex(slot);
    if (!msg) return 0;
    return second ? msg->LLArgv() : msg->LLArgc();
}

void CProgressStatus::SetSlot64(int slot, bool second, int64_t value) {
    Fix();
    CSingleMsg* msg = GetAtIndex(slot);
    if (!msg) return;
    if (second) {
        msg->LLArgv(value);
    } else {
        msg->LLArgc(value);
    }
}

std::string CProgressStatus::CurFile() const {
    const CSingleMsg* msg = GetAtIndex(kFileSlot);
    return msg ? msg->StrArgc() : std::string();
}

void CProgressStatus::CurFile(const std::string& name) {
    Fix();
    if (CSingleMsg* msg = GetAtIndex(kFileSlot)) msg->StrArgc(name);
}

std::string CProgressStatus::GetStrProgress() const {
    const int64_t total = TotalBytes() == 0 ? 1 : TotalBytes();
    const __int128 percent = static_cast<__int128>(ProcessedBytes()) * 100 / total;
    return Format("%2lld%%", static_cast<long long>(percent));
}

int64_t CProgressStatus::ComputeTimeRemaining() const { return ComputeTimeRemaining(platform::Now()); }

int64_t CProgressStatus::ComputeTimeRemaining(int64_t now) const {
    return EstimateTimeRemaining(now - StartTime(), ProcessedBytes(), TotalBytes());
}

std::string CProgressStatus::GetStrTimeRemaining() const { return GetStrTimeRemaining(platform::Now()); }

std::string CProgressStatus::GetStrTimeRemaining(int64_t now) const {
    if (ProcessedBytes() == 0 || now - StartTime() <= kMinElapsedForEstimate) return "Computing Time Remaining";
    return FormatTimeRemaining(ComputeTimeRemaining(now));
}

}  // namespace velmora
