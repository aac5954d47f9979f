#include "records/record_view.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace qvr {
namespace {

// A function, not a constant: the calendar's own constants are not set up
// before main.
TDateTime Day29() {
    return EncodeDateTime({2024, 5, 29, 0, 0, 0, 0});
}

// Second rows at the given seconds of the day, wind speed from `wind`.
RecordData SecondRows(const std::vector<int>& seconds, const std::vector<float>& wind) {
    RecordData d;
    d.Columns.emplace_back().Name = "風速";
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        d.Time.push_back(Day29() + seconds[i] / 86400.0);
        d.Kind.push_back(RecordRowKind::Second);
        d.Columns[0].Avg.push_back(wind[i]);
    }
    return d;
}

TEST(RecordView, TheLineBreaksWhereRowsAreMissing) {
    // Seconds 0..2, then 4 (one second lost: the recorder's tick slipped,
    // no break), then 8 (three missing: a break).
    const RecordView v(SecondRows({0, 1, 2, 4, 8, 9}, {1, 2, 3, 4, 5, 6}));
    std::vector<LinePoint> line;
    v.Line(0, 0, Day29(), Day29() + 10 / 86400.0, 800, line);
    ASSERT_EQ(line.size(), 7u);
    EXPECT_EQ(line[3].Value, 4);
    EXPECT_TRUE(std::isnan(line[4].Value));
    EXPECT_NEAR((line[4].Time - Day29()) * 86400, 6.0, 1e-6);
    EXPECT_EQ(line[5].Value, 5);

    // Minute rows break only when more than two minutes apart.
    RecordData m = SecondRows({0, 60, 180, 420}, {1, 2, 3, 4});
    for (auto& k : m.Kind)
        k = RecordRowKind::Minute;
    const RecordView mv(std::move(m));
    EXPECT_FALSE(mv.BreakBefore(1));
    EXPECT_FALSE(mv.BreakBefore(2));
    EXPECT_TRUE(mv.BreakBefore(3));
}

// A month-like column at a few hundred pixels: each pixel gives the minimum
// and maximum of exactly its rows, as a plain scan finds them.
TEST(RecordView, ADecimatedLineHoldsEachPixelsExtremes) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(3, 1);
    std::vector<int> seconds;
    std::vector<float> wind;
    for (int i = 0; i < 200000; ++i) {
        if (i >= 50000 && i < 50100) continue; // a gap of 100 s
        seconds.push_back(i);
        wind.push_back(i == 123456 ? 40.0f : i == 1000 ? NAN : noise(random));
    }
    const RecordView v(SecondRows(seconds, wind));
    const int pixels = 300;
    const TDateTime from = Day29() + 10000 / 86400.0, to = Day29() + 190000 / 86400.0;
    std::vector<LinePoint> line;
    v.Line(0, 0, from, to, pixels, line);
    EXPECT_LE(line.size(), 2u * (pixels + 2) + 4);
    const double width = (to - from) / pixels;
    int checked = 0;
    for (int p = 0; p < pixels; p += 37) {
        float lo = INFINITY, hi = -INFINITY;
        for (std::size_t r = 0; r < seconds.size(); ++r) {
            const TDateTime t = Day29() + seconds[r] / 86400.0;
            if (t >= from + p * width && t < from + (p + 1) * width && std::isfinite(wind[r])) {
                lo = std::min(lo, wind[r]);
                hi = std::max(hi, wind[r]);
            }
        }
        const double mid = from + (p + 0.5) * width;
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            if (std::fabs(line[i].Time - mid) < width / 4 &&
                std::fabs(line[i + 1].Time - mid) < width / 4) {
                EXPECT_EQ(std::min(line[i].Value, line[i + 1].Value), lo) << p;
                EXPECT_EQ(std::max(line[i].Value, line[i + 1].Value), hi) << p;
                ++checked;
                break;
            }
    }
    EXPECT_GE(checked, 7);
    const bool spike =
        std::any_of(line.begin(), line.end(), [](const LinePoint& p) { return p.Value == 40.0; });
    EXPECT_TRUE(spike); // one absurd second still shows at a month's zoom
    // The gap of 100 s is narrower than a pixel (600 s): no break there.
    const auto gaps = std::count_if(line.begin(), line.end(),
                                    [](const LinePoint& p) { return std::isnan(p.Value); });
    EXPECT_EQ(gaps, 0);
}

