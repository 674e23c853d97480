#pragma once

#include <memory>
#include <string>

#include <QEvent>

#include "app/common/drag_item.h"
#include "messaging/msg.h"

class QObject;

namespace parcelo {

// A drop on its way from the drop call to the window's own queue: a copy of
// the dropped item (the message's object), the target tree node (not owned)
// with its identity, and the drop effect.
class CMsgDropItem : public velmora::CMsg {
public:
    // The window message number of a posted drop.
    static constexpr int32_t kCommand = 1038;

    CMsgDropItem() : CMsg(kCommand, nullptr, 0) {}
    CMsgDropItem(const CDropItem& item, velmora::CObj* target, int effect);

    velmora::CObj* CreateObject() const override { return new CMsgDropItem; }
    void Copy(const velmora::CObj& src) override;

    // The dropped item; null only in an empty message.
    const CDropItem* GetDropItem() const { return dynamic_cast<const CDropItem*>(Object()); }
    velmora::CObj* GetTarget() const { return m_pTarget; }
    // The GUID of a target that is a tree node: the window finds the node by
    // it, since the tree may have been rebuilt (and the address reused) while
    // the drop waited.
    const std::string& GetTargetGUID() const { return m_strTargetGUID; }
    int GetEffect() const { return m_nEffect; }

    // Posts the message to the window, which receives it as a CDropItemEvent
    // once the drop call has returned.
    static void Post(QObject* window, std::unique_ptr<CMsgDropItem> msg);

private:
    velmora::CObj* m_pTarget = nullptr;
    std::string m_strTargetGUID;
    int m_nEffect = 0;
};

// The event that carries a posted drop; the window takes the message from it
// (and then owns it), otherwise the event deletes it.
class CDropItemEvent : public QEvent {
public:
    static const QEvent::Type kType;

    explicit CDropItemEvent(std::unique_ptr<CMsgDropItem> msg);
    std::unique_ptr<CMsgDropItem> Take() { return std::move(m_pMsg); }

private:
    std::unique_ptr<CMsgDropItem> m_pMsg;
};

}  // namespace parcelo
