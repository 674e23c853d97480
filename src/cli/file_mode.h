#pragma once

#include <cstdint>
#include <string>

namespace parcelo::cli {

// The permission bits chmod sets, as people write them: digits ("644",
// "0755", "1777") or symbols, as chmod(1) reads them ("u+x", "go-w",
// "a=r,u+w", "+X"), which change the bits a file has now. Symbols without
// u, g, o or a apply to all three (no umask is taken off).
class FileMode {
public:
    // False for a text that is neither form.
    bool Parse(const std::string& text);
    // Whether the mode depends on the bits the file has now.
    bool IsRelative() const { return !m_bAbsolute; }
    // The bits for a file that has `current` now (`folder`: X means x).
    uint32_t Apply(uint32_t current, bool folder) const;

    // "-rwxr-xr-x", "drwxr-sr-t" (a listing's permissions) to 0755, 03755;
    // false when the text is not ten such characters.
    static bool FromPermissions(const std::string& text, uint32_t& mode);

private:
    bool m_bAbsolute = false;
    uint32_t m_nBits = 0;
    std::string m_strSymbols;
};

}  // namespace parcelo::cli
