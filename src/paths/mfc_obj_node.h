#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "objects/archive.h"
#include "objects/obj_node.h"
#include "paths/file_path.h"
#include "platform/api.h"
#include "platform/controls.h"
#include "platform/guid.h"

namespace velmora {

class CFileFilter;

// A node that can be shown in a tree control: it owns at most one item of
// the control (the control itself is passed to each call), an image pair and
// a check box, and carries a path record, a document path and a note. The
// folder trees of the browser and the task tree derive from it; the engine
// builds one from a local folder (LoadFileSystem).
//
// The class also gives node trees their binary archive form. Derived classes
// extend the record by overriding Write/Read (call the base first: its
// record includes the children) and the node text by overriding
// WriteXMLAttr/ReadXMLAttr (base first, then their own names).
//
// State bits: 0 selected, 1 checked, 2 catalog (a folder), 3 hidden (never
// shown). uModified bit 0: the name changed and the item text is stale.
class VELMORA_API CMFCObjNode : public CObjNode {
public:
    using ITreeCtrl = platform::ITreeCtrl;
    using TreeItem = platform::TreeItem;

    enum : uint32_t { ModifiedName = 0x1 };
    // Most renames a unique-name search makes before giving up.
    static constexpr int kMaxUniqueChanges = 2000;

    CMFCObjNode() = default;
    CMFCObjNode(std::string_view name, int32_t type) : CObjNode(name, type) {}
    CMFCObjNode(const CMFCObjNode& other);
    CMFCObjNode& operator=(const CMFCObjNode& other);

    // Node protocol.
    CObjNode* CreateNode() const override { return new CMFCObjNode(); }
    void Clear() override;
    // Node fields; from another CMFCObjNode also images, doc and note. The
    // tree item is cleared and the path is not copied.
    void Copy(const CObj& src) override;
    // Deep copy that also keeps each node's path record.
    CMFCObjNode* Clone() const override;
    void WriteXMLAttr(std::string& out) const override;
    using CObjNode::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;

    // Binary archive record of this node and its subtree.
    virtual bool Write(CArchive& archive) const;
    virtual bool Read(CArchive& archive);
    bool Serialize(CArchive& archive) { return archive.IsLoading() ? Read(archive) : Write(archive); }

    // Tree control. Show inserts missing items (hidden nodes and their
    // subtrees are skipped), refreshes stale texts and sets the check boxes.
    virtual void Show(ITreeCtrl& tree, bool refresh);
    // Check boxes from state bit 1, for the subtree; only when the control
    // shows check boxes.
    virtual void SetChecked(ITreeCtrl& tree);
    void UpdateImage(ITreeCtrl& tree, bool descendants);
    void ReadChecked(ITreeCtrl& tree);
    using CObjNode::IsChecked;
    using CObjNode::SetChecked;
    using CObjNode::SetSelected;
    bool IsChecked(TreeItem item);
    CMFCObjNode* SetChecked(TreeItem item, bool on);
    // The owner of the item gets bit 0 = on; when on, no other node of the
    // subtree keeps bit 0.
    void SetSelected(TreeItem item, bool on);
    // Selects the item of the first selected node that has one.
    CMFCObjNode* SetSelected(ITreeCtrl& tree);
    void Select(ITreeCtrl& tree);
    CMFCObjNode* Select(const platform::Guid& guid, ITreeCtrl& tree);
    CMFCObjNode* Select(std::string_view guid, ITreeCtrl& tree);
    // Applies the code (ITreeCtrl::kCollapse or kExpand) to the ancestors,
    // root first, then to this node's item.
    void Expand(ITreeCtrl& tree, int code);
    void Collapse(ITreeCtrl& tree);
    CMFCObjNode* Expand(const platform::Guid& guid, ITreeCtrl& tree);
    CMFCObjNode* Expand(std::string_view guid, ITreeCtrl& tree);
    void ExpandChecked(ITreeCtrl& tree);
    // Delete destroys this node (and its subtree) after removing its item.
    void Delete(ITreeCtrl& tree);
    void DeleteChildren(ITreeCtrl& tree);
    // Forgets the item handles of the subtree (after the control was emptied).
    void ClearTreeItem();
    // The node of the subtree that owns the item; null for a null item.
    CMFCObjNode* Find(TreeItem item);
    TreeItem GetTreeItem() const { return m_hTreeItem; }
    void SetTreeItem(TreeItem item) { m_hTreeItem = item; }

