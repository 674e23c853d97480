#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ftp/password_store.h"

namespace parcelo {

// What the transfers take from the program's settings, read together.
struct CTransferSettings {
    std::string existingTarget = "Ask";
    int sessions = 4;
    bool preserveTimes = false;
    bool protocolTrace = false;
    // A transfer slower than this on average over the time is cut (0: never).
    uint32_t lowSpeedBytes = 1;
    int lowSpeedSeconds = 30;
    // Files checked against the server's hash: "auto" (where the server
    // offers one), "require" or "off".
    std::string verify = "auto";
    // The bytes per second a transfer keeps to, all its sessions together
    // (0: as fast as it goes).
    uint64_t rateLimit = 0;
    // The parts a large file from a server is downloaded in at once, each
    // over a connection of its own (1: one stream).
    int downloadParts = 1;

    bool operator==(const CTransferSettings&) const = default;
};

// The program's persistent settings: a few text values in the per-user store
// (organisation "Norvane", application "Parcelo", group "Settings"), each read
// through a cache the first time it is asked for while the cache is empty,
// and the folders and files derived from them. Locations use "/" and end
// with one.
class CAppSettings {
public:
    static constexpr const char* kCompany = "Norvane";
    static constexpr const char* kProduct = "Parcelo";
    static constexpr const char* kGroup = "Settings";
    static constexpr const char* kExistingTarget = "ExistingTarget";

    // "Version %d.%d.%d    (b%d)" under the program's name.
    static std::string GetAboutText();

    // Where the program's own skin lies when "Home" is empty (the installed
    // data folder, or the build folder next to the binary); may be empty.
    explicit CAppSettings(std::string defaultHome = {});

    // "Home" with a trailing "/" (empty stays empty).
    std::string GetHome();
    std::string GetCurProject();
    std::string GetSelConnection();
    std::string GetSelNode();
    // "LeftTab" read as a decimal number; not a number reads as 0.
    int GetLeftTab();
    // Switches that older stores lack, and then are off: "PreserveTimes"
    // (transferred files keep their source's modification time) and
    // "ProtocolTrace" (every FTP command and reply goes to the log file).
    // "1" is on.
    bool GetPreserveTimes() const { return ReadValue(kPreserveTimes) == "1"; }
    bool GetProtocolTrace() const { return ReadValue(kProtocolTrace) == "1"; }
    static constexpr const char* kPreserveTimes = "PreserveTimes";
    static constexpr const char* kProtocolTrace = "ProtocolTrace";
    // "SimultaneousTransfers": how many sessions a transfer opens to its
    // server side by side, 1 to 10; missing, or not a number above 0, reads
    // as 4, and more than 10 as 10.
    int GetSimultaneousTransfers() const;
    static constexpr const char* kSimultaneousTransfers = "SimultaneousTransfers";
    static constexpr int kDefaultSimultaneousTransfers = 4;
    static constexpr int kMostSimultaneousTransfers = 10;
    // "PasswordStore": where passwords saved from now on go: "auto" (also
    // when missing or unknown: the desktop's keyring where one runs, else
    // scrambled in the connections file), "keyring", "file" or "none"
    // (never saved: asked for at login). Read from the store each time;
    // setting it writes the store.
    velmora::EPasswordStore GetPasswordStore() const;
    bool SetPasswordStore(velmora::EPasswordStore store);
    static constexpr const char* kPasswordStore = "PasswordStore";
    void SetSelNode(const std::string& text) { m_strSelNode = text; }
    // What a transfer does with a file whose target exists, unless the user
    // answers otherwise: "Ask" (also when missing), "Overwrite",
    // "OverwriteIfNewer", "Resume" (a shorter target is continued, any
    // other skipped), "Rename" or "Skip". Read from the store each time.
    std::string GetExistingTarget() const { return ReadValue(kExistingTarget); }
    void SetSelConnection(const std::string& text) { m_strSelConnection = text; }
    // "PlainFtpServers": the servers ("host:port", blank separated) whose
    // user said yes to sending the password unencrypted, since they offer
    // no TLS. Read from the store each time, from any thread.
    static bool AllowsPlainFtp(const std::string& host, uint16_t port);
    bool AllowPlainFtp(const std::string& host, uint16_t port);
    static constexpr const char* kPlainFtpServers = "PlainFtpServers";

