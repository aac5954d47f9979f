#include "base/clock.h"
#include "base/date_time.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

TEST(DateTime, CountsDaysFromTheEndOf1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2024, 5, 29, 12, 0, 0, 0}), 45441.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -0.75);
}

TEST(DateTime, DecodesWhatItEncodesToTheMillisecond) {
    const DateTimeParts cases[] = {
        {2024, 5, 29, 9, 5, 7, 0},   {2024, 2, 29, 23, 59, 59, 999}, {2000, 12, 31, 0, 0, 0, 1},
        {2026, 12, 10, 12, 0, 7, 0}, {1999, 1, 1, 13, 14, 15, 500},
    };
    for (const auto& p : cases) {
        const DateTimeParts d = DecodeDateTime(EncodeDateTime(p));
        EXPECT_EQ(d.year, p.year);
        EXPECT_EQ(d.month, p.month);
        EXPECT_EQ(d.day, p.day);
        EXPECT_EQ(d.hour, p.hour);
        EXPECT_EQ(d.minute, p.minute);
        EXPECT_EQ(d.second, p.second);
        EXPECT_EQ(d.millisecond, p.millisecond);
    }
}

TEST(DateTime, FormatsThePatternsOfTheFiles) {
    const TDateTime t = EncodeDateTime({2024, 5, 29, 9, 5, 7, 640});
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", t), "2024/05/29 09:05:07");
    EXPECT_EQ(FormatDateTime("yyyymmdd", t), "20240529");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn.ss", t), "2024/05/29 09:05.07");
    EXPECT_EQ(FormatDateTime("RT_yyyymmdd.RCD", t), "RT_20240529.RCD");
    EXPECT_EQ(FormatDateTime("hh:nn", EncodeDateTime({2024, 1, 1, 23, 59, 59, 999})), "23:59");
}

TEST(DateTime, SecondOfDayTruncates) {
    EXPECT_EQ(SecondOfDay(EncodeDateTime({2024, 1, 1, 12, 1, 6, 999})), 12 * 3600 + 66);
    EXPECT_EQ(SecondOfDay(EncodeDateTime({2024, 1, 1, 0, 0, 0, 0})), 0);
}

TEST(Clock, ManualClockStandsWhereItIsPutAndSystemClockIsToday) {
    ManualClock clock;
    clock.Set(DateTimeParts{2024, 1, 1, 23, 59, 59, 0});
    clock.AdvanceSeconds(7);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", clock.Now()), "2024/01/02 00:00:06");
    const TDateTime now = SystemClock::Instance().Now();
    EXPECT_GT(now, EncodeDateTime({2020, 1, 1, 0, 0, 0, 0}));
    EXPECT_LT(now, EncodeDateTime({2200, 1, 1, 0, 0, 0, 0}));
}

} // namespace
} // namespace qvr
