#include "tasks/tsk_item.h"

#include <type_traits>

#include "base/text.h"
#include "base/tokenizer.h"
#include "tasks/tsk_node.h"

namespace velmora {

namespace {

// The node itself when it is of the level, else its nearest ancestor that
// is; null when there is none.
template <class Node>  // CTskNode or const CTskNode
Node* FindLevel(Node* node, int32_t type) {
    using Base = std::conditional_t<std::is_const_v<Node>, const CObjNode, CObjNode>;
    for (Base* level = node; level; level = level->GetParent()) {
        if (level->GetNodeType() == type) return dynamic_cast<Node*>(level);
    }
    return nullptr;
}

// The level above the node's own: source above destination, transaction
// above source, and so on up to the root.
template <class Node>
Node* LevelAbove(Node* node) {
    const int32_t type = node->GetNodeType();
    return (type > eTskRoot && type <= eTskDestination) ? FindLevel(node, type - 1) : nullptr;
}

// An FTP site is named by its whole location, anything else by its last name.
std::string Label(const CTransPoint& point) {
    if (point.GetPointType() == ePointFtp) return point.GetStrPath();
    CStringTokenizer parts(point.GetStrPath());
    return parts.GetPrev("\\/");
}

// A renamed node's tree item shows the new name on the next Show.
void Rename(CTskNode& node, const std::string& name) {
    if (node.GetName() == name) return;
    node.SetName(name);
    node.AddModified(CMFCObjNode::ModifiedName);
}

}  // namespace

// --- CTskItem ------------------------------------------------------------------------

CTskItem::CTskItem() { Clear(); }

CTskItem::CTskItem(const CTskItem& other) : CObj() { Copy(other); }

CTskItem::CTskItem(const CTskNode* node) {
    Clear();
    Copy(node);
}

CTskItem::CTskItem(const CTransPoint& source, const CTansform& transform, const CTransPoint& destination) {
    Clear();
    m_Source = source;
    m_Transform = transform;
    m_Destination = destination;
}

CTskItem& CTskItem::operator=(const CTskItem& other) {
    if (this != &other) Copy(other);
    return *this;
}

void CTskItem::Clear() {
    CObj::Clear();
    m_uStatus = 0;
    m_strSolution.clear();
    m_strProject.clear();
    m_strTransaction.clear();
    m_Source.Clear();
    m_Destination.Clear();
    m_Transform.Clear();
    m_Schedule.Clear();
}

void CTskItem::Default() {
    CObj::Clear();
    m_uStatus = 0;
    m_strProject = "My Project";
    m_strSolution = "My Solution";
    m_strTransaction = "Trans";
    m_Source.Default();
    m_Destination.Default();
    m_Transform.Default();
    // A schedule has no defaults of its own; clearing it keeps a reused
    // item from carrying the last job's schedule.
    m_Schedule.Clear();
    m_Schedule.Default();
}

void CTskItem::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CTskItem*>(&src);
    if (!other || other == this) return;
    m_uStatus = other->m_uStatus;
    m_strSolution = other->m_strSolution;
    m_strProject = other->m_strProject;
    m_strTransaction = other->m_strTransaction;
    m_Source = other->m_Source;
    m_Destination = other->m_Destination;
    m_Transform = other->m_Transform;
    m_Schedule = other->m_Schedule;
}

bool CTskItem::IsFromOrToEmpty() const {
    return TrimText(GetSourcePath()).empty() || TrimText(GetDestinationPath()).empty();
}

std::string CTskItem::GetDescription() const {
    return "//  Operation....." + m_Transform.GetStrOp() + "  //\r\n" + "Source:......." +
           m_Source.GetDescription() + "\r\n" + m_Transform.GetDescription() + "\r\n" + "Destination:.." +
           m_Destination.GetDescription() + "\r\n";
}

std::string CTskItem::GetCap() const {
    return m_Transform.GetStrOp() + ": To '" + Label(m_Destination) + "' From '" + Label(m_Source) + "'";
}

