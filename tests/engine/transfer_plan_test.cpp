// Plans are values: every decision about where a file starts is checked
// here without a file or a server.

#include <gtest/gtest.h>

#include "base/format.h"
#include "engine/file_parts.h"
#include "engine/overwrite_policy.h"
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

TEST(FilePartsTest, AFileSplitsIntoNearlyEqualPartsOfAMebibyteOrMore) {
    constexpr uint64_t kMiB = kMinFilePart;
    const std::vector<CFilePart> four = SplitIntoParts(10 * kMiB + 3, 4);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_TRUE(CoverFile(four, 10 * kMiB + 3));
    for (const CFilePart& part : four) {
        EXPECT_EQ(part.done, part.start);
        EXPECT_GE(part.end - part.start, 10 * kMiB / 4);
    }
    // Never below a mebibyte a part: a small file keeps one stream.
    EXPECT_EQ(SplitIntoParts(3 * kMiB - 1, 4).size(), 2u);
    EXPECT_EQ(SplitIntoParts(kMiB, 4).size(), 1u);
    EXPECT_EQ(SplitIntoParts(0, 4).size(), 1u);
    EXPECT_EQ(SplitIntoParts(100 * kMiB, 0).size(), 1u);

    // What a transfer in one stream may go on from: the bytes without a gap.
    std::vector<CFilePart> parts = {{0, 100, 100}, {100, 150, 200}, {200, 290, 300}};
    EXPECT_EQ(WrittenPrefix(parts), 150u);
    parts[0].done = 40;
    EXPECT_EQ(WrittenPrefix(parts), 40u);
    EXPECT_FALSE(CoverFile(parts, 301)) << "short of the end";
    EXPECT_FALSE(CoverFile({{0, 0, 100}, {150, 150, 300}}, 300)) << "a gap";
    EXPECT_FALSE(CoverFile({{0, 120, 100}, {100, 100, 300}}, 300)) << "done beyond the end";
    EXPECT_FALSE(CoverFile({}, 0));
}

TEST(FilePartsTest, ThePartsNoteReadsBackAndAnythingElseIsNoNote) {
    const std::vector<CFilePart> parts = {{0, 70, 100}, {100, 200, 200}, {200, 200, 301}};
    const std::string note = PartsNote(kSource, parts);
    EXPECT_EQ(note, kSource.Note() + "parts 0:70:100 100:200:200 200:200:301\n");
    const CPartialNote read = ParsePartialNote(note);
    EXPECT_EQ(read.stamp, kSource);
    EXPECT_EQ(read.parts, parts);

    // A stamp alone is a note of a partial written in one stream.
    const CPartialNote single = ParsePartialNote(kSource.Note());
    EXPECT_EQ(single.stamp, kSource);
    EXPECT_TRUE(single.parts.empty());
    EXPECT_EQ(PartsNote(kSource, {}), kSource.Note());

    std::string many = kSource.Note() + "parts";
    for (int i = 0; i <= kMaxFileParts; ++i) many += Format(" %d:%d:%d", i, i + 1, i + 1);
    EXPECT_TRUE(ParsePartialNote(many + "\n").parts.empty()) << "more parts than any run makes";

    // A note cut short or changed tells nothing: its stamp is not trusted either.
    for (const std::string& bad :
         {note.substr(0, note.size() - 1), kSource.Note() + "parts\n", kSource.Note() + "parts 0:70\n",
          kSource.Note() + "parts 0:170:100\n", kSource.Note() + "parts 0:70:100  100:100:200\n",
          kSource.Note() + "segments 0:70:100\n", std::string("garbage\n"), std::string()}) {
        SCOPED_TRACE(bad);
        const CPartialNote rejected = ParsePartialNote(bad);
        EXPECT_FALSE(rejected.stamp.has_value());
        EXPECT_TRUE(rejected.parts.empty());
    }
}

