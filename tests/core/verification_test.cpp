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

// 30 readings around 5 m/s: 5.00 … 5.09, newest stamped `newest`, of run 1.
TSampleHistory Around5(TDateTime newest = kNow) {
    TSampleHistory h = HistoryOf(kVerWindow, SteadySample(), newest);
    for (int i = 0; i < kVerWindow; ++i) {
        h[static_cast<std::size_t>(i)].WindSpeed = 5.0f + 0.01f * static_cast<float>((i * 7) % 10);
        h[static_cast<std::size_t>(i)].Run = 1;
    }
    return h;
}

// Collecting run 1 of a sensor whose serial number was typed long ago.
VerCollection Run1() {
    VerCollection c;
    c.Collecting = true;
    c.Run = 1;
    return c;
}

VerWindow Judge(const TSampleHistory& h, TDateTime at = kNow) {
    return JudgeVerWindow(h, Run1(), at);
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

std::vector<VerPoint> AtReferences(std::initializer_list<double> references) {
    std::vector<VerPoint> v;
    for (const double ref : references)
        v.push_back(Point(ref, ref + 0.01));
    return v;
}

TEST(Verification, ASteadyWindowGivesThePointsStatistics) {
    const VerWindow w = Judge(Around5(), kNow + 1.5 / 86400.0);
    ASSERT_EQ(w.Result, VerWindow::State::Steady);
    EXPECT_EQ(w.Samples, 30);
    // Computed apart from the program, for the same readings.
    EXPECT_NEAR(w.Mean, 5.045, 1e-6);
    EXPECT_NEAR(w.StdDev, 0.02921383706160612, 1e-6);
    EXPECT_NEAR(w.Max, 5.09, 1e-6);
    EXPECT_NEAR(w.Min, 5.0, 1e-6);
    EXPECT_EQ(w.Oldest, kNow - 29 / 86400.0);
}

TEST(Verification, AWindowIsSteadyOnlyOnThirtyFreshReadingsInARowOfThisCollection) {
    struct Case {
        const char* what;
        TSampleHistory history;
        VerCollection collection;
        TDateTime at;
        VerWindow::State expected;
        int samples; // readings in a row counted
    };
    TSampleHistory gusty = Around5();
    gusty[17].WindSpeed = 5.25f;
    TSampleHistory short20 = HistoryOf(20, SteadySample(5.0f), kNow);
    for (TSampleRec& e : short20)
        e.Run = 1;
    TSampleHistory unsent = Around5();
    unsent[29].Sent &= ~FieldBit(SampleField::WindSpeed);
    TSampleHistory newestInvalid = Around5();
    newestInvalid[0].Valid = false;
    // Sensor A's readings before a stop, sensor B's 3 since the start.
    TSampleHistory stopped = Around5();
    for (std::size_t i = 3; i < 30; ++i)
        stopped[i].Run = 0;
    // 2.5 s without a reading between entries 11 and 12.
    TSampleHistory gap = Around5();
    for (std::size_t i = 12; i < 30; ++i)
        gap[i].Time -= 1.5 / 86400.0;
    TSampleHistory late = Around5(); // a timer a little late is no gap
    for (std::size_t i = 12; i < 30; ++i)
        late[i].Time -= 0.9 / 86400.0;
    VerCollection newSerial = Run1();
    newSerial.Since = kNow - 7.5 / 86400.0;
    VerCollection afterPoint = Run1();
    afterPoint.After = kNow - 20 / 86400.0;
    VerCollection stoppedNow = Run1();
    stoppedNow.Collecting = false;
    VerCollection fast = Run1();
    fast.StepSeconds = 0.25;
    const Case cases[] = {
        {"span of 0.25 m/s", gusty, Run1(), kNow, VerWindow::State::Unsteady, 30},
        {"silent for 2.1 s", Around5(), Run1(), kNow + 2.1 / 86400.0, VerWindow::State::Stale, 0},
        {"a clock gone back", Around5(), Run1(), kNow - 1.0 / 86400.0, VerWindow::State::Stale, 0},
        {"nothing yet", TSampleHistory{}, Run1(), kNow, VerWindow::State::Stale, 0},
        {"newest not valid", newestInvalid, Run1(), kNow, VerWindow::State::Stale, 0},
        {"collection stopped", Around5(), stoppedNow, kNow, VerWindow::State::Stale, 0},
        {"20 of 30 readings", short20, Run1(), kNow, VerWindow::State::Filling, 20},
        {"a wind speed never sent", unsent, Run1(), kNow, VerWindow::State::Filling, 29},
        {"a stop and a start", stopped, Run1(), kNow, VerWindow::State::Filling, 3},
        {"another serial number", Around5(), newSerial, kNow, VerWindow::State::Filling, 8},
        {"a gap inside", gap, Run1(), kNow, VerWindow::State::Filling, 12},
        {"a late timer", late, Run1(), kNow, VerWindow::State::Steady, 30},
        {"a second apart in fast mode", Around5(), fast, kNow, VerWindow::State::Filling, 1},
        {"19 since the last point", Around5(), afterPoint, kNow, VerWindow::State::Filling, 20},
    };
    for (const Case& c : cases) {
        const VerWindow w = JudgeVerWindow(c.history, c.collection, c.at);
        EXPECT_EQ(w.Result, c.expected) << c.what;
        EXPECT_EQ(w.Samples, c.samples) << c.what;
    }
}

TEST(Verification, TheCollectionStartsAfreshWhenTheSerialNumberChanges) {
    VerCollection c;
    TSampleRec current = SteadySample(5.0f);
    current.Run = 4;
    c.Observe(current, "A12", false, kNow);
    const TDateTime first = c.Since;
    c.Observe(current, "A12", true, kNow + 1 / 86400.0);
    EXPECT_EQ(c.Since, first);
    EXPECT_EQ(c.Run, 4u);
    EXPECT_TRUE(c.Collecting);
    EXPECT_EQ(c.StepSeconds, 0.25);
    c.Observe(current, "B7", false, kNow + 2 / 86400.0);
    EXPECT_EQ(c.Since, kNow + 2 / 86400.0);
    current.Valid = false;
    c.Observe(current, "B7", false, kNow + 3 / 86400.0);
    EXPECT_FALSE(c.Collecting);
}

TEST(Verification, PointsAreTakenOnlyFromFreshSteadyReadingsAndNeverShareOne) {
    std::vector<VerPoint> points;
    const VerWindow steady = Judge(Around5());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double bad : {nan, -0.1, 100.5})
        EXPECT_EQ(TakeVerPoint(points, steady, bad, kNow), VerTake::BadReference) << bad;
    EXPECT_EQ(TakeVerPoint(points, Judge(Around5(), kNow + 3 / 86400.0), 5.0, kNow),
              VerTake::NotSteady);
    EXPECT_TRUE(points.empty());

    ASSERT_EQ(TakeVerPoint(points, steady, 5.0, kNow), VerTake::Taken);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].Reference, 5.0);
    EXPECT_EQ(points[0].Samples, 30);
    EXPECT_NEAR(points[0].Mean, 5.045, 1e-6);
    // A second press on the same readings, even with another reference, adds
    // nothing; nor does a window one reading newer.
    EXPECT_EQ(TakeVerPoint(points, steady, 6.0, kNow), VerTake::SameData);
    const TDateTime next = kNow + 1 / 86400.0;
    EXPECT_EQ(TakeVerPoint(points, Judge(Around5(next), next), 5.0, next), VerTake::SameData);
    // Deleted, the point can be taken again; a window wholly newer is a new point.
    points.clear();
    EXPECT_EQ(TakeVerPoint(points, steady, 5.0, kNow), VerTake::Taken);
    const TDateTime later = kNow + 30 / 86400.0;
    EXPECT_EQ(TakeVerPoint(points, Judge(Around5(later), later), 5.0, later), VerTake::Taken);
    EXPECT_EQ(points.size(), 2u);

    // A reference of exactly 0 m/s is a point like any other; it has no percentage.
    std::vector<VerPoint> still;
    EXPECT_EQ(TakeVerPoint(still, steady, 0.0, kNow), VerTake::Taken);
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(still[0].Reference, 0.0);
    EXPECT_FALSE(VerPercentDefined(still[0]));
}