    // Typed searches.
    CMFCObjNode* FindByName(std::string_view name) { return Cast(CObjNode::FindByName(name)); }
    CMFCObjNode* FindByTag(std::string_view tag) { return Cast(CObjNode::FindByTag(tag)); }
    CMFCObjNode* FindByGUID(std::string_view guid) { return Cast(CObjNode::FindByGUID(guid)); }
    CMFCObjNode* FindByGUID(const platform::Guid& guid) { return Cast(CObjNode::FindByGUID(guid)); }
    CMFCObjNode* FindByValue(std::string_view value) { return Cast(CObjNode::FindByValue(value)); }
    CMFCObjNode* FindChildByName(std::string_view name) const { return Cast(CObjNode::FindChildByName(name)); }
    CMFCObjNode* FindSiblingByName(std::string_view name) const {
        return Cast(CObjNode::FindSiblingByName(name));
    }
    using CObjNode::AddNode;
    CMFCObjNode* AddNode(std::string_view name) { return Cast(CObjNode::AddNode(name)); }
    // The first node whose path IsEqual to `path`; null for an empty path.
    CMFCObjNode* Find(const CFilePath& path);
    // The first node whose path has the same dir (case-sensitive).
    CMFCObjNode* FindDir(const CFilePath& path);

    // Fields.
    CFtpPath& GetPath() { return m_Path; }
    const CFtpPath& GetPath() const { return m_Path; }
    CFtpPath GetRootPath() const;
    int GetImage() const { return m_nImage; }
    int GetSelectedImage() const { return m_nSelectedImage; }
    void SetImage(int image, int selectedImage) {
        m_nImage = image;
        m_nSelectedImage = selectedImage;
    }
    // Stored with every "/" turned into "\".
    void SetDocumentPathName(std::string_view text);
    const std::string& GetDocumentPathName() const { return m_bDocIsPath ? m_Path.GetPath() : m_strDoc; }
    using CObjNode::ShowError;
    // Keeps at most 255 characters of the exception's message.
    void ShowError(const std::exception& error);

    // Makes `name` unique in the subtree (UniqueChildName: among the direct
    // children) by the "(n)" rule: "New" -> "New(1)" -> "New(2)". True when
    // the name was changed.
    bool UniqueName(std::string& name);
    bool UniqueChildName(std::string& name);

    // Adds the folder's entries as children, recursively: folders by title
    // (name up to the last "."), files by name. A symbolic link is listed
    // with the status of what it points to and the link attribute
    // (FileAttrReparsePoint); linked folders are never entered. False when
    // a folder could not be listed.
    bool LoadFileSystem(std::string_view folder, const CFileFilter* filter);
    // The same, going on past what cannot be read: each folder that cannot
    // be listed, and each entry whose name a path cannot hold (a "\"), is
    // left out with one text in `problems` that names it. `followLinks`
    // enters linked folders too, except one the walk is in already (a
    // loop), which is left out and told to the filter (Refused).
    bool LoadFileSystem(std::string_view folder, const CFileFilter* filter, std::vector<std::string>& problems,
                        bool followLinks = false);
    // Loads the folder of the node that owns the item, when it has no
    // children yet. The text is not used.
    bool LoadFileSystem(TreeItem item, std::string_view text);

    // Files. Writes go to a temporary file that replaces the target only when
    // complete. Failures leave their reason in GetLastError().
    bool Save(std::string_view file);
    bool Load(std::string_view file);
    bool SaveXML(std::string_view file);
    // Reads a node text file (UTF-8); see CreateFromXML.
    CMFCObjNode* LoadXML(std::string_view file);
    // Reads the text below this node and answers the first top-level node
    // read, detached (the caller owns it); the other nodes read are
    // destroyed. Null for an empty text or when nothing was read.
    CMFCObjNode* CreateFromXML(std::string_view text);

protected:
    static CMFCObjNode* Cast(CObjNode* node) { return dynamic_cast<CMFCObjNode*>(node); }
    // Calls f on every CMFCObjNode child, in order.
    template <class F>
    void ForEachChild(F f) const {
        for (CObjNode* child : GetChildren()) {
            if (CMFCObjNode* node = Cast(child)) f(*node);
        }
    }

private:
    void ShowItems(ITreeCtrl& tree, bool refresh);
    void ApplyImage(ITreeCtrl& tree) const;
    void SetCheckBoxes(ITreeCtrl& tree) const;
    template <class Exists>
    static bool MakeUnique(std::string& name, Exists exists);
    // False when the folder itself could not be listed.
    // `trail` (null: links are not followed) holds the real paths of the
    // folders the walk is in: a linked folder among them is a loop.
    bool LoadFolder(const std::string& folder, const CFileFilter* filter, std::vector<std::string>& problems,
                    std::vector<std::string>* trail);
    bool WriteWholeFile(std::string_view file, std::string_view data);

    TreeItem m_hTreeItem = nullptr;
    int32_t m_nImage = 0;
    int32_t m_nSelectedImage = 0;
    // The document path is the path's own text (a node loaded from the file
    // system), not kept twice.
    bool m_bDocIsPath = false;
    std::string m_strDoc;
    CFtpPath m_Path;
};

}  // namespace velmora
