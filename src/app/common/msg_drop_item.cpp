#include "app/common/msg_drop_item.h"

#include <QCoreApplication>

#include "objects/obj_node.h"

namespace parcelo {

CMsgDropItem::CMsgDropItem(const CDropItem& item, velmora::CObj* target, int effect)
    : CMsg(kCommand, &item, 0), m_pTarget(target), m_nEffect(effect) {
    if (const auto* node = dynamic_cast<const velmora::CObjNode*>(target)) m_strTargetGUID = node->GetStrGUID();
}

void CMsgDropItem::Copy(const velmora::CObj& src) {
    CMsg::Copy(src);
    if (const auto* other = dynamic_cast<const CMsgDropItem*>(&src)) {
        m_pTarget = other->m_pTarget;
        m_strTargetGUID = other->m_strTargetGUID;
        m_nEffect = other->m_nEffect;
    }
}

void CMsgDropItem::Post(QObject* window, std::unique_ptr<CMsgDropItem> msg) {
    if (window == nullptr || !msg) return;
    QCoreApplication::postEvent(window, new CDropItemEvent(std::move(msg)));
}

const QEvent::Type CDropItemEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

CDropItemEvent::CDropItemEvent(std::unique_ptr<CMsgDropItem> msg) : QEvent(kType), m_pMsg(std::move(msg)) {}

}  // namespace parcelo
