#pragma once

#include <string>
#include <vector>

#include "platform/api.h"

// System strings and the user's folders. Every query answers an empty text
// (or an empty list) when the system cannot tell.
namespace velmora::platform {

VELMORA_API std::string CurrentDirectory();
// The effective user's login name; $USER or $LOGNAME when the user database
// has no entry.
VELMORA_API std::string UserName();
VELMORA_API std::string ComputerName();
// $TMPDIR (when absolute), else "/tmp"; always with a trailing "/".
VELMORA_API std::string TempFolder();
// $HOME, else the user database's home folder.
VELMORA_API std::string HomeFolder();
// $XDG_DATA_HOME (when absolute), else ~/.local/share.
VELMORA_API std::string AppDataFolder();
// $XDG_CONFIG_HOME (when absolute), else ~/.config.
VELMORA_API std::string ConfigFolder();
// $XDG_PICTURES_DIR / $XDG_DOCUMENTS_DIR, else the entry of
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures / ~/Documents.
VELMORA_API std::string PicturesFolder();
VELMORA_API std::string DocumentsFolder();
// Where the system keeps its own files, and its programs.
VELMORA_API std::string PlatformFolder();
VELMORA_API std::string SystemFolder();
// The root of the file system the system runs from.
VELMORA_API std::string SystemDrive();

// Folders where the user's disks and shares are mounted, "/" first; pseudo
// file systems and mounted files are left out.
VELMORA_API std::vector<std::string> MountPoints();

struct VELMORA_API OSDescription {
    std::string prettyName;  // PRETTY_NAME of os-release, may be empty
    std::string sysName;     // uname: "Linux"
    std::string release;     // uname: "6.1.0-18-amd64"
    std::string machine;     // uname: "x86_64"
};
// False when the kernel cannot be asked (uname fails).
VELMORA_API bool ReadOSDescription(OSDescription& description);

// The description of a system error number; empty for a number the system
// does not know. Safe to call from any thread.
VELMORA_API std::string SystemErrorText(int code);

// The value of the environment variable; empty when not set.
VELMORA_API std::string GetEnvironment(const char* name);

}  // namespace velmora::platform