TEST(TransferPlanTest, AFileGoesInPartsOnlyWhereBothSidesCanAndItsPartsAreTakenUpFromThisSource) {
    constexpr uint64_t kLength = 8 * kMinFilePart;
    const CSourceStamp stamp{11, kLength, 1234567};
    const CSourceFacts source{kLength, stamp, true, false};
    CTargetFacts target = Holding(0);
    target.writesInParts = true;
    const CTransferPlan fresh = PlanTransfer(false, source, target);

    const std::vector<CFilePart> parts = PlanParts(fresh, 4, false, source, target);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_TRUE(CoverFile(parts, kLength));
    EXPECT_TRUE(PlanParts(fresh, 1, false, source, target).empty()) << "one part is one stream";

    CSourceFacts noOffset = source;
    noOffset.readsFromOffset = false;
    CSourceFacts noStamp = source;
    noStamp.stamp.reset();
    CSourceFacts noLength = source;
    noLength.length.reset();
    CTargetFacts noParts = target;
    noParts.writesInParts = false;
    EXPECT_TRUE(PlanParts(fresh, 4, false, noOffset, target).empty());
    EXPECT_TRUE(PlanParts(fresh, 4, false, noStamp, target).empty()) << "a later run could not trust its parts";
    EXPECT_TRUE(PlanParts(fresh, 4, false, noLength, target).empty());
    EXPECT_TRUE(PlanParts(fresh, 4, false, source, noParts).empty());

    // A partial written in one stream: the parts below its end are done.
    target.held = 3 * kMinFilePart;
    target.heldStamp = stamp;
    const CTransferPlan onward = PlanTransfer(true, source, target);
    const std::vector<CFilePart> after = PlanParts(onward, 4, true, source, target);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(WrittenPrefix(after), 3 * kMinFilePart);
    EXPECT_TRUE(after[0].IsComplete());
    EXPECT_EQ(after[1].done, 3 * kMinFilePart);
    EXPECT_EQ(after[2].done, after[2].start);

    // The parts a cut left, of this very source, whatever the count asked now.
    target.parts = {{0, 100, kLength / 2}, {kLength / 2, kLength - 5, kLength}};
    target.held = 100;
    EXPECT_EQ(PlanParts(PlanTransfer(true, source, target), 4, true, source, target), target.parts);
    // Not when the job starts afresh, nor from another version of the source.
    EXPECT_NE(PlanParts(fresh, 4, false, source, target), target.parts);
    target.heldStamp = CSourceStamp{11, kLength, 7654321};
    EXPECT_NE(PlanParts(PlanTransfer(true, source, target), 4, true, source, target), target.parts);
}

// What a run again of the same transfer does with a file that is there.
TEST(RerunTest, OnlyAnEqualFileStaysAndOnlyThisSourcesOwnPartIsContinued) {
    constexpr uint64_t kSecond = 10000000;
    // A local file's time has a fraction of a second; the server keeps whole seconds.
    const uint64_t local = 133000000000000000 + 3 * kSecond + 4567891;
    const uint64_t server = local - 4567891;
    const CExistingTarget copy{true, server, 5000, true};
    EXPECT_EQ(CheckRerun(5000, local, copy, false), ERerunStep::Unchanged);
    EXPECT_EQ(CheckRerun(5000, local, {}, false), ERerunStep::Write);
    EXPECT_EQ(CheckRerun(5001, local, copy, false), ERerunStep::Refuse);
    EXPECT_EQ(CheckRerun(5000, local + 2 * kSecond, copy, false), ERerunStep::Refuse);
    EXPECT_EQ(CheckRerun(5000, local - 2 * kSecond, copy, false), ERerunStep::Refuse);
    // Where the target's time tells nothing of the source: the size alone.
    EXPECT_EQ(CheckRerun(5000, local + 60 * kSecond, {true, server, 5000, false}, false), ERerunStep::Unchanged);
    // What cannot be told equal is not.
    EXPECT_EQ(CheckRerun(5000, local, {true, server, std::nullopt, true}, false), ERerunStep::Refuse);
    EXPECT_EQ(CheckRerun(5000, local, {true, 0, 5000, true}, false), ERerunStep::Refuse);
    // A part this very source left, whatever its size, or before it exists
    // under its own name (a download's partial file).
    EXPECT_EQ(CheckRerun(5000, local, {true, server, 2000, true}, true), ERerunStep::Continue);
    EXPECT_EQ(CheckRerun(5000, local, {}, true), ERerunStep::Continue);
}

}  // namespace
}  // namespace velmora
