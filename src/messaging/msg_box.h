#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "messaging/listener.h"
#include "objects/std_list.h"
#include "platform/api.h"

namespace velmora {

class CMsg;

// The process-wide message dispatcher. Listeners subscribe under a name;
// senders broadcast to every listener in subscription order or address the
// first listener with a given name. Delivery is a direct call of OnMsg on the
// sender's thread while the sender holds m_mutex, a re-entrant lock: other
// threads that subscribe, unsubscribe or send wait until the delivery is
// over, and a listener may send, subscribe or unsubscribe from inside OnMsg.
//
// The box keeps raw pointers and never deletes a listener. Its list is
// changed only through Subscribe and Unsubscribe, so that the indexes that
// make both constant-time stay right (engine objects subscribe in bulk).
// A listener taken out during a broadcast is skipped by it; one added during
// a broadcast hears it too (after the listeners that were there).
class VELMORA_API CMsgBox : protected CStdList<CListener, CListener*> {
public:
    // The one box; it exists as soon as the library is loaded.
    static CMsgBox& Box();

    CMsgBox(const CMsgBox&) = delete;
    CMsgBox& operator=(const CMsgBox&) = delete;

    // Does nothing for a null listener, an empty key or a listener that is
    // already subscribed (its name stays as it was).
    void Subscribe(const std::string& key, CListener* listener);
    void Unsubscribe(CListener* listener);
    void Send(CMsg& msg);
    // Delivers to the oldest subscription with exactly this name, if any.
    void SendTo(const std::string& key, CMsg& msg);

    int GetCount();

    // Called by ~CListener; safe also while the process shuts the box down.
    static void UnsubscribeOnDestruction(CListener* listener);

protected:
    CListener* Find(const std::string& key);
    CListener* Find(CListener* listener);
    void RemoveKey(const std::string& key);

private:
    CMsgBox();
    ~CMsgBox() override;

    struct Subscription {
        POSITION pos;
        uint64_t order;
        std::string key;
    };

    void Erase(CListener* listener);
    void DropEmptySlots();

    static std::atomic<CMsgBox*> m_pBox;
    // Held for every delivery. Lock order: a sender may hold its own locks
    // (a job's report lock) while it sends; a listener never waits in OnMsg
    // for anything that needs one of them, and nothing waits on the network
    // or on a user under this lock: the box carries notifications only.
    std::recursive_mutex m_mutex;
    std::unordered_map<CListener*, Subscription> m_subscriptions;
    // For each name, its listeners by subscription order.
    std::unordered_map<std::string, std::map<uint64_t, CListener*>> m_names;
    uint64_t m_nNextOrder = 0;
    // Broadcasts in progress on the locking thread; while there are any,
    // unsubscribing leaves an empty slot instead of erasing the list node,
    // so that no broadcast loses its place.
    int m_nSending = 0;
    bool m_bEmptySlots = false;
};

}  // namespace velmora
