#include "core/calibration_view.h"

#include "base/number_text.h"
#include "core/calibration_texts.h"

#include <cmath>

namespace qvr {

namespace {

std::string F3(double value) {
    return FormatFloat("%1.3f", value);
}

std::string Pair(double a, double b) {
    return F3(a) + " / " + F3(b);
}

int Percent(float gauge) {
    return static_cast<int>(std::fabs(std::trunc(static_cast<double>(gauge) * 100.0)));
}

constexpr const char* kNotReceived = calibration_text::kNotReceived;

bool ZeroConditions(const Calibration& cal) {
    return cal.StableTempDiff && cal.StableWs && cal.LongMax[0] < 0.5;
}

} // namespace

EvaluationGrid BuildEvaluationGrid(const Calibration& cal) {
    EvaluationGrid grid;
    grid.Cells[0] = {calibration_text::kItem, "Max", "Avg.", "Min", "p-p"};

    struct LongRow {
        const char* label;
        int channel;
        bool stable;
    };
    const LongRow longRows[] = {{calibration_text::kWindSpeed, 0, cal.StableWs},
                                {calibration_text::kAirTemp1, 1, cal.StableAt1},
                                {calibration_text::kAirTemp2, 2, cal.StableAt2},
                                {calibration_text::kElementTemp1, 3, cal.StableWdt1},
                                {calibration_text::kElementTemp2, 4, cal.StableWdt2},
                                {calibration_text::kTempDiffLong, 5, cal.StableTempDiff}};
    int row = 1;
    for (const LongRow& r : longRows) {
        const int c = r.channel;
        grid.Cells[row] = {r.label, F3(cal.LongMax[c]), F3(cal.LongAvg[c]), F3(cal.LongMin[c]),
                           F3(cal.LongSpan(c))};
        grid.RowStable[row++] = r.stable;
    }

    struct ShortRow {
        const char* label;
        int value;
        bool stable;
    };
    const ShortRow shortRows[] = {{calibration_text::kTempDiffShort, 0, cal.StableTempDiff},
                                  {calibration_text::kAirTempShort, 1, cal.StableAt1},
                                  {calibration_text::kWsShort, 3, cal.StableWdt1}};
    for (const ShortRow& r : shortRows) {
        const int v = r.value;
        grid.Cells[row] = {r.label, F3(cal.ShortMax[v]), F3(cal.ShortAvg[v]), F3(cal.ShortMin[v]),
                           F3(cal.ShortSpan(v))};
        grid.RowStable[row++] = r.stable;
    }

    grid.Cells[row] = {calibration_text::kWindSpeedShort, " ", F3(cal.WsAvg5), " ", " "};
    grid.RowStable[row] = cal.SpanReached;
    return grid;
}

CalibrationPanels BuildCalibrationPanels(const Calibration& cal, const TWritePrm& prm) {
    CalibrationPanels p;
    const auto known = [](bool sent, std::string text) {
        return sent ? text : std::string(kNotReceived);
    };
    p.ATRev = {known(cal.AtKnown(), Pair(cal.AtCorr[0], cal.AtCorr[1])),
               cal.StableAt1 && cal.StableAt2};
    p.ATRevSet = "Set: " + Pair(prm.ATRevice0, prm.ATRevice1);
    p.WTRev = {known(cal.WdtKnown(), Pair(cal.WdtCorr[0], cal.WdtCorr[1])),
               cal.StableWdt1 && cal.StableWdt2};
    p.WTRevSet = "Set: " + Pair(prm.WDTRevice0, prm.WDTRevice1);
    p.WS0Cal = {known(cal.TempDiffKnown(), F3(cal.ZeroTempDiff)), ZeroConditions(cal)};
    p.WS0CalSet = "Set: " + F3(prm.DifT0m);
    p.WS4Cal = {known(cal.TempDiffKnown(), F3(cal.SpanTempDiff)),
                cal.StableTempDiff && cal.StableWs && cal.LongMax[0] > 0.5};
    p.WS4CalSet = "Set: " + F3(prm.AdjDifT);
    return p;
}

std::string CalibrationNote(const Calibration& cal, bool fastMode) {
    if (!cal.Fresh) return calibration_text::kStale;
    if (cal.AtKnown() && cal.WdtKnown() && cal.TempDiffKnown()) return {};
    if (fastMode) return calibration_text::kFastMode;
    return calibration_text::kUnreceived;
}

CalControls DecideCalControls(const Calibration& cal, bool zeroSimplified) {
    CalControls c;
    c.ATRevSetGrey = cal.CalStep >= 2;
    c.ATRcvFinEnabled = !c.ATRevSetGrey && cal.StableAt1 && cal.StableAt2;
    c.WTRevSetGrey = cal.CalStep >= 3;
    c.WSTRcvFinEnabled = !c.WTRevSetGrey && cal.StableWdt1 && cal.StableWdt2;
    c.WS0CalSetGrey = cal.CalStep >= 5;
    c.ZeroCalFinEnabled =
        !c.WS0CalSetGrey && ZeroConditions(cal) && (zeroSimplified || cal.ShortSpan(0) < 0.005);
    // The reference-speed stage is never blocked by the step. Its candidate
    // must come from this tick's window: a gust in the current sample alone
    // lifts LongMax while the candidate is still an old one (0 before any wind).
    c.SpanCalFinEnabled = cal.StableTempDiff && cal.LongMax[0] > 0.5 && cal.LongAvg[0] > 0.3 &&
                          cal.ShortSpan(0) < 0.015;
    c.WS4CalSetGrey = cal.CalStep >= 7;
    c.Complete = cal.CalStep == 7;
    c.FinishText = c.Complete ? calibration_text::kComplete
                              : calibration_text::kInProgress + std::to_string(cal.CalStep);
    c.WsAvg5Text = F3(cal.WsAvg5);
    c.WsAvg15Text = F3(cal.WsAvg15);
    c.Gauge5Percent = Percent(cal.Gauge5);
    c.Gauge15Percent = Percent(cal.Gauge15);
    return c;
}

Rgb GaugeColour(int percent) {
    if (percent > 85) return {0, 255, 0};
    if (percent > 70) return {255, 255, 0};
    if (percent > 50) return {255, 221, 140};
    return {255, 0, 0};
}

} // namespace qvr
