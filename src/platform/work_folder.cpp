#include "platform/work_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/guid.h"
#include "platform/system.h"

namespace velmora::platform {

WorkFolder::WorkFolder() : m_path(TempFolder() + "parcelo-" + GuidToString(CreateGuid()) + "/") {
    std::error_code error;
    m_bCreated = std::filesystem::create_directories(m_path, error);
}

WorkFolder::~WorkFolder() {
    if (!m_bCreated) return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace velmora::platform
