#pragma once

#include <string>

#include "platform/api.h"

namespace velmora::platform {

// A new, uniquely named folder in the temporary folder, for files a job makes
// on its way (an archive built before it goes to a server); removed with
// everything in it when the object goes.
class VELMORA_API WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool IsValid() const { return m_bCreated; }
    // With a trailing "/".
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    bool m_bCreated = false;
};

}  // namespace velmora::platform
