#include "objects/obj_node.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "base/tokenizer.h"

namespace velmora {
namespace {

// The text is a guid exactly as its registry form spells it.
bool IsRegistryForm(std::string_view text, platform::Guid& guid) {
    return platform::ParseGuid(text, guid) && platform::GuidToString(guid) == text;
}

}  // namespace

CObjNode::CObjNode(std::string_view name, int32_t type) : m_strName(name), m_nType(type) {}

CObjNode::CObjNode(const CObjNode& other) : CObj() { Copy(other); }

CObjNode& CObjNode::operator=(const CObjNode& other) {
    if (this != &other) Copy(other);
    return *this;
}

CObjNode::~CObjNode() {
    // The children are deleted with the list; they must not reach back into
    // a parent that is going away.
    for (CObjNode* child : GetChildren()) {
        if (child) child->m_pParent = nullptr;
    }
    if (m_pParent) m_pParent->RemoveChild(this);
}

const CObjNodeList& CObjNode::GetChildren() const {
    static const CObjNodeList none;
    return m_pChildren ? *m_pChildren : none;
}

CObjNodeList& CObjNode::EditChildren() {
    if (!m_pChildren) m_pChildren = std::make_unique<CObjNodeList>();
    return *m_pChildren;
}

const CObjNode::Extras& CObjNode::GetExtras() const {
    static const Extras none;
    return m_pExtras ? *m_pExtras : none;
}

CObjNode::Extras& CObjNode::EditExtras() {
    if (!m_pExtras) m_pExtras = std::make_unique<Extras>();
    return *m_pExtras;
}

void CObjNode::SetExtra(std::string Extras::*field, std::string_view text) {
    if (text.empty() && !m_pExtras) return;
    EditExtras().*field = text;
}

void CObjNode::Clear() {
    CObj::Clear();
    SetTag("");
    m_strName.clear();
    m_nType = 0;
    m_nSibIndex = 0;
    m_uState = 0;
    SetGUID(std::string_view());
}

void CObjNode::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CObjNode*>(&src);
    if (!other || other == this) return;
    m_strName = other->m_strName;
    SetValue(other->GetValue());
    m_nType = other->m_nType;
    m_uState = other->m_uState;
    m_nSibIndex = other->m_nSibIndex;
    m_eGuidForm = other->m_eGuidForm;
    m_guid = other->m_guid;
    SetExtra(&Extras::guidText, other->GetExtras().guidText);
    SetInnerText(other->GetExtras().innerText);
}

std::string CObjNode::XMLObject() const { return GetTag().empty() ? "NODE" : GetTag(); }

void CObjNode::WriteXMLAttr(std::string& out) const {
    const std::string name = XMLEscape(m_strName);
    const std::string value = XMLEscape(GetValue());
    const std::string guid = XMLEscape(GetStrGUID());
    const std::string option = XMLEscape(MergedOptionText());
    out += Format(" %s='%s' %s='%s' %s='%s' %s='%d' %s='%d' %s='%d' %s='%d' %s='%s' ",
                  "name", name.c_str(), "value", value.c_str(), "guid", guid.c_str(),
                  "sibindex", m_nSibIndex, "type", m_nType,
                  "modified", static_cast<int>(uModified), "state", static_cast<int>(m_uState),
                  "op", option.c_str());
}

void CObjNode::WriteXMLBody(std::string& out) const {
    for (const CObjNode* child : GetChildren()) child->WriteXML(out);
}

bool CObjNode::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (EqualsNoCase(name, "name")) {
        m_strName = value;
    } else if (EqualsNoCase(name, "value")) {
        SetValue(value);
    } else if (EqualsNoCase(name, "guid")) {
        SetGUID(value);
    } else if (EqualsNoCase(name, "sibindex")) {
        m_nSibIndex = ParseInt32(value);
    } else if (EqualsNoCase(name, "type")) {
        m_nType = ParseInt32(value);
    } else if (EqualsNoCase(name, "modified")) {
        uModified = static_cast<uint32_t>(ParseInt32(value));
    } else if (EqualsNoCase(name, "state")) {
        m_uState = static_cast<uint32_t>(ParseInt32(value));
    } else if (EqualsNoCase(name, "op")) {
        SetOptionText(value);
    } else {
        return false;
    }
    return true;
}

void CObjNode::ReadXMLAttr(const std::string& attributes) {
    Default();
    // Values may be enclosed in either quote character.
    ForEachXMLAttr(
        attributes, [this](const std::string& name, const std::string& value) { ReadXMLAttr(name, value); }, "'\"");
    SplitOption();
}

void CObjNode::RemoveAndDestroy() {
    Remove();
    RemoveAndDestroyAllChild();
    delete this;
}

CObjNode* CObjNode::Clone() const {
    CObjNode* copy = CreateNode();
    copy->Copy(*this);
    // A deep copy keeps what the node text carries: tag and options too.
    copy->SetTag(GetTag());
    copy->SetOptionText(GetOptionText());
    const OptionTable& options = GetExtras().options;
    if (copy->m_pExtras || !options.empty()) copy->EditExtras().options = options;
    for (const CObjNode* child : GetChildren()) copy->AddNode(child->Clone());
    return copy;
}

