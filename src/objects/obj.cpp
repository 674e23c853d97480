#include "objects/obj.h"

#include "base/format.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "platform/guid.h"

namespace velmora {

CObj::CObj(const CObj& other) : uModified(other.uModified), Status(other.Status) { SetStrGUID(other.GetStrGUID()); }

CObj& CObj::operator=(const CObj& other) {
    if (this != &other) Copy(other);
    return *this;
}

CObj::~CObj() = default;

CObj* CObj::Clone() const {
    CObj* copy = CreateObject();
    copy->Copy(*this);
    return copy;
}

CObj* CObj::CreateObject() const { return new CObj(); }

void CObj::ShutDown() { delete this; }

void CObj::Clear() {
    uModified = 0;
    Status = 0;
    m_pGUID.reset();
}

void CObj::Default() {}

void CObj::Copy(const CObj& src) {
    uModified = src.uModified;
    Status = src.Status;
    SetStrGUID(src.GetStrGUID());
}

bool CObj::IsEqual(const CObj&) const { return false; }

void CObj::WriteXMLOpenTag(std::string& out) const { out += "\r\n<" + XMLObject() + " "; }

void CObj::WriteXMLAttr(std::string& out) const {
    out += XMLAttr("CObj::uModified", static_cast<int>(uModified));
    out += XMLAttr("CObj::Status", static_cast<int>(Status));
    out += XMLAttr("CObj::strGUID", GetStrGUID());
}

void CObj::WriteXMLBody(std::string&) const {}

void CObj::WriteXMLCloseTag(std::string& out) const { out += "</" + XMLObject() + ">"; }

void CObj::WriteXML(std::string& out) const {
    // Straight into `out`: an element built apart and then appended would
    // copy each nested element's text once more for every level above it.
    WriteXMLOpenTag(out);
    WriteXMLAttr(out);
    out += ">";
    WriteXMLBody(out);
    WriteXMLCloseTag(out);
}

std::string CObj::XMLObject() const { return "CObj"; }

bool CObj::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (EqualsNoCase(name, "CObj::uModified")) {
        uModified = static_cast<uint32_t>(ParseInt32(value));
    } else if (EqualsNoCase(name, "CObj::Status")) {
        Status = static_cast<uint32_t>(ParseInt32(value));
    } else if (EqualsNoCase(name, "CObj::strGUID")) {
        SetStrGUID(value);
    } else {
        return false;
    }
    return true;
}

void CObj::ReadXMLAttr(const std::string& attributes) {
    Default();
    ForEachXMLAttr(attributes, [this](const std::string& name, const std::string& value) { ReadXMLAttr(name, value); });
}

bool CObj::ReadXML(std::string& text) {
    const std::string closeTag = "</" + XMLObject() + ">";
    GetNextToken(text, "<");
    std::string tag = GetNextToken(text, ">");
    if (tag.empty()) return false;
    const std::string name = GetNextToken(tag, " ");
    if (name.empty() || name != XMLObject()) return false;
    LeftToken(text, closeTag);
    ReadXMLAttr(tag);
    return true;
}

std::string CObj::CreateGUID() {
    SetStrGUID(platform::GuidToString(platform::CreateGuid()));
    return GetStrGUID();
}

const std::string& CObj::GetStrGUID() const {
    static const std::string none;
    return m_pGUID ? *m_pGUID : none;
}

void CObj::SetStrGUID(std::string_view guid) {
    if (guid.empty()) {
        m_pGUID.reset();
    } else if (m_pGUID) {
        m_pGUID->assign(guid);
    } else {
        m_pGUID = std::make_unique<std::string>(guid);
    }
}

std::string CObj::XMLAttr(std::string_view name, std::string_view value) {
    const std::string n(name);
    const std::string v = XMLEscape(value);
    return Format(" %s='%s' ", n.c_str(), v.c_str());
}

std::string CObj::XMLAttr(std::string_view name, int value) {
    const std::string n(name);
    return Format(" %s='%d' ", n.c_str(), value);
}

void CObj::ForEachXMLAttr(std::string_view attributes,
                          const std::function<void(const std::string& name, const std::string& value)>& take,
                          std::string_view quotes) {
    CStringTokenizer text(attributes);
    while (!text.IsEmpty()) {
        const std::string name = ToLowerAscii(TrimText(text.GetNextToken("=")));
        text.GetNextToken(quotes);
        const std::string value = XMLUnescape(TrimText(text.GetNextToken(quotes)));
        take(name, value);
    }
}

std::string CObj::GetNextToken(std::string& text, std::string_view delimiters) {
    const size_t at = text.find_first_of(delimiters);
    if (at == std::string::npos) {
        std::string all;
        all.swap(text);
        return all;
    }
    std::string token = text.substr(0, at);
    text.erase(0, at + 1);
    return token;
}

std::string CObj::LeftToken(std::string& text, std::string_view separator) {
    const size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) return {};
    std::string token = text.substr(0, at);
    // A separator that ends the text exactly leaves the text as it was.
    if (at + separator.size() < text.size()) text.erase(0, at + separator.size());
    return token;
}

std::string CObj::Trim(std::string_view text) { return TrimText(text); }

std::string CObj::Squeeze(std::string_view text, bool upper) {
    std::string squeezed;
    for (const char c : TrimText(text)) {
        if (c != ' ') squeezed += c;
    }
    return upper ? ToUpperAscii(squeezed) : squeezed;
}

}  // namespace velmora
