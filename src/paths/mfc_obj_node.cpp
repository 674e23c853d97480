#include "paths/mfc_obj_node.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "paths/file_filter.h"
#include "paths/file_find.h"
#include "platform/atomic_file.h"

namespace velmora {

CMFCObjNode::CMFCObjNode(const CMFCObjNode& other) : CObjNode() { Copy(other); }

CMFCObjNode& CMFCObjNode::operator=(const CMFCObjNode& other) {
    if (this != &other) Copy(other);
    return *this;
}

void CMFCObjNode::Clear() {
    CObjNode::Clear();
    m_hTreeItem = nullptr;
    m_nImage = 0;
    m_nSelectedImage = 0;
    m_strDoc.clear();
    m_bDocIsPath = false;
    SetNote("");
}

void CMFCObjNode::Copy(const CObj& src) {
    CObjNode::Copy(src);
    const auto* other = dynamic_cast<const CMFCObjNode*>(&src);
    if (!other || other == this) return;
    m_nImage = other->m_nImage;
    m_nSelectedImage = other->m_nSelectedImage;
    // The copy's path is not this one's.
    m_strDoc = other->GetDocumentPathName();
    m_bDocIsPath = false;
    SetNote(other->GetNote());
    m_hTreeItem = nullptr;
}

CMFCObjNode* CMFCObjNode::Clone() const {
    auto* copy = static_cast<CMFCObjNode*>(CObjNode::Clone());
    copy->m_Path = m_Path;
    return copy;
}

void CMFCObjNode::WriteXMLAttr(std::string& out) const {
    CObjNode::WriteXMLAttr(out);
    const std::string doc = XMLEscape(GetDocumentPathName());
    const std::string note = XMLEscape(GetNote());
    out += Format(" %s='%s' %s='%s' ", "doc", doc.c_str(), "note", note.c_str());
}

bool CMFCObjNode::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (CObjNode::ReadXMLAttr(name, value)) return true;
    if (EqualsNoCase(name, "doc")) {
        m_strDoc = value;
        m_bDocIsPath = false;
    } else if (EqualsNoCase(name, "note")) {
        SetNote(value);
    } else {
        return false;
    }
    return true;
}

// --- Binary archive ---------------------------------------------------------

bool CMFCObjNode::Write(CArchive& archive) const {
    archive.WriteInt32(m_nImage);
    archive.WriteInt32(m_nSelectedImage);
    archive.WriteString(GetDocumentPathName());
    archive.WriteString(GetNote());
    archive.WriteString(GetName());
    archive.WriteString(GetValue());
    archive.WriteString(GetLastError());
    archive.WriteInt32(GetSiblingIndex());
    archive.WriteInt32(GetNodeType());
    archive.WriteUInt32(GetState());
    archive.WriteString(GetStrGUID());
    archive.WriteUInt32(uModified);
    archive.WriteUInt32(Status);
    archive.WriteString(CObj::GetStrGUID());
    int32_t count = 0;
    ForEachChild([&](const CMFCObjNode&) { ++count; });
    archive.WriteInt32(count);
    bool ok = true;
    ForEachChild([&](const CMFCObjNode& child) { ok = ok && child.Write(archive); });
    return ok && archive.IsOk();
}

