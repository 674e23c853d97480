#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "objects/obj.h"
#include "objects/std_list.h"
#include "platform/api.h"
#include "platform/guid.h"

namespace velmora {

class CObjNode;
class CStringTokenizer;

// The children of a node: an owning list, errors not shown.
class VELMORA_API CObjNodeList : public CStdList<CObjNode, CObjNode*> {
public:
    CObjNodeList() : CStdList<CObjNode, CObjNode*>(true, false) {}
};

// Receives every node of a subtree from CObjNode::ForEach.
class VELMORA_API CObjNodeListener {
public:
    virtual ~CObjNodeListener() = default;
    virtual void OnNode(CObjNode* node, intptr_t p1, intptr_t p2) = 0;
};

// The general tree node: a persistent object with a parent, owned children,
// a name, a value, a tag, a type, a state word, options and its own GUID.
// Trees are written and read in the nested node text:
//   <NODE  name='..' value='..' guid='..' sibindex='..' type='..' modified='..' state='..' op='..' >
//   children...</NODE>
//
// A node's identity is its own guid field (GetStrGUID/SetGUID here), not the
// CObj strGUID. Derived node classes override CreateNode (the factory every
// tree operation uses) and Copy.
class VELMORA_API CObjNode : public CObj {
public:
    enum : uint32_t {
        StateSelected = 0x1,
        StateChecked = 0x2,
        StateCatalog = 0x4,
        StateHidden = 0x8,
    };
    using ForEachCallback = void (*)(CObjNode* node, void* userData);
    using OptionTable = std::map<std::string, std::string>;

    CObjNode() = default;
    CObjNode(std::string_view name, int32_t type);
    // Copies the node's own fields (as Copy does), not its place in a tree.
    CObjNode(const CObjNode& other);
    CObjNode& operator=(const CObjNode& other);
    // Unlinks the node from its parent; the children go with it.
    ~CObjNode() override;

    // CObj protocol.
    CObjNode* CreateObject() const override { return CreateNode(); }
    void Clear() override;
    void Copy(const CObj& src) override;
    std::string XMLObject() const override;
    void WriteXMLAttr(std::string& out) const override;
    void WriteXMLBody(std::string& out) const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    void ReadXMLAttr(const std::string& attributes) override;

    // The node's own virtual operations.
    virtual CObjNode* CreateNode() const { return new CObjNode(); }
    // Unlinks the node, destroys its subtree and then the node itself.
    virtual void RemoveAndDestroy();
    // Deep copy; the copy has no parent.
    CObjNode* Clone() const override;
    // Reads the nested elements of the text as children of this node (see
    // the .cpp); answers this node when the text ended, null when an
    // element closed this node or the text was malformed.
    virtual CObjNode* ReadXML(CStringTokenizer& tokenizer);
    virtual CObjNode* ReadXML(std::string_view text);
    virtual bool QueryOption(int id, int& value) const;
    virtual bool QueryOption(int id, std::string& value) const;
    virtual bool SetOption(int id, int value);
    virtual bool SetOption(int id, const std::string& value);

    // Tree structure. AddNode takes ownership and sets the parent.
    CObjNode* AddNode(CObjNode* node);
    CObjNode* AddNode(std::string_view name);
    CObjNode* Remove();
    static CObjNode* Remove(CObjNode* node);
    CObjNode* RemoveChild(CObjNode* node);
    void RemoveAndDestroyAllChild();

    CObjNode* GetParent() const { return m_pParent; }
    void SetParent(CObjNode* parent) { m_pParent = parent; }
    CObjNode* GetRoot();
    int GetLayerNumber() const;
    int GetChildCount() const { return GetChildren().GetCount(); }
    int GetNodeCount() const;
    CObjNode* GetChildNode(int index) const;
    CObjNode* GetChildFirstNode() const { return GetChildren().GetHead(); }
    CObjNode* GetChildLastNode() const { return GetChildren().GetTail(); }
    bool IsChild(const CObjNode* node) const;
    // The children, read-only, for range-for.
    const CObjNodeList& GetChildren() const;

