#pragma once

#include <cstdint>
#include <string>

#include "messaging/msg_commands.h"
#include "messaging/progress_status.h"
#include "objects/obj.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// What the transfer engine announces (command 14): a file that was
// transferred, or a progress notification, with its own start and stop time.
//
// A status made with the fire flag broadcasts itself once, when it is
// destroyed, unless Fire was called before. Copies never inherit the flag,
// so the copies that listeners keep stay quiet.
class VELMORA_API CTransferStatus : public CObj {
public:
    enum eStatus : int32_t {
        STATUS_NONE = 0,
        STATUS_TRANSFERRED = 1,  // a file went from the source to the destination path
        STATUS_PROGRESS = 2,     // the progress status carries a notification
    };

    CTransferStatus();
    explicit CTransferStatus(const CObj& other);
    CTransferStatus(const CTransferStatus& other);
    CTransferStatus(MessageType type, bool fire);
    CTransferStatus(const CProgressStatus& progress, bool fire);
    CTransferStatus(const CFtpPath& source, const CFtpPath& destination, eStatus status, bool fire);
    CTransferStatus& operator=(const CTransferStatus& other);
    // Broadcasts the status when the fire flag is still set.
    ~CTransferStatus() override;

    eStatus GetStatus() const { return m_eStatus; }
    CProgressStatus& GetProgressStatus() { return m_progress; }
    const CProgressStatus& GetProgressStatus() const { return m_progress; }
    const CFtpPath& GetSource() const { return m_source; }
    const CFtpPath& GetDestination() const { return m_destination; }

    int64_t TotalBytes() const { return m_progress.TotalBytes(); }
    void TotalBytes(int64_t value) { m_progress.TotalBytes(value); }
    int64_t ProcessedBytes() const { return m_progress.ProcessedBytes(); }
    void ProcessedBytes(int64_t value) { m_progress.ProcessedBytes(value); }
    void TotalItems(int64_t value) { m_progress.TotalItems(value); }

    // Set the start or stop time to now.
    void StartTime();
    void StopTime();
    int64_t GetStartTime() const { return m_tStart; }
    void SetStartTime(int64_t seconds) { m_tStart = seconds; }
    int64_t GetStopTime() const { return m_tStop; }

    bool IsFire() const { return m_bFire; }
    void SetFire(bool fire) { m_bFire = fire; }
    // Sets the stop time, clears the fire flag and broadcasts a clone.
    void Fire();

    // Seconds still to go, measured from this status's own start time; 0
    // while nothing is processed.
    int64_t GetTimeRemaining() const;
    int64_t GetTimeRemaining(int64_t now) const;
    // The FormatTimeRemaining text (no "Computing" phase).
    std::string GetStrTimeRemaining() const;
    std::string GetStrTimeRemaining(int64_t now) const;

    // For the desktop program's lists; the library never reads these.
    int32_t m_nIndex = -1;
    std::string m_strText;
    bool m_bFlag = false;

    CObj* CreateObject() const override;
    // Leaves the start and stop times as they are.
    void Clear() override;
    // Copies everything but the display index and the fire flag.
    void Copy(const CObj& src) override;

protected:
    void SetProgressStatus(const CProgressStatus& progress) { m_progress = progress; }
    void SetStatus(eStatus status) { m_eStatus = status; }

private:
    int64_t m_tStart = 0;
    int64_t m_tStop = 0;
    eStatus m_eStatus = STATUS_NONE;
    CProgressStatus m_progress;
    CFtpPath m_source;
    CFtpPath m_destination;
    bool m_bFire = false;
};

}  // namespace velmora