bool CMFCObjNode::Read(CArchive& archive) {
    int32_t image = 0, selectedImage = 0, sibIndex = 0, type = 0, count = 0;
    uint32_t state = 0, modified = 0, status = 0;
    std::string doc, note, name, value, error, guid, objGuid;
    const bool fields = archive.ReadInt32(image) && archive.ReadInt32(selectedImage) &&
                        archive.ReadString(doc) && archive.ReadString(note) && archive.ReadString(name) &&
                        archive.ReadString(value) && archive.ReadString(error) &&
                        archive.ReadInt32(sibIndex) && archive.ReadInt32(type) && archive.ReadUInt32(state) &&
                        archive.ReadString(guid) && archive.ReadUInt32(modified) &&
                        archive.ReadUInt32(status) && archive.ReadString(objGuid) && archive.ReadInt32(count);
    if (!fields) return false;
    m_nImage = image;
    m_nSelectedImage = selectedImage;
    m_strDoc = doc;
    m_bDocIsPath = false;
    SetNote(note);
    SetName(name);
    SetValue(value);
    ShowError(error);
    SetSiblingIndex(sibIndex);
    SetNodeType(type);
    SetState(state);
    SetGUID(guid);
    uModified = modified;
    Status = status;
    SetStrGUID(objGuid);

    if (count < 0) {
        archive.SetError("Malformed child count in the archive");
        return false;
    }
    if (!archive.EnterLevel()) return false;
    // The count is not trusted: children are read one by one until the
    // count is reached or the data fails.
    for (int32_t i = 0; i < count && archive.IsOk(); ++i) {
        CMFCObjNode* child = Cast(CreateNode());
        if (!child) {
            archive.SetError("The node class cannot hold archived children");
            break;
        }
        AddNode(child);
        if (!child->Read(archive)) break;
    }
    archive.LeaveLevel();
    return archive.IsOk();
}

// --- Tree control -------------------------------------------------------------

void CMFCObjNode::Show(ITreeCtrl& tree, bool refresh) {
    ShowItems(tree, refresh);
    // One pass over the subtree sets every check box the walk may have added.
    SetChecked(tree);
}

void CMFCObjNode::ShowItems(ITreeCtrl& tree, bool refresh) {
    if (!IsVisible()) return;
    if (!m_hTreeItem) {
        const CMFCObjNode* parent = Cast(GetParent());
        m_hTreeItem = tree.InsertItem(GetName(), parent ? parent->m_hTreeItem : nullptr, this);
        // Without an item of its own the subtree would land at the top level.
        if (!m_hTreeItem) return;
        if (m_nImage != 0) ApplyImage(tree);
    } else if (refresh || IsModified(ModifiedName)) {
        RemoveModified(ModifiedName);
        tree.SetItemText(m_hTreeItem, GetName());
    }
    ForEachChild([&](CMFCObjNode& child) { child.ShowItems(tree, refresh); });
}

void CMFCObjNode::ApplyImage(ITreeCtrl& tree) const {
    tree.SetItemImage(m_hTreeItem, m_nImage, m_nSelectedImage < 0 ? m_nImage : m_nSelectedImage);
}

void CMFCObjNode::UpdateImage(ITreeCtrl& tree, bool descendants) {
    if (m_hTreeItem && IsVisible() && m_nImage != 0) ApplyImage(tree);
    if (descendants) ForEachChild([&](CMFCObjNode& child) { child.UpdateImage(tree, true); });
}

void CMFCObjNode::SetChecked(ITreeCtrl& tree) {
    if (tree.HasCheckBoxes()) SetCheckBoxes(tree);
}

void CMFCObjNode::SetCheckBoxes(ITreeCtrl& tree) const {
    if (m_hTreeItem) tree.SetCheck(m_hTreeItem, IsChecked());
    ForEachChild([&](const CMFCObjNode& child) { child.SetCheckBoxes(tree); });
}

void CMFCObjNode::ReadChecked(ITreeCtrl& tree) {
    SetChecked(m_hTreeItem != nullptr && tree.GetCheck(m_hTreeItem));
    ForEachChild([&](CMFCObjNode& child) { child.ReadChecked(tree); });
}

bool CMFCObjNode::IsChecked(TreeItem item) {
    const CMFCObjNode* owner = Find(item);
    return owner && owner->IsChecked();
}

CMFCObjNode* CMFCObjNode::SetChecked(TreeItem item, bool on) {
    CMFCObjNode* owner = Find(item);
    if (owner) owner->SetChecked(on);
    return owner;
}