// --- Tree conversion -------------------------------------------------------------------

void CTskItem::Copy(const CTskNode* node) {
    if (!node) return;
    Default();
    for (const CTskNode* level = node; level; level = LevelAbove(level)) CopyFromLevel(*level);
}

void CTskItem::CopyFromLevel(const CTskNode& node) {
    switch (node.GetNodeType()) {
        case eTskDestination:
            SetStrGUID(node.GetStrGUID());
            m_Destination = node.GetTransPoint();
            m_Destination.SetName(node.GetName());
            StatusDisabled(node.IsChecked());
            break;
        case eTskSource:
            m_Schedule = node.GetSchedule();
            m_Source = node.GetTransPoint();
            m_Transform = node.GetTransform();
            m_Source.SetName(node.GetName());
            break;
        case eTskTransaction:
            m_strTransaction = node.GetName();
            break;
        case eTskProject:
            m_strProject = node.GetName();
            break;
        case eTskRoot:
            m_strSolution = node.GetName();
            break;
        default:
            break;
    }
}

void CTskItem::CopyTo(CTskNode* node) const {
    for (CTskNode* level = node; level; level = LevelAbove(level)) CopyToLevel(*level);
}

void CTskItem::CopyToLevel(CTskNode& node) const {
    switch (node.GetNodeType()) {
        case eTskDestination:
            Rename(node, m_Destination.GetName());
            node.GetTransPoint() = m_Destination;
            node.SetChecked(StatusDisabled());
            break;
        case eTskSource:
            Rename(node, m_Source.GetName());
            node.GetTransPoint() = m_Source;
            node.GetTransform() = m_Transform;
            break;
        case eTskTransaction:
            Rename(node, m_strTransaction);
            break;
        case eTskProject:
            Rename(node, m_strProject);
            break;
        case eTskRoot:
            Rename(node, m_strSolution);
            break;
        default:
            break;
    }
}

CTskNode* CTskItem::AddNode(CTskNode* parent) const {
    if (!parent) return nullptr;
    const int32_t type = parent->GetNodeType();
    if (type < eTskRoot || type >= eTskDestination) return nullptr;
    CTskNode* first = nullptr;
    CTskNode* source = parent;
    for (CTskNode* level = parent; level->GetNodeType() < eTskDestination;) {
        level = AddChildLevel(*level);
        if (!first) first = level;
        if (level->GetNodeType() == eTskSource) source = level;
    }
    first->CreateGUIDForAll(true);
    // Bound only now: a GUID taken before the new nodes got theirs would
    // name no node at all.
    if (source->GetStrGUID().empty()) source->CreateGUID();
    source->GetSchedule() = m_Schedule;
    source->GetSchedule().TargetGUID = source->GetStrGUID();
    return first;
}

CTskNode* CTskItem::AddChildLevel(CTskNode& parent) const {
    const int32_t type = parent.GetNodeType() + 1;
    std::string name;
    switch (type) {
        case eTskProject:
            name = m_strProject;
            break;
        case eTskTransaction:
            name = m_strTransaction;
            break;
        case eTskSource:
            name = m_Source.GetName().empty() ? "From" : m_Source.GetName();
            break;
        default:
            name = m_Destination.GetName().empty() ? "To" : m_Destination.GetName();
            break;
    }
    parent.UniqueChildName(name);
    auto* node = new CTskNode(name, type);
    if (type == eTskSource) {
        node->GetTransPoint() = m_Source;
        node->GetTransform() = m_Transform;
    } else if (type == eTskDestination) {
        node->GetTransPoint() = m_Destination;
    }
    parent.AddNode(node);
    return node;
}

bool CTskItem::IsBelong(const CTskNode* node) const { return node && node->GetStrGUID() == GetStrGUID(); }

CTskNode* CTskItem::FindSrcNode(CTskNode* node) { return FindLevel(node, eTskSource); }

CTskNode* CTskItem::FindTransNode(CTskNode* node) { return FindLevel(node, eTskTransaction); }

