#pragma once

#include <string>
#include <string_view>

#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CFtpDir;
class CRemoteSession;

// A symbolic link from a listing of `folder`, followed: the server is asked
// whether it leads to a folder and where, or, for a file, its size.
//
//   CRemoteLink link = FollowLink(session, "/data/", listedLink);
//   if (link.kind == CRemoteLink::Folder) ... link.path is "/data/name/", marked as a link ...
//
// A link to a folder that holds the listed folder (its target is that folder
// or one above it) is a loop: a walk through it would never end. Its target
// is the folder the server reports after entering it when that differs from
// the link's own path (servers that resolve links), else the listed target.
struct VELMORA_API CRemoteLink {
    enum EKind { File, Folder, Loop };
    EKind kind = File;
    // The link's path with its listed times: a file with the target's size,
    // or a folder with the link attribute (FileAttrReparsePoint).
    CFtpPath path;
};

VELMORA_API CRemoteLink FollowLink(CRemoteSession& session, const std::string& folder, const CFtpDir& link);

// `target` read from `folder` ("/a/b/"): "../c" -> "/a/c/", "/x/./y" -> "/x/y/".
VELMORA_API std::string ResolveFolder(std::string_view folder, std::string_view target);

}  // namespace velmora