TEST(Verification, FitOfPointsOnALineIsThatLine) {
    std::vector<VerPoint> points;
    for (const double ref : {2.0, 12.0, 4.0, 10.0, 6.0, 8.0}) // order does not matter
        points.push_back(Point(ref, 1.02 * ref - 0.05));
    const VerFit f = FitVerification(points);
    ASSERT_TRUE(f.Defined);
    EXPECT_NEAR(f.Slope, 1.02, 1e-12);
    EXPECT_NEAR(f.Offset, -0.05, 1e-12);
    EXPECT_NEAR(f.R, 1.0, 1e-12);
    ASSERT_TRUE(f.StdErrorDefined);
    EXPECT_NEAR(f.StdError, 0.0, 1e-9);
}

TEST(Verification, FitOfScatteredPointsMatchesAnIndependentComputation) {
    const VerFit f = FitVerification(Points({{2, 2.1}, {4, 3.9}, {6, 6.2}, {8, 7.8}, {10, 10.3}}));
    ASSERT_TRUE(f.Defined && f.StdErrorDefined);
    EXPECT_NEAR(f.Slope, 1.015, 1e-12);
    EXPECT_NEAR(f.Offset, -0.03, 1e-12);
    EXPECT_NEAR(f.R, 0.9980281244989648, 1e-12);
    EXPECT_NEAR(f.StdError, 0.23309511649396114, 1e-12);
    // s / sqrt(Sxx) and s * sqrt(1/n + mean(x)^2 / Sxx), Sxx = 40, mean(x) = 6
    EXPECT_NEAR(f.SlopeError, 0.23309511649396114 / std::sqrt(40.0), 1e-12);
    EXPECT_NEAR(f.OffsetError, 0.23309511649396114 * std::sqrt(0.2 + 36.0 / 40.0), 1e-12);
}

