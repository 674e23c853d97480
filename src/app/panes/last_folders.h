#pragma once

#include <map>
#include <string>

namespace parcelo {

// The folder the browser last showed, per connection (by its name): kept
// while the program runs and stored in the settings (group "LastFolders",
// which older stores lack: then nothing is restored).
class CLastFolders {
public:
    static constexpr const char* kGroup = "LastFolders";

    void Remember(const std::string& connection, const std::string& folder);
    // Writes what was remembered.
    void Save() const;
    // The stored folder of the connection; empty when none.
    static std::string Read(const std::string& connection);

private:
    std::map<std::string, std::string> m_folders;
};

}  // namespace parcelo
