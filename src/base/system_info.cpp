#include "base/system_info.h"

#include <mutex>

#include "base/format.h"
#include "base/hex.h"
#include "base/path_text.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_pump.h"
#include "platform/process.h"
#include "platform/system.h"

namespace velmora {
namespace {

bool StatusOf(std::string_view path, uint32_t& attributes) {
    platform::FileStatus status;
    if (!platform::GetFileStatus(path, status)) return false;
    attributes = status.attributes;
    return true;
}

std::string ConsumerLineName(const OSVersionRecord& r) {
    const char mark = r.servicePack.size() > 1 ? r.servicePack[1] : '\0';
    switch (r.minorVersion) {
        case 0: return std::string(" Microsoft Windows 95 ") + (mark == 'C' || mark == 'B' ? " OSR2 " : "");
        case 10: return std::string(" Microsoft Windows 98 ") + (mark == 'A' ? " SE " : "");
        case 90: return " Microsoft Windows Me ";
        default: return Format(" Windows %u.%u ", r.majorVersion, r.minorVersion);
    }
}

std::string NTLineName(const OSVersionRecord& r) {
    if (r.majorVersion <= 4) return " Windows NT ";
    if (r.majorVersion == 5 && r.minorVersion == 0) return " Windows 2000 ";
    if (r.majorVersion == 5 && r.minorVersion == 1) return " Windows XP ";
    if (r.majorVersion == 5 && r.minorVersion == 2) return " Windows XP Professional x64 Edition";
    if (r.majorVersion == 6 && r.minorVersion == 0) return " Microsoft Windows Vista";
    // Releases the table does not name are shown by their version numbers.
    return Format(" Windows %u.%u ", r.majorVersion, r.minorVersion);
}

std::string ProductTypeText(std::string_view productType) {
    if (EqualsNoCase(productType, "WINNT")) return "Professional ";
    if (EqualsNoCase(productType, "LANMANNT")) return " Server ";
    if (EqualsNoCase(productType, "SERVERNT")) return " Advanced Server ";
    return {};
}

std::string NTLineText(const OSVersionRecord& r) {
    const unsigned build = r.buildNumber & 0xFFFF;
    std::string text = NTLineName(r) + ProductTypeText(r.productType);
    if (r.majorVersion > 4) return text + Format("%s (Build %u)\n", r.servicePack.c_str(), build);
    return text + Format("version %u.%u %s (Build %u)\n", r.majorVersion, r.minorVersion, r.servicePack.c_str(), build);
}

std::string LinuxText(const OSVersionRecord& r) {
    if (r.distribution.empty()) return r.kernel;
    if (r.kernel.empty()) return r.distribution;
    return r.distribution + " (" + r.kernel + ")";
}

OSVersionRecord g_record;
bool g_bRecordRead = false;

void ReadRecord() {
    platform::OSDescription description;
    if (!platform::ReadOSDescription(description)) return;
    g_record.platformId = OSVersionRecord::kPlatformLinux;
    g_record.distribution = description.prettyName;
    g_record.kernel = TrimText(description.sysName + " " + description.release + " " + description.machine);
    // "6.1.0-18-amd64": major, minor and patch level as the build number.
    std::string release = description.release;
    g_record.majorVersion = static_cast<uint32_t>(ParseInt32(GetToken(release, ".")));
    g_record.minorVersion = static_cast<uint32_t>(ParseInt32(GetToken(release, ".")));
    g_record.buildNumber = static_cast<uint32_t>(ParseInt32(release));
    g_bRecordRead = true;
}

// The last part of a caller's file name, so that the file stays in the
// temporary folder.
std::string SafeFileName(std::string_view fileName) {
    const size_t slash = fileName.find_last_of("/\\");
    const std::string name(slash == std::string_view::npos ? fileName : fileName.substr(slash + 1));
    return name.empty() || name == "." || name == ".." ? std::string("Info.txt") : name;
}

}  // namespace

std::string GetCurrentDirectoryW() { return platform::CurrentDirectory(); }
std::string GetWindowsDirectoryW() { return platform::PlatformFolder(); }
std::string GetSystemDirectoryW() { return platform::SystemFolder(); }
std::string GetSystemDrive() { return platform::SystemDrive(); }
std::string GetUserNameW() { return platform::UserName(); }
std::string GetComputerNameW() { return platform::ComputerName(); }
std::string GetTempPathW() { return platform::TempFolder(); }
std::string GetMyPicturePath() { return platform::PicturesFolder(); }
std::string GetMyDocumentsPath() { return platform::DocumentsFolder(); }
std::string GetMyPersonalPath() { return platform::DocumentsFolder(); }
std::string GetAppDataPath() { return platform::AppDataFolder(); }

void GetLogicalDriveStringsW(std::vector<std::string>& drives, bool nameOnly) {
    for (const std::string& point : platform::MountPoints()) {
        drives.push_back(nameOnly ? point : AppendSlash(point, '/'));
    }
}

bool IsExistsFile(std::string_view path) {
    uint32_t attributes = 0;
    return StatusOf(path, attributes) &&
           (attributes & (platform::FileAttrDirectory | platform::FileAttrVolume)) == 0;
}

bool IsExistsDirectory(std::string_view path) {
    uint32_t attributes = 0;
    return StatusOf(path, attributes) && (attributes & platform::FileAttrDirectory) != 0;
}

std::string GetTimeStampSuffix() { return GetTimeStampSuffix(platform::Now()); }

std::string GetTimeStampSuffix(int64_t seconds) {
    std::tm local{};
    if (!platform::ToLocal(seconds, local)) return {};
    return Format("_%02d_%02d_%02d_%02d_%02d_%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
}

std::string GetSystemErrorMessage(int code) {
    const std::string text = platform::SystemErrorText(code);
    return text.empty() ? std::string("FormatMessage Netive Error") : text;
}

std::string GetOSVersionText(const OSVersionRecord& record) {
    switch (record.platformId) {
        case OSVersionRecord::kPlatformWin32s: return TrimText(" Microsoft Win32s ");
        case OSVersionRecord::kPlatformWindows:
            return record.majorVersion == 4 ? TrimText(ConsumerLineName(record)) : std::string();
        case OSVersionRecord::kPlatformNT: return TrimText(NTLineText(record));
        case OSVersionRecord::kPlatformLinux: return TrimText(LinuxText(record));
        default: return {};
    }
}

COSVersion::COSVersion() {
    static std::once_flag once;
    std::call_once(once, ReadRecord);
    m_bRead = g_bRecordRead;
}

const OSVersionRecord& COSVersion::GetRecord() const { return g_record; }

std::string COSVersion::GetOSVersionText() const { return m_bRead ? velmora::GetOSVersionText(g_record) : ""; }

std::string GetOSVersionText() { return COSVersion().GetOSVersionText(); }

bool ShowInNotepad(std::string_view text, std::string_view fileName) {
    // Written beside and renamed over the name: a link someone planted in
    // the shared temporary folder is replaced, never written through.
    const std::string path = GetTempPathW() + SafeFileName(fileName);
    return platform::WriteFileReplacing(path, text) && platform::OpenInTextEditor(path);
}

bool PumpMessage() { return platform::PumpPendingMessages(); }

}  // namespace velmora
