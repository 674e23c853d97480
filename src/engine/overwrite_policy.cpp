#include "engine/overwrite_policy.h"

#include <array>
#include <utility>

#include "engine/mirror.h"

namespace velmora {
namespace {

constexpr std::array<std::pair<EOverwrite, const char*>, 4> kNames = {{
    {EOverwrite::Refuse, "refuse"},
    {EOverwrite::Replace, "replace"},
    {EOverwrite::Skip, "skip"},
    {EOverwrite::Newer, "newer"},
}};

}  // namespace

bool NeedsTargetCheck(EOverwrite policy) { return policy != EOverwrite::Design && policy != EOverwrite::Replace; }

EOverwriteStep CheckOverwrite(EOverwrite policy, const CFtpPath& source, const CExistingTarget& target) {
    if (!NeedsTargetCheck(policy) || !target.exists) return EOverwriteStep::Write;
    switch (policy) {
        case EOverwrite::Refuse: return EOverwriteStep::Refuse;
        case EOverwrite::Skip: return EOverwriteStep::Skip;
        default: break;
    }
    // At the resolution the target's place keeps times, as a mirror compares
    // them: a server keeps whole seconds (a listing whole minutes), so a
    // source only a fraction of a second past its copy there is not newer.
    const bool older = target.lastWriteTime != 0 && CMirror::IsNewer(source.LastWriteTime(), target.lastWriteTime);
    return older ? EOverwriteStep::Write : EOverwriteStep::Skip;
}

CExistingTarget LocalTarget(const std::string& path) {
    if (!CFilePath::IsExistsFile(path)) return {};
    CFtpPath existing(path);
    existing.FixByReadStatus();
    return {true, existing.LastWriteTime()};
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