// Rows at an uneven pace (dense, a long stop, then sparse) put the row
// guessed from the times far from the right one: every pixel must still hold
// exactly its own rows' extremes.
TEST(RecordView, EveryPixelHoldsItsOwnRowsAtAnUnevenPace) {
    std::vector<int> seconds;
    std::vector<float> wind;
    for (int i = 0; i < 20000; ++i)
        seconds.push_back(i);
    for (int i = 60000; i < 86400; i += 7)
        seconds.push_back(i);
    for (std::size_t r = 0; r < seconds.size(); ++r)
        wind.push_back(static_cast<float>((r * 7919) % 1000) / 10.0f);
    const RecordView v(SecondRows(seconds, wind));
    const int pixels = 97;
    const TDateTime from = Day29() + 500 / 86400.0, to = Day29() + 86000 / 86400.0;
    std::vector<LinePoint> line;
    v.Line(0, 0, from, to, pixels, line);
    const double width = (to - from) / pixels;
    for (int p = 0; p < pixels; ++p) {
        float lo = INFINITY, hi = -INFINITY;
        for (std::size_t r = 0; r < seconds.size(); ++r) {
            const TDateTime t = Day29() + seconds[r] / 86400.0;
            if (t >= from + p * width && t < from + (p + 1) * width) {
                lo = std::min(lo, wind[r]);
                hi = std::max(hi, wind[r]);
            }
        }
        const double mid = from + (p + 0.5) * width;
        std::vector<float> at;
        for (const LinePoint& q : line)
            if (std::fabs(q.Time - mid) < width / 4 && !std::isnan(q.Value)) at.push_back(q.Value);
        if (std::isinf(lo)) {
            EXPECT_TRUE(at.empty()) << p;
        } else {
            ASSERT_EQ(at.size(), 2u) << p;
            EXPECT_EQ(std::min(at[0], at[1]), lo) << p;
            EXPECT_EQ(std::max(at[0], at[1]), hi) << p;
        }
    }
}

TEST(RecordView, StatisticsOfTheSpanInView) {
    RecordData d = SecondRows({0, 1, 2, 3, 4}, {1, 2, NAN, 4, 8});
    d.Columns[0].Max = {1.5f, 9.0f, NAN, 4.5f, 8.5f};
    d.Columns[0].Min = {0.5f, 1.0f, NAN, 3.5f, 0.25f};
    const RecordView v(std::move(d));
    const ViewStatistics all = v.Statistics(Day29(), Day29() + 4 / 86400.0);
    EXPECT_EQ(all.Rows, 5u);
    EXPECT_EQ(all.Values, 4u);
    EXPECT_DOUBLE_EQ(all.Mean, 15.0 / 4);
    EXPECT_EQ(all.Max, 9.0);  // a minute's own maximum
    EXPECT_EQ(all.Min, 0.25); // and minimum
    const ViewStatistics part = v.Statistics(Day29() + 2.5 / 86400.0, Day29() + 3.5 / 86400.0);
    EXPECT_EQ(part.Rows, 1u);
    EXPECT_EQ(part.Mean, 4.0);
    const ViewStatistics none = v.Statistics(Day29() + 10 / 86400.0, Day29() + 20 / 86400.0);
    EXPECT_EQ(none.Rows, 0u);
    EXPECT_EQ(none.Values, 0u);
    EXPECT_EQ(v.Nearest(Day29() + 2.6 / 86400.0), 3);
    EXPECT_EQ(v.Nearest(Day29() - 1), 0);
}

} // namespace
} // namespace qvr
