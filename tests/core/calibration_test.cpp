#include "core/calibration.h"

#include "core/calibration_view.h"
#include "tests/core/calibration_history.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

constexpr float kAdjWS = 5.0f;

void Tick(Calibration& cal, const TSampleHistory& history, int times = 1,
          const TSampleRec& current = SteadySample(), float adjWS = kAdjWS) {
    TickFresh(cal, history, times, current, adjWS);
}

struct Verdicts {
    bool ws, at1, at2, wdt1, wdt2, tempDiff;
    bool operator==(const Verdicts&) const = default;
};

Verdicts VerdictsOf(const Calibration& cal) {
    return {cal.StableWs,   cal.StableAt1,  cal.StableAt2,
            cal.StableWdt1, cal.StableWdt2, cal.StableTempDiff};
}

std::ostream& operator<<(std::ostream& os, const Verdicts& v) {
    return os << v.ws << v.at1 << v.at2 << v.wdt1 << v.wdt2 << v.tempDiff;
}

constexpr Verdicts kAllSteady{true, true, true, true, true, true};
constexpr Verdicts kNoVerdict{false, false, false, false, false, false};

TEST(CalibrationStatistics, VerdictsNeedThirtyValidEntries) {
    struct Case {
        const char* name;
        int entries;
        int gapAt; // an entry left invalid, or -1
        Verdicts expected;
    };
    const Case cases[] = {{"29 entries", 29, -1, kNoVerdict},
                          {"40 entries with a gap at 12", 40, 12, kNoVerdict},
                          {"gap at 0 only", 40, 0, kNoVerdict},
                          {"30 entries", 30, -1, kAllSteady}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSampleHistory h = HistoryOf(c.entries, SteadySample());
        if (c.gapAt >= 0) h[static_cast<std::size_t>(c.gapAt)].Valid = false;
        Calibration cal;
        Tick(cal, h, 20);
        EXPECT_EQ(VerdictsOf(cal), c.expected);
        const CalControls controls = DecideCalControls(cal, true);
        EXPECT_EQ(controls.ATRcvFinEnabled, c.expected.at1);
        EXPECT_EQ(controls.WSTRcvFinEnabled, c.expected.wdt1);
        EXPECT_EQ(controls.ZeroCalFinEnabled, c.expected.tempDiff);
        EXPECT_FALSE(controls.SpanCalFinEnabled); // still air
        const EvaluationGrid grid = BuildEvaluationGrid(cal);
        for (int row = 1; row <= 9; ++row)
            EXPECT_EQ(grid.RowStable[static_cast<std::size_t>(row)], c.expected.ws) << row;
    }
}

TEST(CalibrationStatistics, EachVerdictJudgesItsOwnChannelAgainstItsOwnLimit) {
    // One entry in the long window off by `under` keeps every verdict; off by
    // `over` it breaks exactly one.
    struct Case {
        const char* name;
        float TSampleRec::*field;
        float under, over;
        bool Verdicts::*broken;
    };
    const Case cases[] = {
        {"wind speed", &TSampleRec::WindSpeed, 0.19f, 0.21f, &Verdicts::ws},
        {"AT-1", &TSampleRec::AirTemp1, 0.49f, 0.51f, &Verdicts::at1},
        {"AT-2", &TSampleRec::AirTemp2, -0.49f, -0.51f, &Verdicts::at2},
        {"WDT-1", &TSampleRec::WdsTemp1, 0.79f, 0.81f, &Verdicts::wdt1},
        {"WDT-2", &TSampleRec::WdsTemp2, -0.79f, -0.81f, &Verdicts::wdt2},
        {"temperature difference", &TSampleRec::TempDiff, -0.99f, -1.01f, &Verdicts::tempDiff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool over : {false, true}) {
            TSampleHistory h = HistoryOf(30, SteadySample());
            h[7].*c.field += over ? c.over : c.under;
            Calibration cal;
            Tick(cal, h, 5); // the short window fills with the same results
            Verdicts expected = kAllSteady;
            if (over) expected.*c.broken = false;
            EXPECT_EQ(VerdictsOf(cal), expected) << (over ? "over" : "under");
        }
    }
}

