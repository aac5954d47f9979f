#pragma once

#include "core/shared_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvr {

// A verification run: the sensor's wind speed taken at several reference
// speeds, a straight line of sensor against reference fitted through them and
// each point judged against a tolerance. It measures only: nothing here
// writes to the sensor.

// The readings of one collection run, as the tab follows it once a second:
// readings of another run (a stop, a reconnect, a hang-up, a silence) or
// taken before the serial number last changed are not of it.
struct VerCollection {
    bool Collecting = false; // the current sample is a valid reading
    std::uint32_t Run = 0;   // its collection run
    TDateTime Since = 0;     // readings at or before this are of another sensor
    std::string SerialNo;
    double StepSeconds = 1.0; // between history entries: 1 s, 0.25 s in fast mode
    TDateTime After = 0;      // the newest reading a point already holds

    // One tick: the current sample and the serial number as now typed.
    void Observe(const TSampleRec& current, const std::string& serialNo, bool fastMode,
                 TDateTime now);
};

// The 30 newest usable history entries as one would-be measuring point.
struct VerWindow {
    enum class State {
        Steady,   // 30 fresh readings in a row, span of the wind speed < 0.2 m/s
        Unsteady, // the wind speed moves more than that
        Filling,  // fewer than 30 readings in a row of this collection since the last point
        Stale,    // the newest entry is older than 2 s: the sensor is silent or the poll stopped
    };
    State Result = State::Stale;
    TDateTime Newest = 0; // time of the newest entry the window holds
    TDateTime Oldest = 0; // and of its oldest
    double Mean = 0;
    double StdDev = 0; // sample standard deviation (n - 1)
    double Max = 0;
    double Min = 0;
    double AirTemp = 0; // mean air temperature, when the sensor sent it in every reading
    bool AirTempSent = false;
    int Samples = 0; // readings in a row; fewer than 30 while filling

    bool Steady() const { return Result == State::Steady; }
};

inline constexpr int kVerWindow = 30;
inline constexpr double kVerSpanLimit = 0.2; // m/s, the calibration's rule for the wind speed
inline constexpr double kVerStaleSeconds = 2.0;

// Judges the newest entries at `now` with the calibration's steadiness rule
// for the wind speed. Only readings in a row count: valid, with a wind speed
// the sensor sent, of the current collection, newer than the last point, and
// no two neighbours more than two history steps apart; the first one that is
// not ends the row.
VerWindow JudgeVerWindow(const TSampleHistory& history, const VerCollection& collection,
                         TDateTime now);

struct VerPoint {
    TDateTime Time = 0;   // when the point was taken
    double Reference = 0; // m/s, from the tunnel's reference instrument
    double Mean = 0;      // the sensor's mean over the window
    double StdDev = 0;
    double Max = 0;
    double Min = 0;
    int Samples = 0;
    TDateTime Newest = 0; // the newest history entry it was taken from
    TDateTime Oldest = 0; // and the oldest
    double AirTemp = 0;   // mean air temperature over the window, when sent
    bool AirTempSent = false;

    double Deviation() const { return Mean - Reference; }
};

// Why a point could not be taken; Taken when it was.
enum class VerTake { Taken, BadReference, NotSteady, SameData };

// Takes a point from the window when it is steady and shares no reading with a
// point already taken. A reference that is not a finite number from 0 to
// 100 m/s is refused.
VerTake TakeVerPoint(std::vector<VerPoint>& points, const VerWindow& window, double reference,
                     TDateTime now);

// Why a fit gives no line.
enum class VerFitGap {
    None,
    TooFewPoints,  // fewer than two points
    SameReference, // the references spread less than the display resolution
    SameReading,   // the sensor's means spread less than that
};

// Spreads (largest minus smallest) below this are no spread: the display
// resolution of the wind speed, m/s.
inline constexpr double kVerResolution = 0.001;
inline constexpr double kVerMinSpread = 0.01;

// The least-squares line sensor = Slope × reference + Offset.
struct VerFit {
    int Points = 0;
    VerFitGap Gap = VerFitGap::TooFewPoints;
    bool Defined = false; // slope, offset and r: Gap is None
    double Slope = 0;
    double Offset = 0;
    double R = 0;                 // correlation coefficient
    bool StdErrorDefined = false; // three points or more, and a line
    double StdError = 0;          // residual standard deviation, m/s, n - 2 degrees of freedom
    double SlopeError = 0;        // standard errors of slope and offset
    double OffsetError = 0;       // m/s
};

VerFit FitVerification(const std::vector<VerPoint>& points);

