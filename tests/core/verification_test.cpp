#include "core/verification.h"

#include "base/text_file.h"
#include "tests/base/temp_dir.h"
#include "tests/core/calibration_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qvr::test {
namespace {

const TDateTime kNow = EncodeDateTime({2026, 12, 11, 10, 0, 0, 0});

// 30 readings around 5 m/s: 5.00 … 5.09, newest stamped `newest`.
TSampleHistory Around5(TDateTime newest = kNow) {
    TSampleHistory h = HistoryOf(kVerWindow, SteadySample(), newest);
    for (int i = 0; i < kVerWindow; ++i)
        h[static_cast<std::size_t>(i)].WindSpeed = 5.0f + 0.01f * static_cast<float>((i * 7) % 10);
    return h;
}

VerPoint Point(double reference, double mean) {
    VerPoint p;
    p.Reference = reference;
    p.Mean = mean;
    return p;
}

std::vector<VerPoint> Points(std::initializer_list<std::pair<double, double>> pairs) {
    std::vector<VerPoint> v;
    for (const auto& [ref, mean] : pairs)
        v.push_back(Point(ref, mean));
    return v;
}

TEST(Verification, ASteadyWindowGivesThePointsStatistics) {
    const VerWindow w = JudgeVerWindow(Around5(), kNow + 1.5 / 86400.0);
    ASSERT_EQ(w.Result, VerWindow::State::Steady);
    EXPECT_EQ(w.Samples, 30);
    // Computed apart from the program, for the same readings.
    EXPECT_NEAR(w.Mean, 5.045, 1e-6);
    EXPECT_NEAR(w.StdDev, 0.02921383706160612, 1e-6);
    EXPECT_NEAR(w.Max, 5.09, 1e-6);
    EXPECT_NEAR(w.Min, 5.0, 1e-6);
}

TEST(Verification, AWindowIsNotSteadyWhenTheSensorSaysNothingNewOrTooLittle) {
    struct Case {
        const char* what;
        TSampleHistory history;
        TDateTime at;
        VerWindow::State expected;
    };
    TSampleHistory gusty = Around5();
    gusty[17].WindSpeed = 5.25f;
    TSampleHistory short20 = HistoryOf(20, SteadySample(5.0f), kNow);
    TSampleHistory unsent = Around5();
    unsent[29].Sent &= ~FieldBit(SampleField::WindSpeed);
    TSampleHistory newestInvalid = Around5();
    newestInvalid[0].Valid = false;
    const Case cases[] = {
        {"span of 0.25 m/s", gusty, kNow, VerWindow::State::Unsteady},
        {"silent for 2.1 s", Around5(), kNow + 2.1 / 86400.0, VerWindow::State::Stale},
        {"a clock gone back", Around5(), kNow - 1.0 / 86400.0, VerWindow::State::Stale},
        {"nothing yet", TSampleHistory{}, kNow, VerWindow::State::Stale},
        {"newest not valid", newestInvalid, kNow, VerWindow::State::Stale},
        {"20 of 30 readings", short20, kNow, VerWindow::State::Filling},
        {"a wind speed never sent", unsent, kNow, VerWindow::State::Filling},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeVerWindow(c.history, c.at).Result, c.expected) << c.what;
}

TEST(Verification, PointsAreTakenOnlyFromFreshSteadyReadingsAndNeverTwiceFromTheSame) {
    std::vector<VerPoint> points;
    const VerWindow steady = JudgeVerWindow(Around5(), kNow);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double bad : {nan, -0.1, 100.5})
        EXPECT_EQ(TakeVerPoint(points, steady, bad, kNow), VerTake::BadReference) << bad;
    EXPECT_EQ(TakeVerPoint(points, JudgeVerWindow(Around5(), kNow + 3 / 86400.0), 5.0, kNow),
              VerTake::NotSteady);
    EXPECT_TRUE(points.empty());