TEST(Verification, AFitThatCannotBeMadeSaysWhy) {
    EXPECT_EQ(FitVerification({}).Gap, VerFitGap::TooFewPoints);
    EXPECT_EQ(FitVerification(Points({{5, 5.1}})).Gap, VerFitGap::TooFewPoints);
    // References whose spread the display cannot show give no line, however
    // the floats fall; a spread it shows does.
    struct Case {
        double spread;
        bool defined;
    };
    for (const Case c :
         {Case{0, false}, Case{1e-30, false}, Case{0.009, false}, Case{0.011, true}}) {
        for (const double base : {0.1, 3.3, 7.77}) {
            const VerFit refs = FitVerification(Points(
                {{base, 5.1}, {base + c.spread, 5.2}, {base, 4.9}, {base, 5.0}, {base, 5.3}}));
            EXPECT_EQ(refs.Defined, c.defined) << base << " + " << c.spread;
            EXPECT_EQ(refs.Gap, c.defined ? VerFitGap::None : VerFitGap::SameReference);
            EXPECT_FALSE(std::isnan(refs.Slope));
            // The same for the sensor's means, over references that do spread.
            const VerFit means =
                FitVerification(Points({{2, base}, {4, base + c.spread}, {6, base}, {8, base}}));
            EXPECT_EQ(means.Defined, c.defined) << base << " + " << c.spread;
            EXPECT_EQ(means.Gap, c.defined ? VerFitGap::None : VerFitGap::SameReading);
        }
    }
    // Two points: a line, but no scatter to estimate an error from.
    const VerFit two = FitVerification(Points({{2, 2.0}, {8, 8.3}}));
    EXPECT_TRUE(two.Defined);
    EXPECT_NEAR(two.Slope, 1.05, 1e-12);
    EXPECT_FALSE(two.StdErrorDefined);
    EXPECT_EQ(VerFitGapText(VerFitGap::SameReference),
              "基準風速の幅が0.01 m/s未満のため傾きを算出できません");
}

