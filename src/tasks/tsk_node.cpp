#include "tasks/tsk_node.h"

#include <vector>

namespace velmora {

namespace {

const CAttrRouter::Names& NodeNames() {
    static const CAttrRouter::Names names = CAttrRouter::NamesOf(CMFCObjNode());
    return names;
}

}  // namespace

void CTskNode::Default() {
    CMFCObjNode::Default();
    m_TransPoint.Default();
    m_Transform.Default();
    m_router.Reset();
}

void CTskNode::Copy(const CObj& src) {
    CMFCObjNode::Copy(src);
    const auto* other = dynamic_cast<const CTskNode*>(&src);
    if (!other || other == this) return;
    m_TransPoint = other->m_TransPoint;
    m_Transform = other->m_Transform;
}

CTskNode* CTskNode::Clone() const {
    auto* copy = static_cast<CTskNode*>(CMFCObjNode::Clone());
    copy->m_Schedule = m_Schedule;
    return copy;
}

void CTskNode::WriteXMLAttr(std::string& out) const {
    CMFCObjNode::WriteXMLAttr(out);
    m_TransPoint.WriteXMLAttr(out);
    m_Transform.WriteXMLAttr(out);
}

bool CTskNode::ReadXMLAttr(const std::string& name, const std::string& value) {
    std::vector<CAttrRouter::Part> parts;
    parts.push_back({&NodeNames(), [this](const std::string& n, const std::string& v) { return ReadNodeAttr(n, v); }});
    m_TransPoint.AttrParts(parts);
    m_Transform.AttrParts(parts);
    return m_router.Route(parts, name, value);
}

bool CTskNode::ReadNodeAttr(const std::string& name, const std::string& value) {
    if (!CMFCObjNode::ReadXMLAttr(name, value)) return false;
    if (name == "state") UpdateImageIndex();
    return true;
}

void CTskNode::UpdateImageIndex() {
    const bool disabled = IsDestination() && IsChecked();
    SetImage(GetNodeType() * 2 + (disabled ? 1 : 0), -1);
}

void CTskNode::SetChecked(ITreeCtrl& tree) {
    if (GetTreeItem() && tree.HasCheckBoxes()) tree.SetCheck(GetTreeItem(), IsChecked());
    UpdateImageIndex();
    UpdateImage(tree, false);
    ForEachChild([&](CMFCObjNode& child) { child.SetChecked(tree); });
}

bool CTskNode::Write(CArchive& archive) const {
    if (!CMFCObjNode::Write(archive)) return false;
    std::string elements;
    m_TransPoint.WriteXML(elements);
    m_Transform.WriteXML(elements);
    archive.WriteString(elements);
    return archive.IsOk();
}

bool CTskNode::Read(CArchive& archive) {
    if (!CMFCObjNode::Read(archive)) return false;
    std::string elements;
    if (!archive.ReadString(elements)) return false;
    if (!m_TransPoint.ReadXML(elements) || !m_Transform.ReadXML(elements)) {
        archive.SetError("Malformed task node record");
        return false;
    }
    return true;
}

}  // namespace velmora
