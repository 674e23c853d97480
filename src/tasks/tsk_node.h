#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/db_schedule_obj.h"
#include "objects/archive.h"
#include "paths/mfc_obj_node.h"
#include "platform/api.h"
#include "tasks/attr_router.h"
#include "tasks/tansform.h"
#include "tasks/trans_point.h"

namespace velmora {

// The levels of a task tree (the node type).
enum eTskNodeType : int32_t {
    eTskRoot = 1,         // solution
    eTskProject = 2,
    eTskTransaction = 3,
    eTskSource = 4,       // source point, transform and schedule
    eTskDestination = 5,  // destination point: one task item
};

// A node of the task tree. A source node holds the source point, the
// transform and the schedule; a destination node holds the destination
// point, and its check mark (state bit 0x2) means that the item is disabled.
// Each level is shown with its own image: type x 2, plus 1 for a disabled
// destination.
class VELMORA_API CTskNode : public CMFCObjNode {
public:
    CTskNode() = default;
    CTskNode(std::string_view name, int32_t type) : CMFCObjNode(name, type) {}

    CObjNode* CreateNode() const override { return new CTskNode(); }
    // The point's and the transform's defaults.
    void Default() override;
    // The node fields, the point and the transform; not the schedule.
    void Copy(const CObj& src) override;
    // Deep copy that also keeps each node's schedule.
    CTskNode* Clone() const override;
    // The node's attributes, then the point's, then the transform's.
    void WriteXMLAttr(std::string& out) const override;
    using CMFCObjNode::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    // The node record, then one string holding the point's and the
    // transform's elements. The schedule is not part of it.
    bool Write(CArchive& archive) const override;
    bool Read(CArchive& archive) override;
    // Check boxes and images of the subtree.
    using CMFCObjNode::SetChecked;
    void SetChecked(ITreeCtrl& tree) override;

    bool IsDestination() const { return GetNodeType() == eTskDestination; }
    // The image of the node's level and check mark; the selected image
    // follows it.
    void UpdateImageIndex();

    CTransPoint& GetTransPoint() { return m_TransPoint; }
    const CTransPoint& GetTransPoint() const { return m_TransPoint; }
    CTansform& GetTransform() { return m_Transform; }
    const CTansform& GetTransform() const { return m_Transform; }
    CDBScheduleObj& GetSchedule() { return m_Schedule; }
    const CDBScheduleObj& GetSchedule() const { return m_Schedule; }

private:
    bool ReadNodeAttr(const std::string& name, const std::string& value);

    CTransPoint m_TransPoint;
    CTansform m_Transform;
    CDBScheduleObj m_Schedule;
    CAttrRouter m_router;
};

}  // namespace velmora
