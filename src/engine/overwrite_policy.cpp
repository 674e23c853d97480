#include "engine/overwrite_policy.h"

#include <array>
#include <utility>

namespace velmora {
namespace {

constexpr std::array<std::pair<EOverwrite, const char*>, 4> kNames = {{
    {EOverwrite::Refuse, "refuse"},
    {EOverwrite::Replace, "replace"},
    {EOverwrite::Skip, "skip"},
    {EOverwrite::Newer, "newer"},
}};

}  // namespace

EOverwriteStep CheckOverwrite(EOverwrite policy, const CFtpPath& source, const std::string& target) {
    if (policy == EOverwrite::Design || policy == EOverwrite::Replace) return EOverwriteStep::Write;
    if (!CFilePath::IsExistsFile(target)) return EOverwriteStep::Write;
    switch (policy) {
        case EOverwrite::Refuse: return EOverwriteStep::Refuse;
        case EOverwrite::Skip: return EOverwriteStep::Skip;
        default: break;
    }
    CFtpPath existing(target);
    existing.FixByReadStatus();
    return source.LastWriteTime() > existing.LastWriteTime() ? EOverwriteStep::Write : EOverwriteStep::Skip;
}

std::string OverwriteName(EOverwrite policy) {
    for (const auto& [value, name] : kNames) {
        if (value == policy) return name;
    }
    return {};
}

EOverwrite OverwriteFromName(const std::string& name) {
    for (const auto& [value, text] : kNames) {
        if (name == text) return value;
    }
    return EOverwrite::Design;
}

}  // namespace velmora
