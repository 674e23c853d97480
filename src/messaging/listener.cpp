#include "messaging/listener.h"

#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace velmora {

CListener::~CListener() {
    if (!m_strName.empty()) CMsgBox::UnsubscribeOnDestruction(this);
}

void CListener::OnUpdateListener(long, unsigned int, intptr_t, long*) {}

void CListener::OnMsg(CMsg&) {}

void CListeners::AddListener(CListener* listener) {
    if (listener) Add(listener);
}

void CListeners::RemoveListener(CListener* listener) { Remove(listener); }

void CListeners::UpdateListener(long code, unsigned int wParam, intptr_t lParam, long* result) {
    for (CListener* listener : *this) listener->OnUpdateListener(code, wParam, lParam, result);
}

long CListeners::Notify(long code, unsigned int wParam, intptr_t lParam) {
    long result = 0;
    UpdateListener(code, wParam, lParam, &result);
    return result;
}

void CListeners::ShowStatus(const std::string& text) {
    Notify(MSG_STATUS_TEXT, 0, reinterpret_cast<intptr_t>(&text));
}

void CListeners::ShowErrorStatus(const std::string& text) {
    Notify(MSG_ERROR_TEXT, 0, reinterpret_cast<intptr_t>(&text));
}

void CListeners::ProgressStart(bool flag) { Notify(MSG_PROGRESS_START, flag ? 1 : 0, 0); }

void CListeners::ProgressFinish() { Notify(MSG_PROGRESS_FINISH, 0, 0); }

void CListeners::ProgressSetCaption(const std::string& text) {
    Notify(MSG_PROGRESS_CAPTION, 0, reinterpret_cast<intptr_t>(text.c_str()));
}

void CListeners::ProgressSetStatus(const CStatusMap& status) {
    Notify(MSG_PROGRESS_STATUS, 0, reinterpret_cast<intptr_t>(&status));
}

void CListeners::ProgressSetPos(int pos) { Notify(MSG_PROGRESS_POS, static_cast<unsigned int>(pos), 0); }

void CListeners::ProgressSetRange(int lower, int upper) {
    Notify(MSG_PROGRESS_RANGE, static_cast<unsigned int>(lower), upper);
}

bool CListeners::ProgressCheckCancel() { return Notify(MSG_PROGRESS_CHECK_CANCEL, 0, 0) != 0; }

}  // namespace velmora