void CMFCObjNode::SetSelected(TreeItem item, bool on) {
    if (item && m_hTreeItem == item) {
        SetSelected(on);
    } else if (on) {
        SetSelected(false);
    }
    ForEachChild([&](CMFCObjNode& child) { child.SetSelected(item, on); });
}

CMFCObjNode* CMFCObjNode::SetSelected(ITreeCtrl& tree) {
    CMFCObjNode* selected = Cast(FindFirst([](const CObjNode& node) {
        const CMFCObjNode* shown = dynamic_cast<const CMFCObjNode*>(&node);
        return shown && shown->m_hTreeItem && shown->IsSelected();
    }));
    if (selected) tree.SelectItem(selected->m_hTreeItem);
    return selected;
}

void CMFCObjNode::Select(ITreeCtrl& tree) {
    if (m_hTreeItem) tree.SelectItem(m_hTreeItem);
}

CMFCObjNode* CMFCObjNode::Select(const platform::Guid& guid, ITreeCtrl& tree) {
    return Select(platform::GuidToString(guid), tree);
}

CMFCObjNode* CMFCObjNode::Select(std::string_view guid, ITreeCtrl& tree) {
    CMFCObjNode* node = FindByGUID(guid);
    if (node) node->Select(tree);
    return node;
}

void CMFCObjNode::Expand(ITreeCtrl& tree, int code) {
    if (CMFCObjNode* parent = Cast(GetParent())) parent->Expand(tree, code);
    if (m_hTreeItem) tree.Expand(m_hTreeItem, code);
}

void CMFCObjNode::Collapse(ITreeCtrl& tree) {
    if (m_hTreeItem) tree.Expand(m_hTreeItem, ITreeCtrl::kCollapse);
}

CMFCObjNode* CMFCObjNode::Expand(const platform::Guid& guid, ITreeCtrl& tree) {
    return Expand(platform::GuidToString(guid), tree);
}

CMFCObjNode* CMFCObjNode::Expand(std::string_view guid, ITreeCtrl& tree) {
    CMFCObjNode* node = FindByGUID(guid);
    if (node) node->Expand(tree, ITreeCtrl::kExpand);
    return node;
}

void CMFCObjNode::ExpandChecked(ITreeCtrl& tree) {
    if (IsChecked()) Expand(tree, ITreeCtrl::kExpand);
    ForEachChild([&](CMFCObjNode& child) { child.ExpandChecked(tree); });
}

void CMFCObjNode::Delete(ITreeCtrl& tree) {
    if (m_hTreeItem) tree.DeleteItem(m_hTreeItem);
    RemoveAndDestroy();
}

void CMFCObjNode::DeleteChildren(ITreeCtrl& tree) {
    std::vector<CMFCObjNode*> children;
    ForEachChild([&](CMFCObjNode& child) { children.push_back(&child); });
    for (CMFCObjNode* child : children) child->Delete(tree);
}

void CMFCObjNode::ClearTreeItem() {
    m_hTreeItem = nullptr;
    ForEachChild([](CMFCObjNode& child) { child.ClearTreeItem(); });
}

CMFCObjNode* CMFCObjNode::Find(TreeItem item) {
    if (!item) return nullptr;
    return Cast(FindFirst([item](const CObjNode& node) {
        const CMFCObjNode* shown = dynamic_cast<const CMFCObjNode*>(&node);
        return shown && shown->m_hTreeItem == item;
    }));
}

// --- Paths and fields -----------------------------------------------------------

CMFCObjNode* CMFCObjNode::Find(const CFilePath& path) {
    if (path.IsEmpty()) return nullptr;
    return Cast(FindFirst([&](const CObjNode& node) {
        const CMFCObjNode* shown = dynamic_cast<const CMFCObjNode*>(&node);
        return shown && shown->m_Path.IsEqual(path);
    }));
}

