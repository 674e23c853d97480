#pragma once

#include <map>
#include <string>

#include "platform/api.h"

namespace velmora {

// A string-keyed map of owned-elsewhere pointers (the FTP listing cache keeps
// one path list per remote folder). Keys are ordered by plain byte comparison,
// so they are case-sensitive. The map never deletes a value on its own, only
// through RemoveAndDestroy(key).
template <class Key, class Value>
class VELMORA_API CStdMap {
public:
    using Pairs = std::map<Key, Value>;

    Value& operator[](const Key& key) { return m_pairs.try_emplace(key, nullptr).first->second; }
    void SetAt(const Key& key, Value value) { m_pairs[key] = value; }

    int Lookup(const Key& key, Value& value) const {
        const auto found = m_pairs.find(key);
        if (found == m_pairs.end()) return 0;
        value = found->second;
        return 1;
    }

    int RemoveKey(const Key& key) { return m_pairs.erase(key) ? 1 : 0; }

    int RemoveAndDestroy(const Key& key) {
        const auto found = m_pairs.find(key);
        if (found == m_pairs.end()) return 0;
        Value value = found->second;
        m_pairs.erase(found);
        delete value;
        return 1;
    }

    void RemoveAll() { m_pairs.clear(); }
    int GetCount() const { return static_cast<int>(m_pairs.size()); }
    int GetSize() const { return GetCount(); }
    bool IsEmpty() const { return m_pairs.empty(); }

    typename Pairs::iterator begin() { return m_pairs.begin(); }
    typename Pairs::iterator end() { return m_pairs.end(); }
    typename Pairs::const_iterator begin() const { return m_pairs.begin(); }
    typename Pairs::const_iterator end() const { return m_pairs.end(); }

private:
    Pairs m_pairs;
};

}  // namespace velmora
