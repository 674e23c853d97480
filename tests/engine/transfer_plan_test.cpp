// Plans are values: every decision about where a file starts is checked
// here without a file or a server.

#include <gtest/gtest.h>

#include "engine/transfer_plan.h"

namespace velmora {
namespace {

using EStart = CTransferPlan::EStart;

const CSourceStamp kSource{11, 5000, 1234567};
const CSourceStamp kOtherVersion{11, 5000, 7654321};

CSourceFacts Source(std::optional<CSourceStamp> stamp = kSource, bool fromOffset = true) {
    return {5000, stamp, fromOffset, false};
}

CTargetFacts Holding(uint64_t held, std::optional<CSourceStamp> stamp = kSource) {
    CTargetFacts target;
    target.held = held;
    target.heldStamp = stamp;
    target.keepsStamps = true;
    target.writesFromOffset = true;
    target.appends = true;
    return target;
}

TEST(TransferPlanTest, AFreshCopyNotesWhatItIsTakenFromBeforeItsFirstByte) {
    const CTransferPlan plan = PlanTransfer(false, Source(), Holding(3000));
    EXPECT_EQ(plan.start, EStart::Fresh);
    EXPECT_EQ(plan.offset, 0u);
    EXPECT_TRUE(plan.keepStamp);
    EXPECT_EQ(plan.stamp, kSource);
    EXPECT_EQ(plan.expectedLength, 5000u);
    EXPECT_EQ(plan.Remaining(), 5000u);

    CTargetFacts noStamps = Holding(0);
    noStamps.keepsStamps = false;
    EXPECT_FALSE(PlanTransfer(false, Source(), noStamps).keepStamp);
    EXPECT_FALSE(PlanTransfer(false, Source(std::nullopt), Holding(0)).keepStamp);
}

TEST(TransferPlanTest, AContinuedCopyGoesOnOnlyFromAPartOfThisVerySource) {
    const CTransferPlan same = PlanTransfer(true, Source(), Holding(3000));
    EXPECT_EQ(same.start, EStart::Offset);
    EXPECT_EQ(same.offset, 3000u);
    EXPECT_FALSE(same.keepStamp) << "the partial has its stamp already";
    EXPECT_EQ(same.Remaining(), 2000u);

    // A partial without a stamp (kept by an older version, or a shorter
    // file at the target's place) is trusted by its size.
    EXPECT_EQ(PlanTransfer(true, Source(), Holding(3000, std::nullopt)).offset, 3000u);

    const CTransferPlan changed = PlanTransfer(true, Source(), Holding(3000, kOtherVersion));
    EXPECT_EQ(changed.start, EStart::Fresh);
    EXPECT_TRUE(changed.sourceChanged);
    EXPECT_TRUE(changed.keepStamp);

    const CTransferPlan longer = PlanTransfer(true, Source(), Holding(6000));
    EXPECT_EQ(longer.start, EStart::Fresh) << "more than the source has is not a part of it";
    EXPECT_FALSE(longer.sourceChanged);
}

TEST(TransferPlanTest, ACopyStartsAfreshWhereASideCannotStartElsewhere) {
    EXPECT_EQ(PlanTransfer(true, Source(kSource, false), Holding(3000)).start, EStart::Fresh);

    CTargetFacts appendOnly = Holding(3000);
    appendOnly.writesFromOffset = false;
    const CTransferPlan appended = PlanTransfer(true, Source(), appendOnly);
    EXPECT_EQ(appended.start, EStart::Append);
    EXPECT_EQ(appended.offset, 3000u);

    CTargetFacts neither = appendOnly;
    neither.appends = false;
    EXPECT_EQ(PlanTransfer(true, Source(), neither).start, EStart::Fresh);
    EXPECT_EQ(PlanTransfer(true, Source(), Holding(0)).start, EStart::Fresh);
}

TEST(TransferPlanTest, ACopyTakenUpAfterACutGoesOnFromWhatTheTargetHoldsForCertain) {
    CTransferPlan broken = PlanTransfer(false, Source(), Holding(0));
    broken.verify = "SHA-256";

    const CTransferPlan onward = PlanTakeUp(broken, 4000, Source(), Holding(3500, std::nullopt));
    EXPECT_EQ(onward.start, EStart::Offset);
    EXPECT_EQ(onward.offset, 3500u);
    EXPECT_EQ(onward.verify, "SHA-256");
    EXPECT_EQ(onward.stamp, kSource);

    // The server says it holds more than was sent: something else is there.
    EXPECT_EQ(PlanTakeUp(broken, 4000, Source(), Holding(4500)).start, EStart::Fresh);

    const CTransferPlan replaced = PlanTakeUp(broken, 4000, Source(kOtherVersion), Holding(4000));
    EXPECT_EQ(replaced.start, EStart::Fresh);
    EXPECT_TRUE(replaced.sourceChanged);
    EXPECT_EQ(replaced.verify, "SHA-256");

    // A source that cannot tell its stamp again keeps the one it began with.
    EXPECT_EQ(PlanTakeUp(broken, 4000, Source(std::nullopt), Holding(4000)).stamp, kSource);
}

}  // namespace
}  // namespace velmora
