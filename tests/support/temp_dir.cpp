#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <cstdlib>
#include <stdexcept>

#include <stdlib.h>

namespace velmora::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string TempDir::operator/(const std::string& relative) const { return m_path + "/" + relative; }

ScopedDataHome::ScopedDataHome() {
    if (const char* old = std::getenv("XDG_DATA_HOME")) {
        m_bHadOld = true;
        m_strOld = old;
    }
    setenv("XDG_DATA_HOME", m_folder.path().c_str(), 1);
}

ScopedDataHome::~ScopedDataHome() {
    if (m_bHadOld)
        setenv("XDG_DATA_HOME", m_strOld.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

void WriteFile(const std::string& path, const std::string& content) {
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

}  // namespace velmora::test