CMFCObjNode* CMFCObjNode::FindDir(const CFilePath& path) {
    if (path.IsEmpty()) return nullptr;
    const std::string dir = path.GetDir();
    return Cast(FindFirst([&](const CObjNode& node) {
        const CMFCObjNode* shown = dynamic_cast<const CMFCObjNode*>(&node);
        return shown && shown->m_Path.GetDir() == dir;
    }));
}

CFtpPath CMFCObjNode::GetRootPath() const {
    const CObjNode* root = this;
    while (root->GetParent()) root = root->GetParent();
    const CMFCObjNode* shown = dynamic_cast<const CMFCObjNode*>(root);
    return shown ? shown->m_Path : CFtpPath();
}

void CMFCObjNode::SetDocumentPathName(std::string_view text) {
    m_strDoc = text;
    m_bDocIsPath = false;
    std::replace(m_strDoc.begin(), m_strDoc.end(), '/', '\\');
}

void CMFCObjNode::ShowError(const std::exception& error) {
    ShowError(std::string_view(error.what()).substr(0, 255));
}

// --- Unique names -----------------------------------------------------------------

template <class Exists>
bool CMFCObjNode::MakeUnique(std::string& name, Exists exists) {
    int changes = 0;
    while (changes < kMaxUniqueChanges && exists(name)) {
        // "base(n)" counts on from n; any other name starts at 1.
        const size_t open = name.rfind('(');
        const size_t close = name.rfind(')');
        std::string base = TrimText(name);
        int number = 0;
        if (open != std::string::npos && close != std::string::npos && open < close) {
            base = TrimText(std::string_view(name).substr(0, open));
            number = ParseInt32(std::string_view(name).substr(open + 1, close - open - 1));
        }
        name = Format("%s(%lld)", base.c_str(), static_cast<long long>(number) + 1);
        ++changes;
    }
    return changes > 0;
}

bool CMFCObjNode::UniqueName(std::string& name) {
    return MakeUnique(name, [this](const std::string& candidate) { return FindByName(candidate) != nullptr; });
}

bool CMFCObjNode::UniqueChildName(std::string& name) {
    return MakeUnique(name, [this](const std::string& candidate) {
        return CObjNode::FindChildByName(candidate) != nullptr;
    });
}

// --- File system ------------------------------------------------------------------

bool CMFCObjNode::LoadFileSystem(std::string_view folder, const CFileFilter* filter) {
    std::vector<std::string> problems;
    const bool ok = LoadFileSystem(folder, filter, problems);
    if (!ok) ShowError(problems.back());
    return ok;
}

bool CMFCObjNode::LoadFileSystem(std::string_view folder, const CFileFilter* filter,
                                 std::vector<std::string>& problems, bool followLinks) {
    const size_t before = problems.size();
    std::vector<std::string> trail{platform::RealPath(folder)};
    LoadFolder(std::string(folder), filter, problems, followLinks ? &trail : nullptr);
    return problems.size() == before;
}

