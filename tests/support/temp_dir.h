#pragma once

#include <string>

namespace velmora::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + relative
    std::string operator/(const std::string& relative) const;

private:
    std::string m_path;
};

// While it exists, the user's data folder (XDG_DATA_HOME) is a fresh
// temporary folder: what the library remembers there (servers, partial
// uploads) starts empty and goes with it.
class ScopedDataHome {
public:
    ScopedDataHome();
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    const std::string& path() const { return m_folder.path(); }

private:
    TempDir m_folder;
    bool m_bHadOld = false;
    std::string m_strOld;
};

// Writes `content` to `path`, creating the parent folders.
void WriteFile(const std::string& path, const std::string& content);
// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::string& path);
// `size` bytes from a fixed pseudo-random sequence seeded with `seed`.
std::string RandomBytes(size_t size, unsigned seed = 1);

}  // namespace velmora::test