    // The transfer settings as stored ("ExistingTarget",
    // "SimultaneousTransfers", "PreserveTimes", "ProtocolTrace",
    // "LowSpeedBytes", "LowSpeedSeconds", "VerifyTransfers", "RateLimit",
    // "DownloadParts");
    // missing or unknown values take CTransferSettings' defaults. Writing
    // stores each one at once.
    CTransferSettings GetTransferSettings() const;
    void SetTransferSettings(const CTransferSettings& settings);
    static constexpr const char* kLowSpeedBytes = "LowSpeedBytes";
    static constexpr const char* kLowSpeedSeconds = "LowSpeedSeconds";
    static constexpr const char* kVerifyTransfers = "VerifyTransfers";
    static constexpr const char* kRateLimit = "RateLimit";
    static constexpr const char* kDownloadParts = "DownloadParts";

    // "ShowHidden": both panes list hidden files and folders ("1").
    bool GetShowHidden() const { return ReadValue(kShowHidden) == "1"; }
    void SetShowHidden(bool show) { WriteValue(std::string(kShowHidden), std::string(show ? "1" : "0")); }
    static constexpr const char* kShowHidden = "ShowHidden";
    // Lists kept as one text of lines: "RecentServers" (of the quick-connect
    // bar) and "SiteFolders" (the site list's folders, empty ones too).
    std::vector<std::string> GetRecentServers() const { return ReadLines(kRecentServers); }
    void SetRecentServers(const std::vector<std::string>& lines) { WriteLines(kRecentServers, lines); }
    std::vector<std::string> GetSiteFolders() const { return ReadLines(kSiteFolders); }
    void SetSiteFolders(const std::vector<std::string>& lines) { WriteLines(kSiteFolders, lines); }
    static constexpr const char* kRecentServers = "RecentServers";
    static constexpr const char* kSiteFolders = "SiteFolders";

    // Reads every value in start-up order: Home, CurProject, SelConnection,
    // LeftTab, SelNode.
    void Load();
    // Writes CurProject, SelConnection, LeftTab and SelNode from the caches
    // (empty when never read or set).
    void Save();

    std::string GetAppDataFolder() const;
    std::string GetProjectsFolder() const;
    // "Home"'s Skin folder, or the default home's when "Home" is empty.
    std::string GetSkinFolder();
    std::string GetAnimationFile();
    std::string GetLogFile() const;
    // Where the transfer queue keeps its unfinished transfers.
    std::string GetQueueFile() const { return GetAppDataFolder() + "Queue.json"; }

    std::string GetCloseImage() { return SkinFile("Close24.png"); }
    std::string GetCloseHImage() { return SkinFile("Close24H.png"); }
    std::string GetFolderOpenImage() { return SkinFile("folderopenb24.png"); }
    std::string GetFolderOpenHImage() { return SkinFile("folderopenb24H.png"); }
    std::string GetDownImage() { return SkinFile("down24.png"); }
    std::string GetDownHImage() { return SkinFile("down24h.png"); }
    std::string GetStopImage() { return SkinFile("Stop24.png"); }
    std::string GetStopHImage() { return SkinFile("Stop24H.png"); }
    std::string GetInfoImage() { return SkinFile("infoabout24.png"); }
    std::string GetInfoHImage() { return SkinFile("infoabout24H.png"); }
    std::string GetTrayEmptyImage() { return SkinFile("vandle_empty128.png"); }
    std::string GetTrayFullReceivingImage() { return SkinFile("vandle_full_r128.png"); }
    std::string GetTrayFullImage() { return SkinFile("vandle_full128.png"); }
    std::string GetTrayDisconnectedImage() { return SkinFile("vandle_disconnected128.png"); }

    // Stores the text under the name. No name removes the whole group; no
    // text removes the value. True when the store was written.
    bool WriteValue(const std::optional<std::string>& name, const std::optional<std::string>& text);

private:
    static std::string ReadValue(const char* name);
    static std::vector<std::string> ReadLines(const char* name);
    void WriteLines(const char* name, const std::vector<std::string>& lines);
    // The cache, filled from the store when it is empty.
    static const std::string& ReadThrough(std::string& cache, const char* name);
    std::string SkinFile(const char* name) { return GetSkinFolder() + name; }

    std::string m_strDefaultHome;
    std::string m_strHome;
    std::string m_strCurProject;
    std::string m_strSelConnection;
    std::string m_strLeftTab;
    std::string m_strSelNode;
};

}  // namespace parcelo
