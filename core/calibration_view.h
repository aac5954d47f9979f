#pragma once

#include "core/calibration.h"
#include "core/write_prm.h"

#include <array>
#include <cstdint>
#include <string>

namespace qvr {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kCalGreen{160, 255, 160};
inline constexpr Rgb kCalYellow{255, 255, 128};
inline constexpr Rgb kCalGrey{192, 192, 192};

// The evaluation grid: 11 rows of 5 cells, and for rows 1 to 10 whether the
// row's verdict holds (green) or not (yellow). Row 0 is the header.
struct EvaluationGrid {
    static constexpr int kRows = 11;
    static constexpr int kColumns = 5;
    std::array<std::array<std::string, kColumns>, kRows> Cells;
    std::array<bool, kRows> RowStable{};
};

EvaluationGrid BuildEvaluationGrid(const Calibration& cal);

// A panel's text, green when its stage's conditions hold, else yellow.
struct CandidatePanel {
    std::string Text;
    bool Green = false;
};

// The candidate panels and the panels of the values in use.
struct CalibrationPanels {
    CandidatePanel ATRev, WTRev, WS0Cal, WS4Cal;
    std::string ATRevSet, WTRevSet, WS0CalSet, WS4CalSet;
    std::string Note; // as last shown: see CalibrationNote
};

// A candidate whose readings the sensor has not sent shows "未受信", never a number.
CalibrationPanels BuildCalibrationPanels(const Calibration& cal, const TWritePrm& prm);

// Why stages cannot be confirmed at the moment, for the operator: a history
// that stopped moving, or readings the sensor does not send (fast mode polls
// no temperatures). Empty when nothing is in the way.
std::string CalibrationNote(const Calibration& cal, bool fastMode);

// Which step buttons are available and how the step shows.
struct CalControls {
    bool ATRcvFinEnabled = false;
    bool ATRevSetGrey = false;
    bool WSTRcvFinEnabled = false;
    bool WTRevSetGrey = false;
    bool ZeroCalFinEnabled = false;
    bool WS0CalSetGrey = false;
    bool SpanCalFinEnabled = false;
    bool WS4CalSetGrey = false;
    bool Complete = false; // PFinish green and "作業完了" enabled
    std::string FinishText;
    std::string WsAvg5Text;
    std::string WsAvg15Text;
    int Gauge5Percent = 0;
    int Gauge15Percent = 0;
};

// zeroSimplified: the "0m 判断簡略化" box, which waives the short temperature
// difference span for the 0 m/s stage.
CalControls DecideCalControls(const Calibration& cal, bool zeroSimplified);

// The bar colour of a gauge at a progress of 0 to 100.
Rgb GaugeColour(int percent);

} // namespace qvr
