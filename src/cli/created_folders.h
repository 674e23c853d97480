#pragma once

#include <string>
#include <vector>

namespace parcelo::cli {

// The local folders a command is about to make for its destination: the
// levels of a path that are not there yet. A command that fails takes back
// those it left empty, so that a failed download leaves nothing behind.
class CreatedFolders {
public:
    explicit CreatedFolders(const std::string& path);

    // Removes the noted folders that are empty now, the deepest first; a
    // folder that holds anything (or a file in a folder's place) stays, and
    // so do those above it.
    void RemoveEmpty() const;

private:
    std::vector<std::string> m_missing;  // the deepest first
};

}  // namespace parcelo::cli
