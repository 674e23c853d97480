#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// Network shares ("\\srv\share\folder\file.doc") reach the file system
// through a local folder the share is mounted at. A share is found, in this
// order, as:
//   - a line "//srv/share=/local/folder" of $XDG_CONFIG_HOME/Parcelo/shares.conf
//     (~/.config when the variable is not set; "#" starts a comment line);
//   - a CIFS mount whose device is //srv/share in /proc/mounts;
//   - a GVFS mount $XDG_RUNTIME_DIR/gvfs/smb-share:server=srv,share=share.
// Server and share names match without regard to letter case, as SMB names do.
namespace velmora::platform {

// The server and share of a network path text ("\\srv\share\..." or
// "//srv/share/..."); false for any other text.
VELMORA_API bool SplitNetworkPath(std::string_view text, std::string& server, std::string& share,
                                  std::string& rest);

// The local folder of the share; false when no mapping is known.
VELMORA_API bool FindShareFolder(std::string_view server, std::string_view share, std::string& folder);

// The CIFS mount of the share in a mount table text (the /proc/mounts layout,
// octal escapes in the mount point undone).
VELMORA_API bool FindShareInMountTable(std::string_view table, std::string_view server, std::string_view share,
                                       std::string& folder);

// The local path of a network path: the share's folder followed by the
// rest of the text with "/" separators. False, with the reason, when the
// text is not a network path or its share is not mapped.
VELMORA_API bool MapNetworkPath(std::string_view text, std::string& local, std::string* error = nullptr);

}  // namespace velmora::platform
