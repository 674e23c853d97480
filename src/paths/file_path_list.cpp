#include "paths/file_path_list.h"

#include "base/format.h"
#include "base/text.h"
#include "base/tokenizer.h"

namespace velmora {
namespace {

// How many names UniqueName tries before it gives up.
constexpr int kMaxUniqueTries = 2000;

// Splits "name(7)" into "name" and 7; a name without a number in
// parentheses is its own base with number 0.
void SplitCopyNumber(const std::string& name, std::string& base, int64_t& number) {
    const size_t open = name.rfind('(');
    const size_t close = name.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open + 1 &&
        name.find_first_not_of("0123456789", open + 1) == close) {
        base = TrimText(std::string_view(name).substr(0, open));
        number = ParseInt64(std::string_view(name).substr(open + 1, close - open - 1));
        return;
    }
    base = name;
    number = 0;
}

// Line breaks and tabs between attributes become blanks; inside a quoted
// value they are data and stay.
void BlankControlsOutsideQuotes(std::string& text) {
    bool quoted = false;
    for (char& c : text) {
        if (c == '\'') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r' || c == '\t')) {
            c = ' ';
        }
    }
}

}  // namespace

CFtpPathList::CFtpPathList(std::string_view tag, bool ownsElements, bool showErrors)
    : List(ownsElements, showErrors), m_strTag(tag) {}

CFtpPathList::CFtpPathList(const CFtpPathList& other) : List(other), CListObj(), m_strTag(other.m_strTag) {}

CFtpPathList& CFtpPathList::operator=(const CFtpPathList& other) {
    Copy(static_cast<const CObj&>(other));
    return *this;
}

CFtpPathList::~CFtpPathList() = default;

void CFtpPathList::Copy(const CObj& src) {
    if (const auto* other = dynamic_cast<const CFtpPathList*>(&src)) Copy(static_cast<const List&>(*other));
}

void CFtpPathList::Copy(const List& other) {
    if (this == &other) return;
    List::Copy(other);
    if (const auto* list = dynamic_cast<const CFtpPathList*>(&other)) m_strTag = list->m_strTag;
}

CObj* CFtpPathList::CreateListObject() const { return new CFtpPathList(); }

CFtpPath* CFtpPathList::Find(const CFilePath& path) const {
    for (CFtpPath* element : *this) {
        if (element->IsEqual(path)) return element;
    }
    return nullptr;
}

CFtpPath* CFtpPathList::FindByPath(std::string_view text) const {
    for (CFtpPath* element : *this) {
        if (element->GetPath() == text) return element;
    }
    return nullptr;
}

CFtpPath* CFtpPathList::FindByFileName(const CFilePath& path, bool withExt) const {
    const std::string name = path.GetFileName(withExt);
    for (CFtpPath* element : *this) {
        if (element->GetFileName(withExt) == name) return element;
    }
    return nullptr;
}

bool CFtpPathList::UniqueName(CFilePath* path) const {
    if (!path) return false;
    CFtpPath candidate(*path);
    if (!FindByFileName(candidate, true)) return false;
    for (int tries = 0; tries < kMaxUniqueTries; ++tries) {
        std::string base;
        int64_t number = 0;
        SplitCopyNumber(candidate.GetFileName(false), base, number);
        // The number is never negative; counted on unsigned, the largest a
        // name can spell still has a successor.
        candidate.SetFileName(Format("%s(%llu)", base.c_str(), static_cast<unsigned long long>(number) + 1));
        if (!FindByFileName(candidate, true)) {
            path->Copy(candidate);
            return true;
        }
    }
    return false;
}

int64_t CFtpPathList::ComputeTotalLength() const {
    uint64_t total = 0;
    for (const CFtpPath* element : *this) total += element->Length();
    return static_cast<int64_t>(total);
}

std::string CFtpPathList::XMLObject() const { return "CFtpPathList"; }

void CFtpPathList::WriteXMLAttr(std::string& out) const { out += XMLAttr("tag", m_strTag); }

void CFtpPathList::WriteXMLBody(std::string& out) const {
    for (const CFtpPath* element : *this) element->WriteXML(out);
}

bool CFtpPathList::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (!EqualsNoCase(name, "tag")) return false;
    m_strTag = value;
    return true;
}

bool CFtpPathList::ReadXML(std::string& text) {
    CStringTokenizer reader(text, true);
    reader.GetNextToken("<");
    CStringTokenizer tag(reader.GetNextToken(">"));
    if (tag.GetToken(" ") != XMLObject()) return false;
    ReadXMLAttr(tag.str());
    std::string body = reader.LeftToken("</" + XMLObject() + ">");
    if (body.empty()) return false;
    BlankControlsOutsideQuotes(body);
    CStringTokenizer elements(body);
    for (CFtpPath path; path.ReadXML(elements); path = CFtpPath()) Add(new CFtpPath(path));
    return true;
}

}  // namespace velmora
