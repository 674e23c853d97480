#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

// Hands the pairs of one attribute list to the parts of a composite object.
//
// The parts' attribute texts share names: every persistent object writes the
// "CObj::" triple, a transfer point writes the path names twice (its own path
// and its login's start folder), and a task node's "guid" meets the login's
// "GUID". A name alone does not say whose value it is; the order in which the
// parts were written does. So the router keeps a cursor on the part being
// read: a name goes to the first part, from the cursor on, that knows it and
// has not yet taken it in this read; a name the current part already took
// stays there (lists such as excluded folders repeat their name); a name
// that appears out of order goes to the first part that knows it.
class VELMORA_API CAttrRouter {
public:
    using Names = std::set<std::string>;
    using Reader = std::function<bool(const std::string& name, const std::string& value)>;
    struct Part {
        const Names* names;  // lower case
        Reader read;
    };

    // The names an object writes in its attribute text, lower case.
    static Names NamesOf(const CObj& obj);

    // Starts a new attribute list.
    void Reset();
    // False when no part knows the name.
    bool Route(const std::vector<Part>& parts, const std::string& name, const std::string& value);

private:
    size_t m_nCursor = 0;
    std::vector<Names> m_taken;
};

}  // namespace velmora
