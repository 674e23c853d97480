#pragma once

#include <cstdint>
#include <string>

#include "messaging/msg.h"
#include "platform/api.h"

namespace velmora {

// The remaining-time text: "%d Seconds Remaining" up to a minute, else
// minutes and seconds, with hours when there are any (whole days dropped).
VELMORA_API std::string FormatTimeRemaining(int64_t seconds);

// A progress notification: command 16 with the notification as sub-command
// and the progress bar as unit (see ProgressUnit). Its counters live in three
// sub-messages, created together by the first setter:
//   slot 0: processed bytes, total bytes
//   slot 1: total items, start time (seconds since 1970, UTC)
//   slot 2: current file name
// Every byte count is 64-bit.
class VELMORA_API CProgressStatus : public CMsg {
public:
    CProgressStatus();
    explicit CProgressStatus(int32_t cmd);
    // Numeric arguments are kept as 64-bit values (positions and ranges count
    // bytes); Argc()/Argv() read their low 32 bits.
    CProgressStatus(int32_t unit, int32_t subCmd, int64_t argc, int64_t argv);
    CProgressStatus(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv);
    CProgressStatus(int32_t unit, int32_t subCmd, const std::string& caption);
    CProgressStatus(const CProgressStatus& other);
    CProgressStatus& operator=(const CProgressStatus& other);

    int64_t ProcessedBytes() const { return Slot64(0, false); }
    void ProcessedBytes(int64_t value) { SetSlot64(0, false, value); }
    int64_t TotalBytes() const { return Slot64(0, true); }
    void TotalBytes(int64_t value) { SetSlot64(0, true, value); }
    int64_t TotalItems() const { return Slot64(1, false); }
    void TotalItems(int64_t value) { SetSlot64(1, false, value); }
    int64_t StartTime() const { return Slot64(1, true); }
    void StartTime(int64_t value) { SetSlot64(1, true, value); }
    std::string CurFile() const;
    void CurFile(const std::string& name);

    // Creates the three counter slots when there are none.
    void Fix();

    std::string GetCaptionText() const { return StrArgc(); }
    // processed x 100 / total as "%2d%%"; a total of 0 counts as 1.
    std::string GetStrProgress() const;
    // Seconds still to go, estimated from the start time and the counters;
    // 0 while nothing is processed.
    int64_t ComputeTimeRemaining() const;
    int64_t ComputeTimeRemaining(int64_t now) const;
    // "Computing Time Remaining" while nothing is processed or in the first
    // four seconds, then the FormatTimeRemaining text.
    std::string GetStrTimeRemaining() const;
    std::string GetStrTimeRemaining(int64_t now) const;

    CObj* CreateObject() const override;

private:
    int64_t Slot64(int slot, bool second) const;
    void SetSlot64(int slot, bool second, int64_t value);
};

// The estimate both status classes use: elapsed x total / processed seconds
// in all, minus the elapsed time; 0 while nothing is processed.
VELMORA_API int64_t EstimateTimeRemaining(int64_t elapsed, int64_t processed, int64_t total);

}  // namespace velmora
