#include "tasks/attr_router.h"

#include <algorithm>

#include "base/text.h"

namespace velmora {

CAttrRouter::Names CAttrRouter::NamesOf(const CObj& obj) {
    std::string text;
    obj.WriteXMLAttr(text);
    Names names;
    // The same walk as the attribute-list reader, so the names match.
    CObj::ForEachXMLAttr(text, [&](const std::string& name, const std::string&) {
        if (!name.empty()) names.insert(name);
    });
    return names;
}

void CAttrRouter::Reset() {
    m_nCursor = 0;
    m_taken.clear();
}

bool CAttrRouter::Route(const std::vector<Part>& parts, const std::string& name, const std::string& value) {
    const std::string key = ToLowerAscii(name);
    m_taken.resize(parts.size());
    m_nCursor = std::min(m_nCursor, parts.empty() ? 0 : parts.size() - 1);
    const auto knows = [&](size_t i) { return parts[i].names->count(key) != 0; };
    for (size_t i = m_nCursor; i < parts.size(); ++i) {
        if (knows(i) && m_taken[i].insert(key).second) {
            m_nCursor = i;
            return parts[i].read(name, value);
        }
    }
    if (!parts.empty() && knows(m_nCursor)) return parts[m_nCursor].read(name, value);
    for (size_t i = 0; i < m_nCursor; ++i) {
        if (knows(i)) return parts[i].read(name, value);
    }
    return false;
}

}  // namespace velmora