    // Pre-order searches of the subtree (this node first); first hit wins.
    CObjNode* FindByName(std::string_view name);
    CObjNode* FindByValue(std::string_view value);
    CObjNode* FindByTag(std::string_view tag);
    CObjNode* FindByGUID(std::string_view guid);  // "" finds nothing
    CObjNode* FindByGUID(const platform::Guid& guid);
    CObjNode* FindByType(int32_t type);
    // Direct children only.
    CObjNode* FindChild(const CObjNode* node) const;
    CObjNode* FindChildByName(std::string_view name) const;
    CObjNode* FindChildByType(int32_t type) const;
    CObjNode* FindSiblingByName(std::string_view name) const;
    // This node or its nearest ancestor of that type.
    CObjNode* ReverseFindByType(int32_t type);

    void ForEach(ForEachCallback callback, void* userData);
    void ForEach(CObjNodeListener& listener, intptr_t p1, intptr_t p2);
    void GetFullPath(std::string& out, std::string_view separator) const;

    // Identity.
    std::string CreateGUID();
    void CreateGUIDForAll(bool force);
    void SetGUID(std::string_view guid);
    void SetGUID(const platform::Guid& guid);
    std::string GetStrGUID() const;
    platform::Guid GetGUID() const;

    // Fields.
    const std::string& GetName() const { return m_strName; }
    void SetName(std::string_view name) { m_strName = name; }
    const std::string& GetValue() const { return GetExtras().value; }
    void SetValue(std::string_view value) { SetExtra(&Extras::value, value); }
    const std::string& GetTag() const { return GetExtras().tag; }
    void SetTag(std::string_view tag) { SetExtra(&Extras::tag, tag); }
    // A note on the node (the shown trees keep one per node).
    const std::string& GetNote() const { return GetExtras().note; }
    void SetNote(std::string_view note) { SetExtra(&Extras::note, note); }
    int32_t GetNodeType() const { return m_nType; }
    void SetNodeType(int32_t type) { m_nType = type; }
    int32_t GetSiblingIndex() const { return m_nSibIndex; }
    void SetSiblingIndex(int32_t index) { m_nSibIndex = index; }
    uint32_t GetState() const { return m_uState; }
    void SetState(uint32_t state) { m_uState = state; }
    std::string GetInnerText(bool trim) const;
    void SetInnerText(std::string_view text) { SetExtra(&Extras::innerText, text); }

    bool IsSelected() const { return (m_uState & StateSelected) != 0; }
    void SetSelected(bool on) { SetStateBits(StateSelected, on); }
    bool IsChecked() const { return (m_uState & StateChecked) != 0; }
    void SetChecked(bool on) { SetStateBits(StateChecked, on); }
    bool IsCatalog() const { return (m_uState & StateCatalog) != 0; }
    void SetCatalog(bool on) { SetStateBits(StateCatalog, on); }
    bool IsVisible() const { return (m_uState & StateHidden) == 0; }
    void SetVisible(bool on) { SetStateBits(StateHidden, !on); }

    void ShowError(std::string_view text) { SetExtra(&Extras::lastError, text); }
    const std::string& GetLastError() const { return GetExtras().lastError; }

    // Options: the text "key=value;..." and the table split out of it.
    const std::string& GetOptionText() const { return GetExtras().option; }
    void SetOptionText(std::string_view text) { SetExtra(&Extras::option, text); }
    const OptionTable& GetOptionTable() const { return GetExtras().options; }
    void SplitOption();
    void MergeOption();

    // Deepest nesting the text reader accepts; deeper text is malformed.
    static constexpr int kMaxDepth = 1000;

protected:
    using POSITION = CObjNodeList::POSITION;