bool CMFCObjNode::LoadFolder(const std::string& folder, const CFileFilter* filter,
                             std::vector<std::string>& problems, std::vector<std::string>* trail) {
    if (!CFilePath::IsExistsDirectory(folder)) {
        problems.push_back(Format("Cannot read the folder %s", folder.c_str()));
        return false;
    }
    CFileFind find;
    bool more = find.FindFile(folder + "/*.*");
    // An empty folder lists nothing; one that cannot be listed is a problem,
    // never an empty folder.
    if (!more && !find.GetLastError().empty()) {
        problems.push_back(Format("Cannot read the folder %s: %s", folder.c_str(), find.GetLastError().c_str()));
        return false;
    }
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots() || (filter && filter->IsSkip(find))) continue;
        // A path reads "\" as a separator: such a name would stand for
        // another file.
        if (find.GetFileName().find('\\') != std::string::npos) {
            problems.push_back(Format("Name not supported (\\): %s", find.GetFilePath().c_str()));
            continue;
        }
        const bool isFolder = find.IsDirectory();
        CMFCObjNode* child = AddNode(isFolder ? find.GetFileTitle() : find.GetFileName());
        if (!child) continue;
        child->SetCatalog(isFolder);
        child->CreateGUID();
        child->m_Path.Copy(find);
        // The document path is the entry's full path, most often the path's
        // own text: then it is kept once.
        const std::string path = find.GetFilePath();
        child->m_bDocIsPath = child->m_Path.GetPath() == path;
        if (!child->m_bDocIsPath) child->m_strDoc = path;
        const bool link = find.IsSymlink();
        if (link) child->m_Path.AddAttr(platform::FileAttrReparsePoint);
        if (!isFolder || (link && !trail)) continue;
        if (!trail) {
            if (!child->LoadFolder(find.GetFilePath(), filter, problems, nullptr)) child->RemoveAndDestroy();
            continue;
        }
        // A folder the walk is in already, reached again through a link,
        // would be walked without end.
        const std::string real = platform::RealPath(find.GetFilePath());
        if (real.empty() || std::find(trail->begin(), trail->end(), real) != trail->end()) {
            if (filter) filter->Refused(find.GetFilePath(), "Link to a folder above not followed");
            child->RemoveAndDestroy();
            continue;
        }
        trail->push_back(real);
        if (!child->LoadFolder(find.GetFilePath(), filter, problems, trail)) child->RemoveAndDestroy();
        trail->pop_back();
    }
    // Reading that failed on the way left the rest of the folder unlisted.
    if (!find.GetLastError().empty()) {
        problems.push_back(Format("Cannot read the folder %s: %s", folder.c_str(), find.GetLastError().c_str()));
        return false;
    }
    return true;
}

bool CMFCObjNode::LoadFileSystem(TreeItem item, std::string_view) {
    CMFCObjNode* node = Find(item);
    if (!node || node->GetChildCount() != 0) return false;
    return node->LoadFileSystem(node->GetDocumentPathName(), nullptr);
}

// --- Files --------------------------------------------------------------------------

bool CMFCObjNode::WriteWholeFile(std::string_view file, std::string_view data) {
    std::string error;
    if (platform::WriteFileReplacing(file, data, &error)) return true;
    ShowError(error);
    return false;
}

bool CMFCObjNode::Save(std::string_view file) {
    CArchive archive;
    if (!Write(archive)) {
        ShowError(archive.GetLastError());
        return false;
    }
    return WriteWholeFile(file, archive.GetData());
}

bool CMFCObjNode::Load(std::string_view file) {
    std::string data, error;
    if (!platform::ReadWholeFile(file, data, &error)) {
        ShowError(error);
        return false;
    }
    CArchive archive(data);
    if (Read(archive)) return true;
    ShowError(archive.GetLastError());
    return false;
}

bool CMFCObjNode::SaveXML(std::string_view file) {
    std::string text;
    WriteXML(text);
    return WriteWholeFile(file, text);
}

CMFCObjNode* CMFCObjNode::LoadXML(std::string_view file) {
    std::string text, error;
    if (!platform::ReadWholeFile(file, text, &error)) {
        ShowError(error);
        return nullptr;
    }
    return CreateFromXML(text);
}

CMFCObjNode* CMFCObjNode::CreateFromXML(std::string_view text) {
    if (text.empty()) return nullptr;
    // Children this node had before stay; only what the text adds counts.
    const int before = GetChildCount();
    ReadXML(text);
    std::vector<CObjNode*> added;
    int index = 0;
    for (CObjNode* child : GetChildren()) {
        if (index++ >= before) added.push_back(child);
    }
    if (added.empty()) return nullptr;
    for (size_t i = 1; i < added.size(); ++i) added[i]->RemoveAndDestroy();
    CObjNode* first = CObjNode::Remove(added.front());
    if (CMFCObjNode* node = Cast(first)) return node;
    first->RemoveAndDestroy();
    return nullptr;
}

}  // namespace velmora