    ASSERT_EQ(TakeVerPoint(points, steady, 5.0, kNow), VerTake::Taken);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].Reference, 5.0);
    EXPECT_EQ(points[0].Samples, 30);
    EXPECT_NEAR(points[0].Mean, 5.045, 1e-6);
    // A second press on the same readings, even with another reference, adds nothing.
    EXPECT_EQ(TakeVerPoint(points, steady, 6.0, kNow), VerTake::SameData);
    // Deleted, the point can be taken again; a newer window is a new point.
    points.clear();
    EXPECT_EQ(TakeVerPoint(points, steady, 5.0, kNow), VerTake::Taken);
    const TDateTime later = kNow + 40 / 86400.0;
    EXPECT_EQ(TakeVerPoint(points, JudgeVerWindow(Around5(later), later), 5.0, later),
              VerTake::Taken);
    EXPECT_EQ(points.size(), 2u);
}

TEST(Verification, FitOfPointsOnALineIsThatLine) {
    std::vector<VerPoint> points;
    for (const double ref : {2.0, 12.0, 4.0, 10.0, 6.0, 8.0}) // order does not matter
        points.push_back(Point(ref, 1.02 * ref - 0.05));
    const VerFit f = FitVerification(points);
    ASSERT_TRUE(f.Defined);
    EXPECT_NEAR(f.Slope, 1.02, 1e-12);
    EXPECT_NEAR(f.Offset, -0.05, 1e-12);
    ASSERT_TRUE(f.RDefined);
    EXPECT_NEAR(f.R, 1.0, 1e-12);
    ASSERT_TRUE(f.StdErrorDefined);
    EXPECT_NEAR(f.StdError, 0.0, 1e-9);
}

TEST(Verification, FitOfScatteredPointsMatchesAnIndependentComputation) {
    const VerFit f =
        FitVerification(Points({{2, 2.1}, {4, 3.9}, {6, 6.2}, {8, 7.8}, {10, 10.3}}));
    ASSERT_TRUE(f.Defined && f.RDefined && f.StdErrorDefined);
    EXPECT_NEAR(f.Slope, 1.015, 1e-12);
    EXPECT_NEAR(f.Offset, -0.03, 1e-12);
    EXPECT_NEAR(f.R, 0.9980281244989648, 1e-12);
    EXPECT_NEAR(f.StdError, 0.23309511649396114, 1e-12);
}

TEST(Verification, AFitThatCannotBeMadeSaysSo) {
    EXPECT_FALSE(FitVerification({}).Defined);
    EXPECT_FALSE(FitVerification(Points({{5, 5.1}})).Defined);
    // Every reference the same: no slope (and no division by zero).
    const VerFit same = FitVerification(Points({{5, 5.1}, {5, 5.2}, {5, 4.9}}));
    EXPECT_FALSE(same.Defined);
    EXPECT_FALSE(std::isnan(same.Slope));
    // Two points: a line, but no scatter to estimate an error from.
    const VerFit two = FitVerification(Points({{2, 2.0}, {8, 8.3}}));
    EXPECT_TRUE(two.Defined);
    EXPECT_NEAR(two.Slope, 1.05, 1e-12);
    EXPECT_FALSE(two.StdErrorDefined);
    // A sensor stuck at one value: a slope of 0, no correlation.
    const VerFit stuck = FitVerification(Points({{2, 3.0}, {8, 3.0}, {12, 3.0}}));
    EXPECT_TRUE(stuck.Defined);
    EXPECT_EQ(stuck.Slope, 0.0);
    EXPECT_FALSE(stuck.RDefined);
}

