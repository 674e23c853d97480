#include "ftp/remote_link.h"

#include <algorithm>
#include <vector>

#include "ftp/ftp_dir.h"
#include "ftp/remote_session.h"

namespace velmora {
namespace {

// `folder` is `target` or lies below it (both normal, ending in "/").
bool IsWithin(const std::string& folder, const std::string& target) { return folder.starts_with(target); }

// Where a link to a folder leads, as far as the server tells (`reported`);
// empty when it does not.
std::string LinkTarget(const std::string& reported, const std::string& folder, const CFtpDir& link,
                       const std::string& linkPath) {
    const std::string resolved = ResolveFolder("/", reported);
    if (resolved != linkPath) return resolved;
    return link.GetLinkTarget().empty() ? std::string() : ResolveFolder(folder, link.GetLinkTarget());
}

}  // namespace

std::string ResolveFolder(std::string_view folder, std::string_view target) {
    std::vector<std::string_view> levels;
    const auto walk = [&levels](std::string_view text) {
        while (!text.empty()) {
            const size_t slash = std::min(text.find('/'), text.size());
            const std::string_view level = text.substr(0, slash);
            text.remove_prefix(std::min(slash + 1, text.size()));
            if (level == "..") {
                if (!levels.empty()) levels.pop_back();
            } else if (!level.empty() && level != ".") {
                levels.push_back(level);
            }
        }
    };
    if (!target.starts_with('/')) walk(folder);
    walk(target);
    std::string resolved = "/";
    for (std::string_view level : levels) resolved.append(level).append("/");
    return resolved;
}

CRemoteLink FollowLink(CRemoteSession& session, const std::string& folder, const CFtpDir& link) {
    CRemoteLink result;
    result.path = link.GetPath();  // the folder, with the link's times
    const std::string listed = ResolveFolder("/", folder);
    const std::string path = listed + link.GetName() + "/";
    std::string reported;
    if (session.IsFolder(path, &reported)) {
        const std::string target = LinkTarget(reported, listed, link, path);
        result.kind = !target.empty() && IsWithin(listed, target) ? CRemoteLink::Loop : CRemoteLink::Folder;
        result.path.AppendDir(link.GetName());
        result.path.SetAttr(platform::FileAttrDirectory | platform::FileAttrReparsePoint);
        return result;
    }
    result.path.SetFileNameAndExt(link.GetName());
    result.path.SetAttr(platform::FileAttrNormal);
    // The listed size is the link's own; the server knows the target's.
    CRemoteFacts facts;
    session.GetFactsOnly(listed + link.GetName(), FactSize, facts);
    result.path.Length(facts.size.value_or(0));
    return result;
}

}  // namespace velmora
