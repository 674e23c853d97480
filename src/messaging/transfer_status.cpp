#include "messaging/transfer_status.h"

#include "messaging/msg_send.h"
#include "platform/clock.h"

namespace velmora {

CTransferStatus::CTransferStatus() { StartTime(); }

CTransferStatus::CTransferStatus(const CObj& other) : CObj() { Copy(other); }

CTransferStatus::CTransferStatus(const CTransferStatus& other) : CObj() { Copy(other); }

CTransferStatus::CTransferStatus(MessageType type, bool fire)
    : m_eStatus(STATUS_PROGRESS), m_progress(type), m_bFire(fire) {
    StartTime();
}

CTransferStatus::CTransferStatus(const CProgressStatus& progress, bool fire)
    : m_eStatus(STATUS_PROGRESS), m_progress(progress), m_bFire(fire) {
    StartTime();
}

CTransferStatus::CTransferStatus(const CFtpPath& source, const CFtpPath& destination, eStatus status, bool fire)
    : m_eStatus(status), m_source(source), m_destination(destination), m_bFire(fire) {
    StartTime();
}

CTransferStatus& CTransferStatus::operator=(const CTransferStatus& other) {
    if (this != &other) Copy(other);
    return *this;
}

CTransferStatus::~CTransferStatus() {
    if (m_bFire) Fire();
}

void CTransferStatus::StartTime() { m_tStart = platform::Now(); }

void CTransferStatus::StopTime() { m_tStop = platform::Now(); }

void CTransferStatus::Fire() {
    StopTime();
    m_bFire = false;
    CMsgSend(MSG_TRANSFER_STATUS, this, 0);
}

int64_t CTransferStatus::GetTimeRemaining() const { return GetTimeRemaining(platform::Now()); }

int64_t CTransferStatus::GetTimeRemaining(int64_t now) const {
    return EstimateTimeRemaining(now - m_tStart, m_progress.ProcessedBytes(), m_progress.TotalBytes());
}

std::string CTransferStatus::GetStrTimeRemaining() const { return GetStrTimeRemaining(platform::Now()); }

std::string CTransferStatus::GetStrTimeRemaining(int64_t now) const {
    return FormatTimeRemaining(GetTimeRemaining(now));
}

CObj* CTransferStatus::CreateObject() const { return new CTransferStatus(); }

void CTransferStatus::Clear() {
    CObj::Clear();
    m_eStatus = STATUS_NONE;
    m_source.Clear();
    m_destination.Clear();
    m_strText.clear();
    m_bFlag = false;
    m_bFire = false;
    m_nIndex = -1;
    m_progress.Clear();
}

void CTransferStatus::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CTransferStatus*>(&src);
    if (!other || other == this) return;
    m_tStart = other->m_tStart;
    m_tStop = other->m_tStop;
    m_eStatus = other->m_eStatus;
    m_source = other->m_source;
    m_destination = other->m_destination;
    m_strText = other->m_strText;
    m_bFlag = other->m_bFlag;
    m_progress = other->m_progress;
}

}  // namespace velmora
