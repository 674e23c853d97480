#include "messaging/msg_box.h"

#include <iterator>

#include "messaging/msg.h"

namespace velmora {

std::atomic<CMsgBox*> CMsgBox::m_pBox{nullptr};

namespace {
// Creates the box while the library is being loaded.
[[maybe_unused]] const CMsgBox& box = CMsgBox::Box();
}  // namespace

CMsgBox& CMsgBox::Box() {
    static CMsgBox instance;
    return instance;
}

CMsgBox::CMsgBox() : CStdList(false, false) { m_pBox = this; }

CMsgBox::~CMsgBox() {
    m_pBox = nullptr;
    RemoveAll();
}

void CMsgBox::UnsubscribeOnDestruction(CListener* listener) {
    if (CMsgBox* current = m_pBox) current->Unsubscribe(listener);
}

void CMsgBox::Subscribe(const std::string& key, CListener* listener) {
    if (!listener || key.empty()) return;
    std::lock_guard lock(m_mutex);
    if (m_subscriptions.count(listener)) return;
    listener->m_strName = key;
    Add(listener);
    const uint64_t order = m_nNextOrder++;
    m_subscriptions.emplace(listener, Subscription{GetTailPosition(), order, key});
    m_names[key].emplace(order, listener);
}

void CMsgBox::Unsubscribe(CListener* listener) {
    if (!listener) return;
    std::lock_guard lock(m_mutex);
    Erase(listener);
}

void CMsgBox::Erase(CListener* listener) {
    const auto found = m_subscriptions.find(listener);
    if (found == m_subscriptions.end()) return;
    const Subscription& subscription = found->second;
    const auto named = m_names.find(subscription.key);
    named->second.erase(subscription.order);
    if (named->second.empty()) m_names.erase(named);
    if (m_nSending > 0) {
        *subscription.pos = nullptr;
        m_bEmptySlots = true;
    } else {
        m_elements.erase(subscription.pos);
    }
    m_subscriptions.erase(found);
}

void CMsgBox::DropEmptySlots() {
    if (!m_bEmptySlots) return;
    m_elements.remove(nullptr);
    m_bEmptySlots = false;
}

void CMsgBox::Send(CMsg& msg) {
    std::lock_guard lock(m_mutex);
    // Listeners added during this broadcast join its end and hear it too;
    // those that leave become empty slots, so positions stay valid.
    struct SendingScope {
        CMsgBox& box;
        explicit SendingScope(CMsgBox& b) : box(b) { ++box.m_nSending; }
        ~SendingScope() {
            if (--box.m_nSending == 0) box.DropEmptySlots();
        }
    } scope(*this);
    for (POSITION pos = m_elements.begin(); pos != m_elements.end(); ++pos) {
        if (CListener* listener = *pos) listener->OnMsg(msg);
    }
}

void CMsgBox::SendTo(const std::string& key, CMsg& msg) {
    std::lock_guard lock(m_mutex);
    if (CListener* listener = Find(key)) listener->OnMsg(msg);
}

int CMsgBox::GetCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_subscriptions.size());
}

CListener* CMsgBox::Find(const std::string& key) {
    std::lock_guard lock(m_mutex);
    const auto named = m_names.find(key);
    return named == m_names.end() ? nullptr : named->second.begin()->second;
}

CListener* CMsgBox::Find(CListener* listener) {
    std::lock_guard lock(m_mutex);
    return m_subscriptions.count(listener) ? listener : nullptr;
}

void CMsgBox::RemoveKey(const std::string& key) {
    std::lock_guard lock(m_mutex);
    if (CListener* listener = Find(key)) Erase(listener);
}

}  // namespace velmora
