#include "engine/transfer_plan.h"

#include <algorithm>

namespace velmora {
namespace {

// From `held` bytes on, as far as both sides can start there.
CTransferPlan GoOnFrom(uint64_t held, const CSourceFacts& source, const CTargetFacts& target) {
    CTransferPlan plan;
    plan.expectedLength = source.length;
    plan.stamp = source.stamp;
    const bool goesOn = held > 0 && source.readsFromOffset && (target.writesFromOffset || target.appends);
    if (!goesOn) {
        // What the target gets from now on is this source: its stamp goes first.
        plan.keepStamp = target.keepsStamps && source.stamp.has_value();
        return plan;
    }
    plan.start = target.writesFromOffset ? CTransferPlan::EStart::Offset : CTransferPlan::EStart::Append;
    plan.offset = held;
    return plan;
}

// The held part is of another file than the source as it is now.
bool HeldFromAnother(const std::optional<CSourceStamp>& held, const std::optional<CSourceStamp>& now) {
    return held && now && *held != *now;
}

CTransferPlan Changed(const CSourceFacts& source, const CTargetFacts& target) {
    CTransferPlan plan = GoOnFrom(0, source, target);
    plan.sourceChanged = true;
    return plan;
}

}  // namespace

std::optional<uint64_t> CTransferPlan::Remaining() const {
    if (!expectedLength || *expectedLength < offset) return std::nullopt;
    return *expectedLength - offset;
}

CTransferPlan Afresh(const CTransferPlan& plan) {
    CTransferPlan afresh;
    afresh.expectedLength = plan.expectedLength;
    afresh.stamp = plan.stamp;
    afresh.keepStamp = plan.stamp.has_value();
    afresh.verify = plan.verify;
    return afresh;
}

CTransferPlan PlanTransfer(bool continuing, const CSourceFacts& source, const CTargetFacts& target) {
    const uint64_t held = continuing ? target.held : 0;
    // More than the source has is not a part of it.
    if (source.length && held > *source.length) return GoOnFrom(0, source, target);
    if (held > 0 && HeldFromAnother(target.heldStamp, source.stamp)) return Changed(source, target);
    return GoOnFrom(held, source, target);
}

CTransferPlan PlanTakeUp(const CTransferPlan& broken, uint64_t copied, const CSourceFacts& source,
                         const CTargetFacts& target) {
    // A target that says it holds more than was written holds something else.
    const uint64_t held = target.held <= copied ? target.held : 0;
    CTransferPlan plan =
        HeldFromAnother(broken.stamp, source.stamp) ? Changed(source, target) : GoOnFrom(held, source, target);
    if (!plan.stamp) plan.stamp = broken.stamp;
    plan.verify = broken.verify;
    return plan;
}

std::vector<CFilePart> PlanParts(const CTransferPlan& plan, int count, bool continuing, const CSourceFacts& source,
                                 const CTargetFacts& target) {
    if (count < 2 || !source.readsFromOffset || !target.writesInParts || !source.length || !source.stamp ||
        plan.start == CTransferPlan::EStart::Append) {
        return {};
    }
    const uint64_t length = *source.length;
    const bool heldOfSource = continuing && target.heldStamp && *target.heldStamp == *source.stamp;
    if (heldOfSource && CoverFile(target.parts, length)) return target.parts;
    std::vector<CFilePart> parts = SplitIntoParts(length, count);
    if (parts.size() < 2) return {};
    for (CFilePart& part : parts) part.done = std::clamp(plan.offset, part.start, part.end);
    return parts;
}

}  // namespace velmora
