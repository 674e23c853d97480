#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/clock.h"
#include "support/local_time.h"

namespace velmora::platform {
namespace {

// Runs the test in a zone with daylight saving (central Europe, written as a
// rule so that no time zone database is needed) and restores the zone after.
class LocalZoneTest : public ::testing::Test {
protected:
    velmora::test::ScopedTimeZone m_zone{"CET-1CEST,M3.5.0,M10.5.0/3"};

    static std::tm Parts(int year, int month, int day, int hour, int minute) {
        std::tm parts{};
        parts.tm_year = year - 1900;
        parts.tm_mon = month - 1;
        parts.tm_mday = day;
        parts.tm_hour = hour;
        parts.tm_min = minute;
        return parts;
    }
};

TEST_F(LocalZoneTest, LocalPartsGiveBackTheirTimeAllYearRound) {
    // 2025 in steps that meet every hour of the day and both changes.
    const int64_t start = 1735686000;  // 2025-01-01 00:00 local
    for (int64_t t = start; t < start + 366 * 86400; t += 37 * 60) {
        std::tm local{};
        ASSERT_TRUE(ToLocal(t, local));
        int64_t back = 0;
        ASSERT_TRUE(FromLocal(local, back));
        std::tm again{};
        ASSERT_TRUE(ToLocal(back, again));
        // The hour repeated in October names two times; either is right.
        const bool repeatedHour = local.tm_mon == 9 && local.tm_hour == 2;
        EXPECT_TRUE(back == t || (repeatedHour && (back == t - 3600 || back == t + 3600))) << t;
        EXPECT_EQ(again.tm_hour, local.tm_hour) << t;
        EXPECT_EQ(again.tm_min, local.tm_min) << t;
    }
}

TEST_F(LocalZoneTest, DaylightSavingOffsetsAndTheSkippedHour) {
    int64_t winter = 0;
    int64_t summer = 0;
    ASSERT_TRUE(FromLocal(Parts(2025, 1, 15, 12, 0), winter));
    ASSERT_TRUE(FromLocal(Parts(2025, 7, 15, 12, 0), summer));
    EXPECT_EQ(winter, 1736938800);  // 11:00 UTC
    EXPECT_EQ(summer, 1752573600);  // 10:00 UTC
    // 02:30 on 30 March 2025 does not exist: it becomes 03:30 summer time.
    int64_t skipped = 0;
    ASSERT_TRUE(FromLocal(Parts(2025, 3, 30, 2, 30), skipped));
    std::tm local{};
    ASSERT_TRUE(ToLocal(skipped, local));
    EXPECT_EQ(local.tm_hour, 3);
    EXPECT_EQ(local.tm_min, 30);
    // Out-of-range parts are carried over, as the platform's calendar does.
    int64_t carried = 0;
    ASSERT_TRUE(FromLocal(Parts(2025, 1, 32, 12, 0), carried));
    EXPECT_EQ(carried, winter + 17 * 86400);
}

}  // namespace
}  // namespace velmora::platform