TEST(CalibrationStatistics, ACandidateMovingWithinTheShortWindowIsNotSteady) {
    // Every entry shifts at once: the long spans stay small, but the candidate
    // of this tick differs from those of the four before it.
    struct Case {
        const char* name;
        float TSampleRec::*field;
        float shift;
        Verdicts expected;
    };
    const Case cases[] = {
        {"AT-1 by 0.008: AtCorr moves 0.004", &TSampleRec::AirTemp1, 0.008f, kAllSteady},
        {"AT-1 by 0.012: AtCorr moves 0.006",
         &TSampleRec::AirTemp1,
         0.012f,
         {true, false, false, true, true, true}},
        {"AT-2 moves AtCorr[0] too",
         &TSampleRec::AirTemp2,
         0.012f,
         {true, false, false, true, true, true}},
        {"WDT-2 by 0.012", &TSampleRec::WdsTemp2, 0.012f, {true, true, true, false, false, true}},
        {"temperature difference by 0.11", &TSampleRec::TempDiff, 0.11f, kAllSteady},
        {"temperature difference by 0.13",
         &TSampleRec::TempDiff,
         0.13f,
         {true, true, true, true, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Calibration cal;
        Tick(cal, HistoryOf(30, SteadySample()), 5);
        ASSERT_EQ(VerdictsOf(cal), kAllSteady);
        TSampleRec shifted = SteadySample();
        shifted.*c.field += c.shift;
        Tick(cal, HistoryOf(30, shifted), 1, shifted);
        EXPECT_EQ(VerdictsOf(cal), c.expected);
        // Four more ticks later the window holds only the new value again.
        Tick(cal, HistoryOf(30, shifted), 4, shifted);
        EXPECT_EQ(VerdictsOf(cal), kAllSteady);
    }
}

TEST(CalibrationStatistics, CandidatesBringEachPairToItsMean) {
    Calibration cal;
    Tick(cal, HistoryOf(30, SteadySample()));
    EXPECT_NEAR(cal.AtCorr[0], -0.25, 1e-5);
    EXPECT_NEAR(cal.AtCorr[1], 0.25, 1e-5);
    EXPECT_NEAR(cal.WdtCorr[0], -0.4, 1e-5);
    EXPECT_NEAR(cal.WdtCorr[1], 0.4, 1e-5);
    EXPECT_EQ(cal.ZeroTempDiff, 46.0f);
    EXPECT_EQ(cal.ResultRing[0][0], 46.0);
    EXPECT_EQ(cal.ResultRing[0][1], double(cal.AtCorr[0]));
    EXPECT_EQ(cal.ResultRing[0][4], double(cal.WdtCorr[1]));

    // Without a valid entry nothing is judged: the candidates and the ring
    // keep what they had.
    const auto ring = cal.ResultRing;
    Tick(cal, TSampleHistory{});
    EXPECT_EQ(VerdictsOf(cal), kNoVerdict);
    EXPECT_NEAR(cal.AtCorr[0], -0.25, 1e-5);
    EXPECT_EQ(cal.ZeroTempDiff, 46.0f);
    EXPECT_EQ(cal.ResultRing, ring);
}

TEST(CalibrationStatistics, WindBetweenPointThreeAndPointFiveUpdatesBothCandidates) {
    struct Case {
        float wind;
        bool zero, span;
    };
    for (const Case& c :
         {Case{0.0f, true, false}, Case{0.29f, true, false}, Case{0.31f, true, true},
          Case{0.49f, true, true}, Case{0.51f, false, true}, Case{5.0f, false, true}}) {
        SCOPED_TRACE(c.wind);
        Calibration cal;
        cal.ZeroTempDiff = cal.SpanTempDiff = -1.0f;
        TSampleRec s = SteadySample(c.wind);
        s.TempDiff = 31.5f;
        Tick(cal, HistoryOf(30, s), 1, s);
        EXPECT_EQ(cal.ZeroTempDiff, c.zero ? 31.5f : -1.0f);
        EXPECT_EQ(cal.SpanTempDiff, c.span ? 31.5f : -1.0f);
    }
}

TEST(CalibrationStatistics, LongExtremesIncludeTheCurrentSample) {
    TSampleRec current = SteadySample(0.35f);
    current.TempDiff = 44.9f;
    Calibration cal;
    Tick(cal, HistoryOf(30, SteadySample(0.1f)), 5, current);
    EXPECT_EQ(cal.LongMax[0], double(0.35f));
    EXPECT_EQ(cal.LongMin[0], double(0.1f));
    EXPECT_EQ(cal.LongMin[5], double(44.9f));
    EXPECT_NEAR(cal.LongAvg[0], 0.1, 1e-6); // the average is the history's alone
    EXPECT_FALSE(cal.StableWs);             // widened by the current sample on its own
    EXPECT_FALSE(cal.StableTempDiff);

    // A current sample that is not valid holds no data of this run.
    current.Valid = false;
    Tick(cal, HistoryOf(30, SteadySample(0.1f)), 5, current);
    EXPECT_EQ(cal.LongMax[0], double(0.1f));
    EXPECT_EQ(cal.LongMin[5], 46.0);
    EXPECT_TRUE(cal.StableWs);
}

TEST(CalibrationStatistics, ReadingsTheSensorDidNotSendJudgeNothing) {
    // Fast mode polls only the first key set: the temperatures and their
    // difference never arrive and stay at zero, which looks perfectly steady.
    TSampleRec fast = SteadySample();
    fast.Sent = PolledFields(true, false);
    fast.AirTemp1 = fast.AirTemp2 = fast.WdsTemp1 = fast.WdsTemp2 = fast.TempDiff = 0;
    struct Case {
        const char* name;
        int first, last; // the entries polled in fast mode; the others in full
    };
    for (const Case c : {Case{"fast mode throughout", 0, 30}, Case{"the newest entry fast", 0, 1},
                         Case{"the oldest entry fast", 29, 30}}) {
        SCOPED_TRACE(c.name);
        TSampleHistory h = HistoryOf(30, SteadySample());
        for (int i = c.first; i < c.last; ++i) {
            const TDateTime t = h[static_cast<std::size_t>(i)].Time;
            h[static_cast<std::size_t>(i)] = fast;
            h[static_cast<std::size_t>(i)].Time = t;
        }
        Calibration cal;
        Tick(cal, h, 6, fast);
        EXPECT_EQ(VerdictsOf(cal), (Verdicts{true, false, false, false, false, false}));
        EXPECT_FALSE(cal.AtKnown() || cal.WdtKnown() || cal.TempDiffKnown());
        EXPECT_EQ(cal.AtCorr, (std::array<float, 2>{}));
        const CalControls controls = DecideCalControls(cal, true);
        EXPECT_FALSE(controls.ATRcvFinEnabled || controls.WSTRcvFinEnabled ||
                     controls.ZeroCalFinEnabled || controls.SpanCalFinEnabled);
        const CalibrationPanels panels = BuildCalibrationPanels(cal, TWritePrm{});
        for (const CandidatePanel* p :
             {&panels.ATRev, &panels.WTRev, &panels.WS0Cal, &panels.WS4Cal}) {
            EXPECT_EQ(p->Text, "未受信");
            EXPECT_FALSE(p->Green);
        }
        EXPECT_NE(CalibrationNote(cal, true).find("高速モード"), std::string::npos);
    }
}

TEST(CalibrationStatistics, AHistoryThatStoppedMovingIsNotJudged) {
    const TSampleHistory steady = HistoryOf(30, SteadySample());
    TSampleRec shifted = SteadySample();
    shifted.AirTemp1 += 0.012f; // moves AtCorr by 0.006: the short window fails
    Calibration cal;
    Tick(cal, steady, 5);
    ASSERT_EQ(VerdictsOf(cal), kAllSteady);
    Tick(cal, HistoryOf(30, shifted), 1, shifted);
    ASSERT_FALSE(cal.StableAt1);

    // The same entries ticked again within 2 s: nothing new, nothing moves.
    TSampleHistory frozen = HistoryOf(30, shifted, cal.LastJudged);
    const auto ring = cal.ResultRing;
    for (int t = 1; t <= 6; ++t) {
        cal.UpdateStatistics(shifted, frozen, kAdjWS, cal.LastJudged + t * 0.3 / 86400.0);
        EXPECT_FALSE(cal.StableAt1) << t;
        EXPECT_EQ(cal.ResultRing, ring) << t;
    }
    // Readings that keep coming settle it again: the frozen ticks kept nothing.
    Tick(cal, HistoryOf(30, shifted), 4, shifted);
    EXPECT_EQ(VerdictsOf(cal), kAllSteady);

    // Older than 2 s: every stage is off, and the band moves no step.
    cal.CalStep = 6;
    TSampleHistory inBand = HistoryOf(30, SteadySample(5.0f), cal.LastJudged + 1 / 86400.0);
    cal.UpdateStatistics(SteadySample(5.0f), inBand, kAdjWS, inBand[0].Time + 2.5 / 86400.0);
    EXPECT_EQ(VerdictsOf(cal), kNoVerdict);
    EXPECT_FALSE(cal.Fresh);
    EXPECT_EQ(cal.CalStep, 6);
    const CalControls off = DecideCalControls(cal, true);
    EXPECT_FALSE(off.ATRcvFinEnabled || off.WSTRcvFinEnabled || off.ZeroCalFinEnabled ||
                 off.SpanCalFinEnabled);
    EXPECT_NE(CalibrationNote(cal, false).find("2秒"), std::string::npos);
    // At 2 s it is still news.
    cal.UpdateStatistics(SteadySample(5.0f), inBand, kAdjWS, inBand[0].Time + 2.0 / 86400.0);
    EXPECT_TRUE(cal.Fresh);
    EXPECT_EQ(cal.CalStep, 7);
}

TEST(CalibrationSpanCheck, OnlyAnExactZeroMovesStepFourToFive) {
    struct Case {
        const char* name;
        float wind;
        int step;
        int firstValid; // entries before it are not valid
        int expected;
    };
    const Case cases[] = {{"0.0001", 0.0001f, 4, 0, 4},
                          {"exact 0", 0.0f, 4, 0, 5},
                          {"exact 0 at step 3", 0.0f, 3, 0, 3},
                          {"exact 0 at step 5", 0.0f, 5, 0, 5},
                          {"no valid entry among the newest five", 1.0f, 4, 5, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSampleHistory h = HistoryOf(30, SteadySample(c.wind));
        for (int i = 0; i < c.firstValid; ++i)
            h[static_cast<std::size_t>(i)].Valid = false;
        Calibration cal;
        cal.CalStep = c.step;
        cal.UpdateSpanCheck(h, kAdjWS);
        EXPECT_EQ(cal.CalStep, c.expected);
    }
    // One reading off zero among five keeps the average off zero.
    TSampleHistory h = HistoryOf(30, SteadySample(0.0f));
    h[3].WindSpeed = 0.001f;
    Calibration cal;
    cal.CalStep = 4;
    cal.UpdateSpanCheck(h, kAdjWS);
    EXPECT_EQ(cal.CalStep, 4);
    EXPECT_NEAR(cal.WsAvg5, 0.0002, 1e-9);
}

TEST(CalibrationSpanCheck, BandAndGaugesAroundTheReferenceSpeed) {
    struct Case {
        float wsAvg;
        bool inBand;
        double gauge;
    };
    const Case cases[] = {{5.0f, true, 1.0},      {4.9874f, false, 0.748}, {4.9876f, true, 0.752},
                          {5.0124f, true, 0.752}, {5.0126f, false, 0.748}, {5.025f, false, 0.5},
                          {4.975f, false, 0.5},   {5.05f, false, 0.0},     {0.0f, false, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wsAvg);
        Calibration cal;
        cal.CalStep = 6;
        cal.UpdateSpanCheck(HistoryOf(15, SteadySample(c.wsAvg)), kAdjWS);
        EXPECT_EQ(cal.WsAvg15, c.wsAvg);
        EXPECT_EQ(cal.SpanReached, c.inBand);
        EXPECT_EQ(cal.CalStep, c.inBand ? 7 : 6);
        EXPECT_NEAR(cal.Gauge15, c.gauge, 1e-4);
        EXPECT_NEAR(cal.Gauge5, c.gauge, 1e-4);
    }
    // The two averages cover their own windows.
    TSampleHistory h = HistoryOf(15, SteadySample(5.0f));
    for (int i = 0; i < 5; ++i)
        h[static_cast<std::size_t>(i)].WindSpeed = 5.025f;
    Calibration cal;
    cal.UpdateSpanCheck(h, kAdjWS);
    EXPECT_NEAR(cal.WsAvg5, 5.025, 1e-6);
    EXPECT_NEAR(cal.WsAvg15, 5.025 / 3 + 5.0 * 2 / 3, 1e-6);
    EXPECT_NEAR(cal.Gauge5, 0.5, 1e-4);
    EXPECT_EQ(DecideCalControls(cal, false).Gauge5Percent, 49); // 0.49999...: truncated
}

TEST(CalibrationSpanCheck, StepTogglesBetweenSixAndSevenWithTheBand) {
    const TSampleHistory inBand = HistoryOf(15, SteadySample(5.01f));
    const TSampleHistory outside = HistoryOf(15, SteadySample(5.02f));
    Calibration cal;
    cal.CalStep = 6;
    struct Step {
        const TSampleHistory* history;
        int step;
        const char* finish;
    };
    for (const Step& s : {Step{&inBand, 7, "キャリブレーション完了"},
                          Step{&outside, 6, "キャリブレーション中: Step-6"},
                          Step{&inBand, 7, "キャリブレーション完了"}}) {
        cal.UpdateSpanCheck(*s.history, kAdjWS);
        EXPECT_EQ(cal.CalStep, s.step);
        const CalControls controls = DecideCalControls(cal, false);
        EXPECT_EQ(controls.Complete, s.step == 7);
        EXPECT_EQ(controls.FinishText, s.finish);
    }
    // Other steps leave the band alone.
    cal.CalStep = 5;
    cal.UpdateSpanCheck(inBand, kAdjWS);
    EXPECT_TRUE(cal.SpanReached);
    EXPECT_EQ(cal.CalStep, 5);
}

TEST(CalibrationSpanCheck, NoReferenceSpeedGivesEmptyGaugesAndNoBand) {
    for (const float adjWS : {0.0f, -5.0f}) {
        for (const float wind : {0.0f, 5.0f}) {
            SCOPED_TRACE(testing::Message() << adjWS << " " << wind);
            Calibration cal;
            cal.CalStep = 6;
            cal.UpdateSpanCheck(HistoryOf(15, SteadySample(wind)), adjWS);
            EXPECT_EQ(cal.Gauge5, 0.0f);
            EXPECT_EQ(cal.Gauge15, 0.0f);
            EXPECT_FALSE(cal.SpanReached);
            EXPECT_EQ(cal.CalStep, 6);
            EXPECT_EQ(DecideCalControls(cal, false).Gauge15Percent, 0);
        }
    }
}

} // namespace
} // namespace qvr::test