    // Child-list access for derived classes. AddHead/AddTail do not set the
    // child's parent; AddNode does.
    CObjNode* GetHead() const { return GetChildren().GetHead(); }
    CObjNode* GetTail() const { return GetChildren().GetTail(); }
    void AddHead(CObjNode* node) { EditChildren().AddHead(node); }
    void AddTail(CObjNode* node) { EditChildren().AddTail(node); }
    POSITION Begin() { return EditChildren().GetHeadPosition(); }
    POSITION GetHeadPosition() { return EditChildren().GetHeadPosition(); }
    POSITION End() { return EditChildren().End(); }
    POSITION GetTailPosition() { return EditChildren().GetTailPosition(); }
    CObjNode* GetNext(POSITION& pos) { return EditChildren().GetNext(pos); }
    CObjNode* GetPrev(POSITION& pos) { return EditChildren().GetPrev(pos); }
    CObjNode* GetAt(POSITION pos) { return EditChildren().GetAt(pos); }
    void SetAt(POSITION pos, CObjNode* node) { EditChildren().SetAt(pos, node); }

    // Pre-order search with any predicate; the one walk behind every Find.
    template <class Pred>
    CObjNode* FindFirst(Pred pred) {
        if (pred(*this)) return this;
        for (CObjNode* child : GetChildren()) {
            if (CObjNode* hit = child->FindFirst(pred)) return hit;
        }
        return nullptr;
    }
    template <class Pred>
    CObjNode* FindChildIf(Pred pred) const {
        for (CObjNode* child : GetChildren()) {
            if (pred(*child)) return child;
        }
        return nullptr;
    }

    void SetStateBits(uint32_t bits, bool on) { m_uState = on ? (m_uState | bits) : (m_uState & ~bits); }

private:
    // What most nodes never hold (a tree of a million files has none of
    // it), kept apart so that such a node does not pay for it.
    struct Extras {
        std::string value;
        std::string lastError;
        std::string option;
        OptionTable options;
        std::string innerText;
        std::string tag;
        std::string note;
        // A guid text not in registry form, kept as it was given.
        std::string guidText;
    };
    // How the node's guid is kept: none, as the 16 bytes of its registry
    // form (most nodes: a tree of a million nodes holds a million), or as
    // another text among the extras.
    enum class EGuidForm : uint8_t { None, Registry, Text };

    CObjNode* ReadXMLLevel(CStringTokenizer& tokenizer, int depth);
    std::string MergedOptionText() const;
    // This node's extras, or empty ones when it has none.
    const Extras& GetExtras() const;
    // This node's extras, made when it has none yet.
    Extras& EditExtras();
    // Sets one extra; an empty text on a node without extras makes none.
    void SetExtra(std::string Extras::*field, std::string_view text);
    // The children, the list made with the first one.
    CObjNodeList& EditChildren();

    std::string m_strName;
    CObjNode* m_pParent = nullptr;
    // Null until the first child: most nodes of a big tree are files.
    std::unique_ptr<CObjNodeList> m_pChildren;
    int32_t m_nSibIndex = 0;
    int32_t m_nType = 0;
    uint32_t m_uState = 0;
    EGuidForm m_eGuidForm = EGuidForm::None;
    platform::Guid m_guid;
    std::unique_ptr<Extras> m_pExtras;
};

// Destroys the node it holds (with its subtree) when it goes out of scope,
// so a tree built inside a function is freed however the function ends.
class VELMORA_API CDestroyNode {
public:
    explicit CDestroyNode(CObjNode* node) : m_pNode(node) {}
    // Holds the address of a pointer: the node it points to when the guard
    // ends is destroyed, and the pointer is set to null.
    explicit CDestroyNode(CObjNode** node) : m_ppNode(node) {}
    ~CDestroyNode() { RemoveAndDestroy(); }
    CDestroyNode(const CDestroyNode&) = delete;
    CDestroyNode& operator=(const CDestroyNode&) = delete;

    void RemoveAndDestroy();

private:
    CObjNode* m_pNode = nullptr;
    CObjNode** m_ppNode = nullptr;
};

}  // namespace velmora
