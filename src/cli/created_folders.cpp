#include "cli/created_folders.h"

#include <filesystem>
#include <system_error>

namespace parcelo::cli {

namespace fs = std::filesystem;

CreatedFolders::CreatedFolders(const std::string& path) {
    std::error_code error;
    for (fs::path level = fs::path(path).lexically_normal(); !level.empty() && !fs::exists(level, error);
         level = level.parent_path()) {
        if (level == level.parent_path()) break;
        m_missing.push_back(level.string());
    }
}

void CreatedFolders::RemoveEmpty() const {
    for (const std::string& folder : m_missing) {
        std::error_code error;
        // A file that was to be made and was not.
        if (!fs::exists(folder, error)) continue;
        if (!fs::is_directory(folder, error) || !fs::is_empty(folder, error) || error) return;
        if (!fs::remove(folder, error)) return;
    }
}

}  // namespace parcelo::cli
