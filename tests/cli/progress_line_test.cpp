// The progress line's text for states of a job.

#include "cli/progress_line.h"

#include <gtest/gtest.h>

namespace parcelo::cli {
namespace {

using std::chrono::milliseconds;

constexpr int64_t kMiB = 1024 * 1024;

TEST(ProgressLineTest, SpeedAndTimeLeftComeFromTheMillisecondsElapsed) {
    // 1 GiB in 1.5 s, half of 2 GiB: whole seconds would have said
    // 1024.0 MiB/s.
    const std::string line = ProgressLine::Format(1024 * kMiB, 2048 * kMiB, milliseconds(1500), "big.bin", 200);
    EXPECT_NE(line.find(" 50%  big.bin  682.7 MiB/s  2 s left"), std::string::npos) << line;

    EXPECT_NE(ProgressLine::Format(kMiB, 601 * kMiB, milliseconds(1000), "f", 200).find("1.0 MiB/s  10:00 left"),
              std::string::npos);
    EXPECT_NE(ProgressLine::Format(kMiB, 7201 * kMiB, milliseconds(1000), "f", 200).find("2:00:00 left"),
              std::string::npos);
}

TEST(ProgressLineTest, NoRateBeforeThereIsAnythingToMeasure) {
    for (const auto& [bytes, elapsed] : {std::pair{int64_t{5000}, milliseconds(100)}, {int64_t{0}, milliseconds(9000)}}) {
        const std::string line = ProgressLine::Format(bytes, 10000, elapsed, "f", 200);
        EXPECT_EQ(line.find("/s"), std::string::npos) << line;
        EXPECT_EQ(line.find("left"), std::string::npos) << line;
    }
    // Never wider than asked, and the percentage never past 100.
    EXPECT_EQ(ProgressLine::Format(200, 100, milliseconds(1000), std::string(300, 'x'), 80).size(), 80u);
    EXPECT_NE(ProgressLine::Format(200, 100, milliseconds(1000), "f", 200).find("100%"), std::string::npos);
}

// A download whose size nobody told yet is not done: what came and how fast,
// never a full bar.
TEST(ProgressLineTest, AnUnknownTotalShowsBytesAndSpeed) {
    const std::string line = ProgressLine::Format(5 * kMiB, 0, milliseconds(2000), "big.bin", 200);
    EXPECT_EQ(line.find('%'), std::string::npos) << line;
    EXPECT_EQ(line.find("left"), std::string::npos) << line;
    EXPECT_NE(line.find("5.0 MiB  big.bin  2.5 MiB/s"), std::string::npos) << line;
}

}  // namespace
}  // namespace parcelo::cli
