#include <gtest/gtest.h>

#include <limits>

#include "db/db_schedule_obj.h"
#include "db/test_database.h"
#include "db/time_views.h"

namespace velmora {
namespace {

using test::LocalTime;

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(TimeViews, DateComparesTheCalendarDayOnly) {
    const CDate morning(LocalTime(2007, 3, 5, 0, 0, 1));
    EXPECT_EQ(morning.Compare(LocalTime(2007, 3, 5, 23, 59, 59)), 0);
    EXPECT_EQ(Sign(morning.Compare(LocalTime(2007, 3, 4, 23, 59, 59))), 1);
    EXPECT_EQ(Sign(morning.Compare(LocalTime(2007, 3, 6))), -1);
    EXPECT_EQ(Sign(morning.Compare(LocalTime(2006, 12, 31))), 1);
    EXPECT_EQ(Sign(morning.Compare(LocalTime(2007, 4, 1))), -1);
}

TEST(TimeViews, TimeOfDayIgnoresTheDate) {
    const CTimeOfDay seven(LocalTime(2007, 3, 5, 7, 5, 0));
    EXPECT_EQ(seven.Compare(LocalTime(1999, 1, 1, 7, 5, 0)), 0);
    EXPECT_EQ(Sign(seven.Compare(LocalTime(2030, 1, 1, 7, 4, 59))), 1);
    EXPECT_EQ(Sign(seven.Compare(LocalTime(2000, 1, 1, 7, 5, 1))), -1);
}

TEST(TimeViews, WeeksCountFromTheDayOfTheMonthDividedBySeven) {
    const CWeek first(LocalTime(2007, 3, 1));
    EXPECT_EQ(first.Compare(LocalTime(2007, 3, 6, 23)), 0);
    EXPECT_EQ(Sign(first.Compare(LocalTime(2007, 3, 7))), -1);
    const CWeek seventh(LocalTime(2007, 3, 7));
    EXPECT_EQ(seventh.Compare(LocalTime(2007, 3, 13)), 0);
    EXPECT_EQ(Sign(seventh.Compare(LocalTime(2007, 3, 14))), -1);
    EXPECT_EQ(Sign(seventh.Compare(LocalTime(2007, 2, 7))), 1);

    // Same week, so the weekday decides: 2007-03-08 is a Thursday, the 9th a Friday.
    const CDayOfWeek thursday(LocalTime(2007, 3, 8));
    EXPECT_EQ(thursday.Compare(LocalTime(2007, 3, 8, 12)), 0);
    EXPECT_EQ(Sign(thursday.Compare(LocalTime(2007, 3, 9))), -1);
    EXPECT_EQ(Sign(thursday.Compare(LocalTime(2007, 3, 1))), 1);
}

TEST(TimeViews, MonthComparesYearAndMonth) {
    const CMonth march(LocalTime(2007, 3, 31, 23));
    EXPECT_EQ(march.Compare(LocalTime(2007, 3, 1)), 0);
    EXPECT_EQ(Sign(march.Compare(LocalTime(2007, 4, 1))), -1);
    EXPECT_EQ(Sign(march.Compare(LocalTime(2006, 4, 1))), 1);
}

TEST(TimeViews, WeekdaySetAndDayList) {
    const CDayOfWeek monday(LocalTime(2007, 3, 5, 10));
    EXPECT_TRUE(monday.IsDayOfWeek(eMonday));
    EXPECT_TRUE(monday.IsDayOfWeek(eSunday | eMonday));
    EXPECT_FALSE(monday.IsDayOfWeek(eEveryDay & ~eMonday));

    const CMonth fifth(LocalTime(2007, 3, 5));
    EXPECT_TRUE(fifth.IsDayOfMonth("1, 5;20"));
    EXPECT_TRUE(fifth.IsDayOfMonth("05"));
    EXPECT_FALSE(fifth.IsDayOfMonth("15,25"));
    EXPECT_FALSE(fifth.IsDayOfMonth(""));
    EXPECT_FALSE(fifth.IsDayOfMonth(",,;"));
}

TEST(TimeViews, ATimeWithoutALocalDate) {
    const int64_t never = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(CDate(never).Compare(never - 1), 0);
    EXPECT_EQ(Sign(CDate(never).Compare(LocalTime(2007, 3, 5))), -1);
    EXPECT_EQ(Sign(CTimeOfDay(never).Compare(LocalTime(2007, 3, 5))), -1);
    EXPECT_TRUE(CDayOfWeek(never).IsDayOfWeek(static_cast<int32_t>(0x80000000u)));
    EXPECT_FALSE(CDayOfWeek(never).IsDayOfWeek(eEveryDay));
    EXPECT_EQ(CDate(never).Format(), "");
}

TEST(TimeViews, FormatIsADiagnosticText) {
    EXPECT_EQ(CWeek(LocalTime(2007, 3, 5, 14, 3, 9)).Format(),
              "Week=1, Year=2007, Month=03, Day=05, Hour=14, Minutes=03, Secs=09 ");
}

}  // namespace
}  // namespace velmora