CTskNode* CTskItem::FindProjectNode(CTskNode* node) { return FindLevel(node, eTskProject); }

CTskNode* CTskItem::FindRootNode(CTskNode* node) { return FindLevel(node, eTskRoot); }

CTskNode* CTskItem::FindDstNode(CTskNode* node) const {
    if (!node) return nullptr;
    return dynamic_cast<CTskNode*>(node->GetRoot()->FindByGUID(std::string_view(GetStrGUID())));
}

CTskNode* CTskItem::FindTransactNode(CTskNode* node) const { return FindTransNode(FindDstNode(node)); }

// --- CTskItems -------------------------------------------------------------------------

CTskItem* CTskItems::FindByGUID(std::string_view guid) const {
    if (guid.empty()) return nullptr;
    for (CTskItem* item : *this) {
        if (item && item->GetStrGUID() == guid) return item;
    }
    return nullptr;
}

std::string CTskItems::GetDescription() const {
    std::string text;
    for (const CTskItem* item : *this) {
        if (item) text += item->GetDescription() + "\r\n";
    }
    return text;
}

bool CTskItems::HasArchive(const CTansform& transform) {
    return transform.IsCompressed() && !TrimText(transform.ZipPathName()).empty();
}

CTskItem* CTskItems::StartTransaction(const CTransPoint& source, CTansform& transform,
                                      const CTransPoint& destination, std::string_view workFolder) {
    if (!transform.IsCompressed()) return nullptr;
    const CFilePath archive = transform.MakeZipPathName(source.GetStrPath(), workFolder);
    transform.ZipPathName() = archive.GetPath();
    auto* item = new CTskItem(source, transform, destination);
    // This step only builds the archive; the name is fixed from here on.
    item->DestinationPoint() = CTransPoint(ePointFolder, CFtpPath(archive));
    item->GetTransform().SetCompressed();
    item->GetTransform().SetZipFileAuto(false);
    AddTail(item);
    return item;
}

CTskItem* CTskItems::AddTransaction(const CTransPoint& source, const CTansform& transform,
                                    const CTransPoint& destination) {
    auto* item = new CTskItem(source, transform, destination);
    if (HasArchive(transform)) {
        // The archive, not the original source, goes to this destination.
        item->SourcePoint().SetFtpPath(CFtpPath(transform.ZipPathName()));
        item->SourcePointType() = ePointFile;
        item->GetTransform().SetSimpleCopy();
        item->GetFilter().SetExcludes("");
    }
    AddTail(item);
    return item;
}

CTskItem* CTskItems::CommitTransaction(const CTransPoint& source, const CTansform& transform, const CTransPoint&) {
    if (!HasArchive(transform)) return nullptr;
    auto* item = new CTskItem();
    item->SourcePoint() = CTransPoint(ePointFile, CFtpPath(transform.ZipPathName()));
    item->SourcePoint().SetName(source.GetName());
    item->GetTransform().SetDeleteSourceFile();
    item->GetFilter().SetExcludes("");
    AddTail(item);
    return item;
}

bool CTskItems::AddCompression(const CTransPoint& source, CTansform transform, const CTransPoint& destination,
                               std::string_view workFolder) {
    if (!transform.IsCompressed()) return false;
    if (destination.GetPointType() == ePointFtp) {
        StartTransaction(source, transform, destination, workFolder);
        AddTransaction(source, transform, destination);
        CommitTransaction(source, transform, destination);
    } else if (destination.GetPointType() == ePointFile) {
        const CFilePath archive(destination.GetStrPath());
        transform.SetZipFileAuto(false);
        transform.ZipFileName() = archive.GetFileName(true);
        const CTransPoint folder(ePointFolder, CFtpPath(archive.GetDriveAndDir(), PATH_FOLDER));
        StartTransaction(source, transform, folder, archive.GetDriveAndDir());
    } else {
        StartTransaction(source, transform, destination, destination.GetStrPath());
    }
    return true;
}

}  // namespace velmora
