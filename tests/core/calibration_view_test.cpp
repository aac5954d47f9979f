#include "core/calibration_view.h"

#include "tests/core/calibration_history.h"

#include <gtest/gtest.h>

namespace qvr::test {
namespace {

// Every verdict holds, in still air, with a steady short window.
Calibration SteadyState(int step, double windMax = 0.1) {
    Calibration cal;
    cal.StableWs = cal.StableAt1 = cal.StableAt2 = cal.StableWdt1 = cal.StableWdt2 =
        cal.StableTempDiff = true;
    cal.Known.fill(true); // a tick on readings of every channel
    cal.Fresh = true;
    cal.LongMax[0] = windMax;
    cal.LongAvg[0] = windMax - 0.05;
    cal.ShortMax[0] = 46.001;
    cal.ShortMin[0] = 46.0;
    cal.CalStep = step;
    return cal;
}

TEST(CalibrationView, GridShowsEveryStatisticWithThreeDecimals) {
    Calibration cal;
    cal.LongMax = {0.1236, 20.5, 19.9, 66.6, 65.8, 46.2};
    cal.LongAvg = {0.1, 20.3, 19.8, 66.5, 65.7, 46.0};
    cal.LongMin = {0.0, 20.1, 19.7, 66.4, 65.6, 45.5};
    cal.ShortMax = {46.01, -0.24, 0.26, -0.39, 0.41};
    cal.ShortAvg = {46.0, -0.25, 0.25, -0.4, 0.4};
    cal.ShortMin = {45.99, -0.2616, 0.24, -0.41, 0.39};
    cal.WsAvg5 = 4.9996f;
    const EvaluationGrid grid = BuildEvaluationGrid(cal);
    using Row = std::array<std::string, 5>;
    const Row expected[] = {
        {"項目", "Max", "Avg.", "Min", "p-p"},
        {"風速", "0.124", "0.100", "0.000", "0.124"},
        {"気温１", "20.500", "20.300", "20.100", "0.400"},
        {"気温２", "19.900", "19.800", "19.700", "0.200"},
        {"風速温度１", "66.600", "66.500", "66.400", "0.200"},
        {"風速温度２", "65.800", "65.700", "65.600", "0.200"},
        {"温度差L", "46.200", "46.000", "45.500", "0.700"},
        {"温度差S", "46.010", "46.000", "45.990", "0.020"},
        {"気温補正S", "-0.240", "-0.250", "-0.262", "0.022"},
        {"WS補正S", "-0.390", "-0.400", "-0.410", "0.020"},
        {"風速S", " ", "5.000", " ", " "},
    };
    for (int row = 0; row < EvaluationGrid::kRows; ++row)
        EXPECT_EQ(grid.Cells[static_cast<std::size_t>(row)], expected[row]) << "row " << row;
}

TEST(CalibrationView, EachVerdictColoursItsRows) {
    struct Case {
        bool Calibration::*flag;
        std::vector<int> rows;
    };
    const Case cases[] = {{&Calibration::StableWs, {1}},    {&Calibration::StableAt1, {2, 8}},
                          {&Calibration::StableAt2, {3}},   {&Calibration::StableWdt1, {4, 9}},
                          {&Calibration::StableWdt2, {5}},  {&Calibration::StableTempDiff, {6, 7}},
                          {&Calibration::SpanReached, {10}}};
    for (const Case& c : cases) {
        Calibration cal;
        cal.*c.flag = true;
        const EvaluationGrid grid = BuildEvaluationGrid(cal);
        std::vector<int> green;
        for (int row = 0; row < EvaluationGrid::kRows; ++row)
            if (grid.RowStable[static_cast<std::size_t>(row)]) green.push_back(row);
        EXPECT_EQ(green, c.rows);
    }
}

TEST(CalibrationView, PanelsShowCandidatesAndTheValuesInUse) {
    Calibration cal = SteadyState(1);
    cal.StableAt2 = false;
    cal.AtCorr = {-0.25f, 0.2504f};
    cal.WdtCorr = {-0.4f, 0.4f};
    cal.ZeroTempDiff = 46.0123f;
    cal.SpanTempDiff = 20.5f;
    TWritePrm prm;
    ResetPrm(prm);
    prm.ATRevice1 = 0.1f;
    prm.WDTRevice0 = -1.0f;
    const CalibrationPanels p = BuildCalibrationPanels(cal, prm);
    EXPECT_EQ(p.ATRev.Text, "-0.250 / 0.250");
    EXPECT_FALSE(p.ATRev.Green); // both air channels must be steady
    EXPECT_EQ(p.ATRevSet, "Set: 0.000 / 0.100");
    EXPECT_EQ(p.WTRev.Text, "-0.400 / 0.400");
    EXPECT_TRUE(p.WTRev.Green);
    EXPECT_EQ(p.WTRevSet, "Set: -1.000 / 0.000");
    EXPECT_EQ(p.WS0Cal.Text, "46.012");
    EXPECT_TRUE(p.WS0Cal.Green);
    EXPECT_EQ(p.WS0CalSet, "Set: 50.000");
    EXPECT_EQ(p.WS4Cal.Text, "20.500");
    EXPECT_FALSE(p.WS4Cal.Green); // still air
    EXPECT_EQ(p.WS4CalSet, "Set: 20.000");

    cal.LongMax[0] = 5.1;
    const CalibrationPanels windy = BuildCalibrationPanels(cal, prm);
    EXPECT_FALSE(windy.WS0Cal.Green);
    EXPECT_TRUE(windy.WS4Cal.Green);
}

TEST(CalibrationView, StepButtonsFollowTheStep) {
    for (int step = 0; step <= 7; ++step) {
        SCOPED_TRACE(step);
        const CalControls still = DecideCalControls(SteadyState(step), false);
        EXPECT_EQ(still.ATRcvFinEnabled, step < 2);
        EXPECT_EQ(still.ATRevSetGrey, step >= 2);
        EXPECT_EQ(still.WSTRcvFinEnabled, step < 3);
        EXPECT_EQ(still.WTRevSetGrey, step >= 3);
        EXPECT_EQ(still.ZeroCalFinEnabled, step < 5);
        EXPECT_EQ(still.WS0CalSetGrey, step >= 5);
        EXPECT_FALSE(still.SpanCalFinEnabled);
        EXPECT_EQ(still.WS4CalSetGrey, step >= 7);
        EXPECT_EQ(still.Complete, step == 7);

        // At the reference speed the last stage is open whatever the step.
        const CalControls windy = DecideCalControls(SteadyState(step, 5.0), false);
        EXPECT_TRUE(windy.SpanCalFinEnabled);
        EXPECT_FALSE(windy.ZeroCalFinEnabled);
    }
    EXPECT_EQ(DecideCalControls(SteadyState(4), false).FinishText, "キャリブレーション中: Step-4");
}

TEST(CalibrationView, AGustInTheCurrentSampleAloneDoesNotOpenTheReferenceStage) {
    // The tunnel has just started: the newest reading is windy, the 30 history
    // entries are still air, and no reference candidate was ever computed.
    Calibration cal;
    const TSampleHistory still = HistoryOf(30, SteadySample());
    TickFresh(cal, still, 5, SteadySample(), 5.0f);
    TickFresh(cal, still, 1, SteadySample(4.2f), 5.0f);
    ASSERT_TRUE(cal.StableTempDiff);
    ASSERT_GT(cal.LongMax[0], 0.5);
    EXPECT_EQ(cal.SpanTempDiff, 0.0f);
    EXPECT_FALSE(DecideCalControls(cal, false).SpanCalFinEnabled);

    // Once the window itself is windy the stage opens with a fresh candidate.
    TSampleRec windy = SteadySample(5.0f);
    windy.TempDiff = 17.5f;
    TickFresh(cal, HistoryOf(30, windy), 5, windy, 5.0f);
    EXPECT_TRUE(DecideCalControls(cal, false).SpanCalFinEnabled);
    EXPECT_EQ(cal.SpanTempDiff, 17.5f);
}

TEST(CalibrationView, ShortTemperatureDifferenceSpanGatesTheSpeedStages) {
    struct Case {
        double span;
        bool simplified;
        bool zero;
        bool reference;
    };
    for (const Case& c : {Case{0.004, false, true, true}, Case{0.006, false, false, true},
                          Case{0.006, true, true, true}, Case{0.014, false, false, true},
                          Case{0.016, false, false, false}, Case{0.016, true, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.span << " " << c.simplified);
        Calibration still = SteadyState(1);
        still.ShortMax[0] = still.ShortMin[0] + c.span;
        EXPECT_EQ(DecideCalControls(still, c.simplified).ZeroCalFinEnabled, c.zero);
        Calibration windy = SteadyState(1, 5.0);
        windy.StableWs = false; // gusty: the reference stage does not ask for a steady speed
        windy.ShortMax[0] = windy.ShortMin[0] + c.span;
        EXPECT_EQ(DecideCalControls(windy, c.simplified).SpanCalFinEnabled, c.reference);
    }
}

TEST(CalibrationView, GaugeColoursByProgress) {
    const Rgb green{0, 255, 0}, yellow{255, 255, 0}, orange{255, 221, 140}, red{255, 0, 0};
    const std::pair<int, Rgb> cases[] = {{100, green}, {86, green},  {85, yellow}, {71, yellow},
                                         {70, orange}, {51, orange}, {50, red},    {0, red}};
    for (const auto& [percent, colour] : cases)
        EXPECT_EQ(GaugeColour(percent), colour) << percent;
}

} // namespace
} // namespace qvr::test
