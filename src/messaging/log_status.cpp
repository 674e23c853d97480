#include "messaging/log_status.h"

#include "base/format.h"
#include "base/text.h"
#include "messaging/log_file.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "platform/clock.h"

namespace velmora {

thread_local int CLogStatus::m_nDepth = 0;

CLogStatus::CLogStatus() = default;

CLogStatus::CLogStatus(int32_t kind, const std::string& source, const std::string& action,
                       const std::string& text)
    : m_nKind(kind), m_strSource(source), m_strAction(action), m_strText(text) {
    Make();
}

CLogStatus::CLogStatus(int32_t kind, const std::string& source, const std::string& action,
                       const CFtpPath& path)
    : m_nKind(kind), m_strSource(source), m_strAction(action), m_nForm(LOG_FILE_RECORD), m_path(path) {
    Make();
}

CLogStatus::CLogStatus(const CLogStatus& other) : CObj() { Copy(other); }

CLogStatus& CLogStatus::operator=(const CLogStatus& other) {
    if (this != &other) Copy(other);
    return *this;
}

CLogStatus::~CLogStatus() = default;

void CLogStatus::Send(int32_t kind, const std::string& source, const std::string& action,
                      const std::string& text) {
    CLogStatus(kind, source, action, text).Send();
}

void CLogStatus::Send(int32_t kind, const std::string& source, const std::string& action,
                      const CFtpPath& path) {
    CLogStatus(kind, source, action, path).Send();
}

std::string CLogStatus::GetKindWord(int32_t kind) {
    static const char* const words[] = {"None",  "RunJob",   "EndJob", "Begin",       "End",
                                        "Start", "Done",     "OK",     "Excluded",    "Source",
                                        "Destination", "Error", "Status", "Sync"};
    constexpr int32_t count = static_cast<int32_t>(sizeof(words) / sizeof(words[0]));
    return ToUpperAscii(kind >= 0 && kind < count ? words[kind] : "(int-ERROR)");
}

void CLogStatus::SetPath(const CFtpPath& path) {
    m_path = path;
    m_nForm = LOG_FILE_RECORD;
}

void CLogStatus::SetText(const std::string& text) {
    m_strText = text;
    m_nForm = LOG_TEXT_RECORD;
}

void CLogStatus::Make() {
    m_tTime = platform::Now();
    m_strTime = platform::FormatLocalTime(m_tTime, "%c");
    m_strKind = GetKindWord(m_nKind);
    const std::string dashes(static_cast<size_t>(std::max(GetDepth(), 0)), '-');
    const std::string marker = Format("%s %-16s", dashes.c_str(), m_strKind.c_str());
    const std::string detail =
        m_nForm == LOG_FILE_RECORD
            ? Format("%-24s  %s", m_path.GetFileName(true).c_str(), m_path.GetPath().c_str())
            : m_strText;
    m_strLine = Format("%s %-6s %s %s %s ", m_strTime.c_str(), m_strSource.c_str(), marker.c_str(),
                       m_strAction.c_str(), detail.c_str());
}

void CLogStatus::Send() const {
    CMsgSend(MSG_LOG_RECORD, this, 0);
    CLogFile().Add(m_strLine + "\r\n");
}

CObj* CLogStatus::CreateObject() const { return new CLogStatus(); }

void CLogStatus::Clear() {
    CObj::Clear();
    m_nKind = LOG_NONE;
    m_tTime = 0;
    m_strTime.clear();
    m_strKind.clear();
    m_strSource.clear();
    m_strAction.clear();
    m_nForm = LOG_TEXT_RECORD;
    m_path.Clear();
    m_strText.clear();
    m_strLine.clear();
}

void CLogStatus::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CLogStatus*>(&src);
    if (!other || other == this) return;
    m_nKind = other->m_nKind;
    m_tTime = other->m_tTime;
    m_strTime = other->m_strTime;
    m_strKind = other->m_strKind;
    m_strSource = other->m_strSource;
    m_strAction = other->m_strAction;
    m_nForm = other->m_nForm;
    m_path = other->m_path;
    m_strText = other->m_strText;
    m_strLine = other->m_strLine;
}

}  // namespace velmora
