#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

// System strings, the user's folders, the system's description and a few
// services of the desktop. Queries answer an empty text when the system
// cannot tell.
namespace velmora {

VELMORA_API std::string GetCurrentDirectoryW();
VELMORA_API std::string GetWindowsDirectoryW();
VELMORA_API std::string GetSystemDirectoryW();
VELMORA_API std::string GetSystemDrive();
VELMORA_API std::string GetUserNameW();
VELMORA_API std::string GetComputerNameW();
// The temporary folder, with a trailing separator.
VELMORA_API std::string GetTempPathW();
VELMORA_API std::string GetMyPicturePath();
VELMORA_API std::string GetMyDocumentsPath();
VELMORA_API std::string GetMyPersonalPath();
VELMORA_API std::string GetAppDataPath();

// Appends the root of each mounted disk or share ("/", "/media/usb/"); with
// `nameOnly` the mount folder without a trailing separator ("/", "/media/usb").
VELMORA_API void GetLogicalDriveStringsW(std::vector<std::string>& drives, bool nameOnly);

// A file (not a folder) / a folder is at the path; the text is used as given.
VELMORA_API bool IsExistsFile(std::string_view path);
VELMORA_API bool IsExistsDirectory(std::string_view path);

// "_2026_03_07_14_05_09": year, month, day, hour, minute, second of the
// local time now (or of the given time, in seconds since 1970).
VELMORA_API std::string GetTimeStampSuffix();
VELMORA_API std::string GetTimeStampSuffix(int64_t seconds);

// The system's text for an error number; "FormatMessage Netive Error" when it
// has none.
VELMORA_API std::string GetSystemErrorMessage(int code);

// What describes a running system. The classic desktop line is told by
// platform id, version numbers, service-pack text and product type; a Linux
// system by its distribution name and kernel.
struct VELMORA_API OSVersionRecord {
    static constexpr uint32_t kPlatformWin32s = 0;
    static constexpr uint32_t kPlatformWindows = 1;  // the consumer line (95, 98, Me)
    static constexpr uint32_t kPlatformNT = 2;
    static constexpr uint32_t kPlatformLinux = 100;

    uint32_t platformId = kPlatformLinux;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    std::string servicePack;   // "Service Pack 2"
    std::string productType;   // "WINNT", "LANMANNT" or "SERVERNT"
    std::string distribution;  // "Debian GNU/Linux 12 (bookworm)"
    std::string kernel;        // "Linux 6.1.0-18-amd64 x86_64"
};

// The one-line description of a system, trimmed at both ends.
VELMORA_API std::string GetOSVersionText(const OSVersionRecord& record);

// The running system's description, read once per process and shared by
// every instance.
class VELMORA_API COSVersion {
public:
    COSVersion();

    // False when the system could not be asked.
    bool IsRead() const { return m_bRead; }
    const OSVersionRecord& GetRecord() const;
    // Empty when the system could not be asked.
    std::string GetOSVersionText() const;

private:
    bool m_bRead;
};

// The running system's description (see COSVersion).
VELMORA_API std::string GetOSVersionText();

// Writes the text to `fileName` (only its last path part; "Info.txt" when
// empty) in the temporary folder and opens it in the user's text editor
// without waiting. False when the file cannot be written or no editor starts.
VELMORA_API bool ShowInNotepad(std::string_view text, std::string_view fileName = {});

// Lets the GUI process its pending events when called on its thread; false
// when the program is quitting. Elsewhere it does nothing and answers true.
VELMORA_API bool PumpMessage();

}  // namespace velmora