// Why the fit gives no line, in the words of the tab, the log and the report.
std::string VerFitGapText(VerFitGap gap);

// A point passes when |sensor − reference| ≤ A + B × reference.
struct VerTolerance {
    double A = 0.1;  // m/s
    double B = 0.02; // fraction of the reference (2 %)
};

// What a pass needs besides every point passing: enough points, spread over
// enough distinct reference speeds.
struct VerRange {
    int MinPoints = 5;
    int MinSpeeds = 5;
    double SpeedStep = 0.5; // m/s between references that count as distinct
};

// The reference instrument's expanded uncertainty (k = 2), as its own
// certificate states it: in m/s, or in % of the reading.
struct VerRefUncertainty {
    double Value = 0;
    bool Percent = false;
};

// What the digital certificate says of who verified what for whom.
struct VerLab {
    std::string LabName;
    std::string LabAddress;
    std::string Customer;
    std::string CustomerRef;
    std::string Procedure;
    std::string Tunnel;        // the wind tunnel's identification
    std::string MountDiameter; // mm, as typed
    std::string Maker;         // the sensor's maker
};

// Everything kept in section "Verify" of "BaseSetpoint.ini".
struct VerSettings {
    VerTolerance Tolerance;
    VerRange Range;
    VerRefUncertainty RefUnc;
    VerLab Lab;
};

// A tolerance the tab accepts: A from 0 to 10 m/s, B from 0 to 100 %.
bool VerToleranceAllowed(double a, double bPercent);
// A reference uncertainty the tab accepts: 0 to 10 m/s, or 0 to 100 %.
bool VerRefUncertaintyAllowed(double value, bool percent);

// Reads section "Verify" (A in m/s, B in %, MinPoints, MinSpeeds, SpeedStep,
// RefUnc with RefUncUnit "m/s" or "%", the lab's texts in CP932); a value
// missing or not allowed gives its default.
VerSettings LoadVerSettings(const std::string& path);
// Writes them all back. Throws IniFileError naming the file when it cannot be written.
void SaveVerSettings(const std::string& path, const VerSettings& settings);

// The tolerance alone, as older callers keep it.
VerTolerance LoadVerTolerance(const std::string& path);
void SaveVerTolerance(const std::string& path, const VerTolerance& tolerance);

bool VerPointPasses(const VerPoint& point, const VerTolerance& tolerance);

// The references that stand apart by at least the step: counted from the
// lowest, each one at least `step` above the last one counted.
int VerDistinctSpeeds(const std::vector<VerPoint>& points, double step);

struct VerVerdict {
    int Points = 0;
    int Failing = 0;
    int Speeds = 0;      // distinct reference speeds
    bool Enough = false; // enough points
    bool Spread = false; // over enough distinct speeds
    bool Pass = false;   // both, and every point passes
};

VerVerdict JudgeVerification(const std::vector<VerPoint>& points, const VerTolerance& tolerance,
                             const VerRange& range = {});

// The verdict as the tab and the log say it.
std::string VerVerdictText(const VerVerdict& verdict);

// The deviation in % of the reference; not defined at a reference of 0.
bool VerPercentDefined(const VerPoint& point);
double VerPercent(const VerPoint& point);

// A point's uncertainty budget, combined as in the GUM: standard
// uncertainties in m/s and the deviation's expanded uncertainty (k = 2).
struct VerUncertainty {
    double Reference = 0;     // the reference instrument's: its expanded value / 2
    double Repeatability = 0; // the sensor's standard deviation / √n
    double Resolution = 0;    // 0.001 m/s, rectangular: 0.001 / √12
    double Combined = 0;
    double Expanded = 0; // k = 2

    static constexpr double kCoverage = 2.0;
    // The sensor's reading alone (repeatability and resolution), expanded.
    double SensorExpanded() const;
};

VerUncertainty VerPointUncertainty(const VerPoint& point, const VerRefUncertainty& reference);

// The operator likely forgot to type the new reference: the same reference as
// the last point, while the sensor's mean moved by more than the tolerance.
bool VerLikelySlip(const std::vector<VerPoint>& points, double reference, double mean,
                   const VerTolerance& tolerance);

// The lines of the verification log, as the stage logs write them: a header,
// one line per point in the order taken, then the fit and the verdict.
std::vector<std::string> VerLogLines(const std::vector<VerPoint>& points,
                                     const VerSettings& settings, TDateTime finished);

// Replaces the file with those lines (CP932, CR LF). Throws TextFileError
// naming the file when it cannot be written.
void WriteVerLog(const std::string& path, const std::vector<VerPoint>& points,
                 const VerSettings& settings, TDateTime finished);

} // namespace qvr