TEST(Verification, APointPassesUpToTheEdgeOfItsTolerance) {
    const VerTolerance t; // 0.1 m/s + 2 %
    struct Case {
        double ref, mean;
        bool pass;
    };
    const Case cases[] = {
        {10, 10.3, true},   {10, 10.301, false}, {10, 9.7, true},      {10, 9.699, false},
        {0, 0.1, true},     {0, 0.1001, false},  {0, -0.1, true},      {2, 2.14, true},
        {2, 2.1401, false}, {12, 12.34, true},   {12, 11.6599, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerPointPasses(Point(c.ref, c.mean), t), c.pass) << c.ref << " " << c.mean;
    EXPECT_TRUE(VerPointPasses(Point(10, 10.6), VerTolerance{0.2, 0.04}));
    EXPECT_FALSE(VerPointPasses(Point(10, 10.61), VerTolerance{0.2, 0.04}));
}

TEST(Verification, APassNeedsFivePointsAtFiveDistinctSpeeds) {
    const VerTolerance t;
    struct Case {
        const char* what;
        std::vector<VerPoint> points;
        const char* verdict;
        int speeds;
    };
    const Case cases[] = {
        {"four points", AtReferences({2, 4, 6, 8}), "測定点不足", 4},
        {"five at one speed", AtReferences({3.456, 3.456, 3.456, 3.456, 3.456}), "風速範囲不足", 1},
        {"five at four speeds", AtReferences({2, 4, 6, 8, 8}), "風速範囲不足", 4},
        {"speeds 0.4 apart", AtReferences({2, 2.4, 2.8, 3.2, 3.6}), "風速範囲不足", 3},
        {"five speeds 0.5 apart", AtReferences({2, 2.5, 3, 3.5, 4}), "合格", 5},
        {"five speeds", AtReferences({2, 4, 6, 8, 10}), "合格", 5},
        {"up and down", AtReferences({2, 4, 6, 8, 10, 8, 6, 4, 2}), "合格", 5},
        {"one failing", Points({{2, 2}, {4, 4}, {6, 6}, {8, 8}, {10, 10}, {12, 12.5}}), "不合格",
         6},
    };
    for (const Case& c : cases) {
        const VerVerdict v = JudgeVerification(c.points, t);
        EXPECT_EQ(VerVerdictText(v), c.verdict) << c.what;
        EXPECT_EQ(v.Speeds, c.speeds) << c.what;
        EXPECT_EQ(v.Pass, std::string(c.verdict) == "合格") << c.what;
    }
    // Rules of another lab's procedure.
    const VerRange three{3, 3, 1.0};
    EXPECT_TRUE(JudgeVerification(AtReferences({2, 3, 4}), t, three).Pass);
    EXPECT_FALSE(JudgeVerification(AtReferences({2, 2.9, 4}), t, three).Pass);
}

TEST(Verification, APointsUncertaintyIsItsBudgetCombinedAsInTheGum) {
    // Worked by hand: the reference's certificate states 0.05 m/s (k = 2), so
    // u(ref) = 0.025; 30 readings with s = 0.0292138 m/s give
    // u(rep) = 0.0292138 / sqrt(30) = 0.0053337; the display's 0.001 m/s gives
    // u(res) = 0.001 / sqrt(12) = 0.0002887;
    // u = sqrt(0.025^2 + 0.0053337^2 + 0.0002887^2) = 0.0255643, U = 2u = 0.0511285.
    VerPoint p = Point(5.0, 5.045);
    p.StdDev = 0.02921383706160612;
    p.Samples = 30;
    const VerUncertainty u = VerPointUncertainty(p, {0.05, false});
    EXPECT_NEAR(u.Reference, 0.025, 1e-12);
    EXPECT_NEAR(u.Repeatability, 0.0053337, 1e-7);
    EXPECT_NEAR(u.Resolution, 0.0002887, 1e-7);
    EXPECT_NEAR(u.Combined, 0.0255643, 1e-7);
    EXPECT_NEAR(u.Expanded, 0.0511285, 1e-7);
    EXPECT_NEAR(u.SensorExpanded(), 2 * std::hypot(0.0053337, 0.0002887), 1e-6);
    // 1 % of reading at 5 m/s is the same 0.05 m/s; at 0 m/s it is nothing.
    EXPECT_NEAR(VerPointUncertainty(p, {1.0, true}).Expanded, 0.0511285, 1e-7);
    p.Reference = 0;
    EXPECT_NEAR(VerPointUncertainty(p, {1.0, true}).Reference, 0.0, 1e-15);
}

TEST(Verification, AnUnchangedReferenceUnderAMovedSensorIsALikelySlip) {
    const VerTolerance t; // at 5 m/s: 0.2 m/s
    const auto last5 = Points({{2, 2.01}, {5, 5.02}});
    struct Case {
        double reference, mean;
        bool slip;
    };
    for (const Case c : {Case{5, 2.036, true}, Case{5.0004, 2.036, true}, Case{2, 2.036, false},
                         Case{5, 5.21, false}, Case{5, 5.23, true}}) {
        EXPECT_EQ(VerLikelySlip(last5, c.reference, c.mean, t), c.slip)
            << c.reference << " " << c.mean;
    }
    EXPECT_FALSE(VerLikelySlip({}, 5, 2.036, t));
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
    // Expected values worked apart: Sxx = 32, s = 0.049, so the slope's error
    // is s / sqrt(32) and the offset's s * sqrt(1/3 + 16/32); each point's U is
    // 2 * sqrt(0.025^2 + (0.0126 / sqrt(30))^2 + 0.001^2 / 12) = 0.0502.
    VerSettings settings;
    settings.RefUnc = {0.05, false};
    WriteVerLog(path, points, settings, EncodeDateTime({2026, 12, 11, 10, 12, 0, 0}));
    const std::string expected =
        "検証,2026/12/11 10:12:00,\r\n"
        "許容差,0.100,m/s.,2.00,%,\r\n"
        "合格条件,5,点以上,5,種類以上の基準風速,0.50,m/s.以上の間隔,\r\n"
        "基準器の拡張不確かさ(k=2),0.050,m/s.,\r\n"
        "No.,時刻,基準風速,平均,標準偏差,最大,最小,サンプル数,偏差,偏差率,拡張不確かさ(k=2),判定,"
        "\r\n"
        ",,m/s.,m/s.,m/s.,m/s.,m/s.,,m/s.,%,m/s.,,\r\n"
        "1,2026/12/11 10:01:30,0.000,0.050,0.013,0.100,0.010,30,0.050,,0.050,合格,\r\n"
        "2,2026/12/11 10:05:30,4.000,4.120,0.013,4.170,4.080,30,0.120,3.00,0.050,合格,\r\n"
        "3,2026/12/11 10:09:30,8.000,8.310,0.013,8.360,8.270,30,0.310,3.88,0.050,不合格,\r\n"
        "傾き,1.0325,,標準誤差,0.0087,\r\n"
        "オフセット,0.030,m/s.,標準誤差,0.045,m/s.,\r\n"
        "相関係数,0.999965,\r\n"
        "標準誤差,0.049,m/s.,\r\n"
        "判定,不合格,\r\n";
    EXPECT_EQ(Cp932ToUtf8(ReadFileBytes(path)), expected);

    // Equal references: the log says why there is no line.
    WriteVerLog(path, Points({{5, 5.1}, {5, 5.2}, {5, 5.0}}), settings, kNow);
    const auto lines = ReadTextLines(path);
    EXPECT_EQ(lines[9], "傾き,,基準風速の幅が0.01 m/s未満のため傾きを算出できません,");
}

TEST(Verification, ALogThatCannotBeWrittenNamesItsFile) {
    TempDir dir;
    const std::string path = dir.File("no-such-folder/A12_VER.csv");
    try {
        WriteVerLog(path, Points({{2, 2.0}}), VerSettings{}, kNow);
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

    // The rest of the section: the range rule, the reference's uncertainty and
    // the texts of the certificate, Japanese kept in CP932.
    VerSettings s = LoadVerSettings(path);
    EXPECT_EQ(s.Range.MinPoints, 5);
    EXPECT_EQ(s.Range.MinSpeeds, 5);
    EXPECT_EQ(s.Range.SpeedStep, 0.5);
    s.Range = {6, 4, 1.0};
    s.RefUnc = {1.5, true};
    s.Lab.LabName = "風洞校正室";
    s.Lab.LabAddress = "Line 1\nLine 2 ";
    SaveVerSettings(path, s);
    const VerSettings back = LoadVerSettings(path);
    EXPECT_EQ(back.Range.MinPoints, 6);
    EXPECT_EQ(back.Range.MinSpeeds, 4);
    EXPECT_EQ(back.Range.SpeedStep, 1.0);
    EXPECT_TRUE(back.RefUnc.Percent);
    EXPECT_EQ(back.RefUnc.Value, 1.5);
    EXPECT_EQ(back.Lab.LabName, "風洞校正室");
    EXPECT_EQ(back.Lab.LabAddress, "Line 1 Line 2");
    EXPECT_NE(ReadFileBytes(path).find(Utf8ToCp932("LabName=風洞校正室")), std::string::npos);
    WriteTextLines(path,
                   {"[Verify]", "MinPoints=0", "MinSpeeds=2.5", "RefUnc=50", "RefUncUnit=m/s"});
    const VerSettings bad = LoadVerSettings(path);
    EXPECT_EQ(bad.Range.MinPoints, 5);
    EXPECT_EQ(bad.Range.MinSpeeds, 5);
    EXPECT_EQ(bad.RefUnc.Value, 0.0);
}

} // namespace
} // namespace qvr::test