TEST(Verification, APointPassesUpToTheEdgeOfItsTolerance) {
    const VerTolerance t; // 0.1 m/s + 2 %
    struct Case {
        double ref, mean;
        bool pass;
    };
    const Case cases[] = {
        {10, 10.3, true},  {10, 10.301, false}, {10, 9.7, true}, {10, 9.699, false},
        {0, 0.1, true},    {0, 0.1001, false},  {0, -0.1, true}, {2, 2.14, true},
        {2, 2.1401, false}, {12, 12.34, true},  {12, 11.6599, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerPointPasses(Point(c.ref, c.mean), t), c.pass) << c.ref << " " << c.mean;
    EXPECT_TRUE(VerPointPasses(Point(10, 10.6), VerTolerance{0.2, 0.04}));
    EXPECT_FALSE(VerPointPasses(Point(10, 10.61), VerTolerance{0.2, 0.04}));
}

TEST(Verification, TheRunPassesWithFivePointsAllWithinTolerance) {
    const VerTolerance t;
    auto four = Points({{2, 2.0}, {4, 4.0}, {6, 6.0}, {8, 8.0}});
    EXPECT_EQ(VerVerdictText(JudgeVerification(four, t)), "測定点不足");
    EXPECT_FALSE(JudgeVerification(four, t).Pass);
    auto five = four;
    five.push_back(Point(10, 10.2));
    EXPECT_TRUE(JudgeVerification(five, t).Pass);
    EXPECT_EQ(VerVerdictText(JudgeVerification(five, t)), "合格");
    five.push_back(Point(12, 12.5));
    const VerVerdict v = JudgeVerification(five, t);
    EXPECT_FALSE(v.Pass);
    EXPECT_EQ(v.Failing, 1);
    EXPECT_EQ(VerVerdictText(v), "不合格");
}

TEST(Verification, TheLogHoldsThePointsTheFitAndTheVerdictInTheStageLogsForm) {
    TempDir dir;
    const std::string path = dir.File("A12_VER.csv");
    std::vector<VerPoint> points = Points({{0, 0.05}, {4, 4.12}, {8, 8.31}});
    const int minutes[] = {1, 5, 9};
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i].Time = EncodeDateTime({2026, 12, 11, 10, minutes[i], 30, 0});
        points[i].StdDev = 0.0126;
        points[i].Max = points[i].Mean + 0.05;
        points[i].Min = points[i].Mean - 0.04;
        points[i].Samples = 30;
    }
    WriteVerLog(path, points, VerTolerance{}, EncodeDateTime({2026, 12, 11, 10, 12, 0, 0}));
    const std::string expected =
        "検証,2026/12/11 10:12:00,\r\n"
        "許容差,0.100,m/s.,2.00,%,\r\n"
        "No.,時刻,基準風速,平均,標準偏差,最大,最小,サンプル数,偏差,偏差率,判定,\r\n"
        ",,m/s.,m/s.,m/s.,m/s.,m/s.,,m/s.,%,,\r\n"
        "1,2026/12/11 10:01:30,0.000,0.050,0.013,0.100,0.010,30,0.050,,合格,\r\n"
        "2,2026/12/11 10:05:30,4.000,4.120,0.013,4.170,4.080,30,0.120,3.00,合格,\r\n"
        "3,2026/12/11 10:09:30,8.000,8.310,0.013,8.360,8.270,30,0.310,3.88,不合格,\r\n"
        "傾き,1.0325,\r\n"
        "オフセット,0.030,m/s.,\r\n"
        "相関係数,0.999965,\r\n"
        "標準誤差,0.049,m/s.,\r\n"
        "判定,不合格,\r\n";
    EXPECT_EQ(ReadFileBytes(path), Utf8ToCp932(expected));
}

TEST(Verification, ALogThatCannotBeWrittenNamesItsFile) {
    TempDir dir;
    const std::string path = dir.File("no-such-folder/A12_VER.csv");
    try {
        WriteVerLog(path, Points({{2, 2.0}}), VerTolerance{}, kNow);
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find("A12_VER.csv"), std::string::npos) << e.what();
    }
}

TEST(Verification, TheToleranceIsKeptBesideTheOtherSettings) {
    TempDir dir;
    const std::string path = dir.File("BaseSetpoint.ini");
    // No file, and values a hand edit may leave: the defaults.
    EXPECT_EQ(LoadVerTolerance(path).A, 0.1);
    EXPECT_EQ(LoadVerTolerance(path).B, 0.02);
    WriteTextLines(path, {"[UI]", "Language=ja", "[Verify]", "A=abc", "B=-3", "[Early]", "X=1"});
    EXPECT_EQ(LoadVerTolerance(path).A, 0.1);
    EXPECT_EQ(LoadVerTolerance(path).B, 0.02);

    SaveVerTolerance(path, VerTolerance{0.25, 0.035});
    const VerTolerance t = LoadVerTolerance(path);
    EXPECT_DOUBLE_EQ(t.A, 0.25);
    EXPECT_DOUBLE_EQ(t.B, 0.035);
    EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{"[UI]", "Language=ja", "[Verify]",
                                                             "A=0.25", "B=3.5", "[Early]", "X=1"}));
}

} // namespace
} // namespace qvr::test