CObjNode* CObjNode::ReadXML(CStringTokenizer& tokenizer) { return ReadXMLLevel(tokenizer, 0); }

CObjNode* CObjNode::ReadXML(std::string_view text) {
    CStringTokenizer tokenizer(text);
    return ReadXML(tokenizer);
}

// One level of the nested reader: collects elements as children of this node
// until its own closing tag (null) or the end of the text (this node).
CObjNode* CObjNode::ReadXMLLevel(CStringTokenizer& tokenizer, int depth) {
    for (;;) {
        if (tokenizer.IsEmpty()) return this;
        SetInnerText(tokenizer.GetNextToken("<"));
        // Blank text after the last element is the normal end of a file.
        if (tokenizer.IsEmpty() && TrimText(GetExtras().innerText).empty()) return this;
        std::string tagText = tokenizer.GetNextToken(">");
        if (tagText.empty()) return nullptr;
        std::replace_if(tagText.begin(), tagText.end(),
                        [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
        CStringTokenizer tag(tagText, true);
        const std::string name = ToUpperAscii(tag.GetNextToken(" "));
        if (name.empty()) return nullptr;
        if (name[0] == '?') continue;
        if (name[0] == '/' && name.compare(1, std::string::npos, GetTag()) == 0) return nullptr;
        if (depth >= kMaxDepth) {
            ShowError("The node text is nested too deeply");
            return nullptr;
        }
        CObjNode* child = CreateNode();
        child->SetTag(name);
        child->m_strName = name;
        child->ReadXMLAttr(tag.str());
        if (child->m_eGuidForm == EGuidForm::None) child->CreateGUID();
        AddNode(child);
        child->ReadXMLLevel(tokenizer, depth + 1);
        if (!child->GetLastError().empty()) {
            ShowError(child->GetLastError());
            return nullptr;
        }
    }
}

bool CObjNode::QueryOption(int id, int& value) const {
    std::string text;
    if (!QueryOption(id, text)) return false;
    value = ParseInt32(text);
    return true;
}

bool CObjNode::QueryOption(int id, std::string& value) const {
    const OptionTable& options = GetExtras().options;
    const auto it = options.find(Format("%d", id));
    if (it == options.end()) return false;
    value = it->second;
    return true;
}

bool CObjNode::SetOption(int id, int value) { return SetOption(id, Format("%d", value)); }

bool CObjNode::SetOption(int id, const std::string& value) {
    EditExtras().options[Format("%d", id)] = value;
    return true;
}

void CObjNode::SplitOption() {
    if (!m_pExtras) return;
    OptionTable& options = m_pExtras->options;
    options.clear();
    CStringTokenizer text(m_pExtras->option);
    while (!text.IsEmpty()) {
        std::string piece = text.GetToken(";");
        if (piece.empty()) continue;
        const size_t eq = piece.find('=');
        if (eq == std::string::npos) {
            options[piece] = std::string();
        } else {
            options[piece.substr(0, eq)] = piece.substr(eq + 1);
        }
    }
}

void CObjNode::MergeOption() { SetOptionText(MergedOptionText()); }

std::string CObjNode::MergedOptionText() const {
    std::string text;
    for (const auto& [key, value] : GetExtras().options) text += key + "=" + value + ";";
    return text;
}

CObjNode* CObjNode::AddNode(CObjNode* node) {
    if (!node) return nullptr;
    node->m_pParent = this;
    EditChildren().AddTail(node);
    return node;
}

CObjNode* CObjNode::AddNode(std::string_view name) {
    CObjNode* node = CreateNode();
    node->m_strName = name;
    return AddNode(node);
}

CObjNode* CObjNode::Remove() { return m_pParent ? m_pParent->RemoveChild(this) : nullptr; }

CObjNode* CObjNode::Remove(CObjNode* node) { return node ? node->Remove() : nullptr; }

CObjNode* CObjNode::RemoveChild(CObjNode* node) {
    // One walk that stops at the child: a level destroyed child by child
    // takes each from the front, so that stays linear in the children.
    if (!node || !m_pChildren) return nullptr;
    CObjNodeList& children = *m_pChildren;
    const POSITION pos = std::find(children.begin(), children.end(), node);
    if (pos == children.end()) return nullptr;
    children.RemoveAt(pos);
    node->m_pParent = nullptr;
    return node;
}

void CObjNode::RemoveAndDestroyAllChild() {
    // Each child unlinks itself; walk a snapshot of the pointers.
    const std::vector<CObjNode*> children(GetChildren().begin(), GetChildren().end());
    for (CObjNode* child : children) {
        if (child) child->RemoveAndDestroy();
    }
}

CObjNode* CObjNode::GetRoot() {
    CObjNode* node = this;
    while (node->m_pParent) node = node->m_pParent;
    return node;
}

int CObjNode::GetLayerNumber() const {
    int layer = 0;
    for (const CObjNode* node = m_pParent; node; node = node->m_pParent) ++layer;
    return layer;
}

int CObjNode::GetNodeCount() const {
    int count = 1;
    for (const CObjNode* child : GetChildren()) count += child->GetNodeCount();
    return count;
}

CObjNode* CObjNode::GetChildNode(int index) const {
    if (index < 0) return nullptr;
    for (CObjNode* child : GetChildren()) {
        if (index-- == 0) return child;
    }
    return nullptr;
}

bool CObjNode::IsChild(const CObjNode* node) const {
    if (!node) return false;
    for (const CObjNode* up = node->m_pParent; up; up = up->m_pParent) {
        if (up == this) return true;
    }
    return false;
}

CObjNode* CObjNode::FindByName(std::string_view name) {
    return FindFirst([&](const CObjNode& n) { return n.m_strName == name; });
}

CObjNode* CObjNode::FindByValue(std::string_view value) {
    return FindFirst([&](const CObjNode& n) { return n.GetValue() == value; });
}

CObjNode* CObjNode::FindByTag(std::string_view tag) {
    return FindFirst([&](const CObjNode& n) { return n.GetTag() == tag; });
}

CObjNode* CObjNode::FindByGUID(std::string_view guid) {
    if (guid.empty()) return nullptr;
    platform::Guid registry;
    if (IsRegistryForm(guid, registry)) return FindByGUID(registry);
    return FindFirst(
        [&](const CObjNode& n) { return n.m_eGuidForm == EGuidForm::Text && n.GetExtras().guidText == guid; });
}

CObjNode* CObjNode::FindByGUID(const platform::Guid& guid) {
    return FindFirst([&](const CObjNode& n) { return n.m_eGuidForm == EGuidForm::Registry && n.m_guid == guid; });
}

CObjNode* CObjNode::FindByType(int32_t type) {
    return FindFirst([&](const CObjNode& n) { return n.m_nType == type; });
}

CObjNode* CObjNode::FindChild(const CObjNode* node) const {
    return FindChildIf([&](const CObjNode& n) { return &n == node; });
}

CObjNode* CObjNode::FindChildByName(std::string_view name) const {
    return FindChildIf([&](const CObjNode& n) { return n.m_strName == name; });
}

CObjNode* CObjNode::FindChildByType(int32_t type) const {
    return FindChildIf([&](const CObjNode& n) { return n.m_nType == type; });
}

CObjNode* CObjNode::FindSiblingByName(std::string_view name) const {
    return m_pParent ? m_pParent->FindChildByName(name) : nullptr;
}

CObjNode* CObjNode::ReverseFindByType(int32_t type) {
    for (CObjNode* node = this; node; node = node->m_pParent) {
        if (node->m_nType == type) return node;
    }
    return nullptr;
}

void CObjNode::ForEach(ForEachCallback callback, void* userData) {
    callback(this, userData);
    for (CObjNode* child : GetChildren()) child->ForEach(callback, userData);
}

void CObjNode::ForEach(CObjNodeListener& listener, intptr_t p1, intptr_t p2) {
    listener.OnNode(this, p1, p2);
    for (CObjNode* child : GetChildren()) child->ForEach(listener, p1, p2);
}

void CObjNode::GetFullPath(std::string& out, std::string_view separator) const {
    if (m_pParent) {
        m_pParent->GetFullPath(out, separator);
        out += separator;
        out += m_strName;
    } else {
        out = m_strName;
    }
}

std::string CObjNode::CreateGUID() {
    SetGUID(platform::CreateGuid());
    return GetStrGUID();
}

void CObjNode::CreateGUIDForAll(bool force) {
    if (force || m_eGuidForm == EGuidForm::None) CreateGUID();
    for (CObjNode* child : GetChildren()) child->CreateGUIDForAll(force);
}

void CObjNode::SetGUID(const platform::Guid& guid) {
    m_guid = guid;
    m_eGuidForm = EGuidForm::Registry;
    SetExtra(&Extras::guidText, std::string_view());
}

void CObjNode::SetGUID(std::string_view guid) {
    platform::Guid registry;
    if (IsRegistryForm(guid, registry)) return SetGUID(registry);
    m_guid = platform::Guid();
    m_eGuidForm = guid.empty() ? EGuidForm::None : EGuidForm::Text;
    SetExtra(&Extras::guidText, guid);
}

std::string CObjNode::GetStrGUID() const {
    switch (m_eGuidForm) {
        case EGuidForm::Registry: return platform::GuidToString(m_guid);
        case EGuidForm::Text: return GetExtras().guidText;
        case EGuidForm::None: break;
    }
    return std::string();
}

platform::Guid CObjNode::GetGUID() const {
    if (m_eGuidForm == EGuidForm::Registry) return m_guid;
    platform::Guid guid;
    platform::ParseGuid(GetStrGUID(), guid);
    return guid;
}

std::string CObjNode::GetInnerText(bool trim) const {
    const std::string& text = GetExtras().innerText;
    return trim ? TrimText(text) : text;
}

void CDestroyNode::RemoveAndDestroy() {
    CObjNode* node = m_ppNode ? *m_ppNode : m_pNode;
    if (m_ppNode) *m_ppNode = nullptr;
    m_pNode = nullptr;
    if (node) node->RemoveAndDestroy();
}

}  // namespace velmora
