#pragma once

#include "core/shared_state.h"

#include <string>
#include <vector>

namespace qvr {

// A verification run: the sensor's wind speed taken at several reference
// speeds, a straight line of sensor against reference fitted through them and
// each point judged against a tolerance. It measures only: nothing here
// writes to the sensor.

// The last 30 history entries as one would-be measuring point.
struct VerWindow {
    enum class State {
        Steady,   // all 30 fresh and sent, span of the wind speed < 0.2 m/s
        Unsteady, // the wind speed moves more than that
        Filling,  // fewer than 30 entries with a wind speed since collection started
        Stale,    // the newest entry is older than 2 s: the sensor is silent or the poll stopped
    };
    State Result = State::Stale;
    TDateTime Newest = 0; // time of the newest entry the window holds
    double Mean = 0;
    double StdDev = 0; // sample standard deviation (n - 1)
    double Max = 0;
    double Min = 0;
    int Samples = 0;

    bool Steady() const { return Result == State::Steady; }
};

inline constexpr int kVerWindow = 30;
inline constexpr double kVerSpanLimit = 0.2; // m/s, the calibration's rule for the wind speed
inline constexpr double kVerStaleSeconds = 2.0;

// Judges the 30 newest entries at `now` with the calibration's steadiness rule
// for the wind speed; an entry that is not valid, or holds no wind speed the
// sensor sent, leaves the window not steady.
VerWindow JudgeVerWindow(const TSampleHistory& history, TDateTime now);

struct VerPoint {
    TDateTime Time = 0;   // when the point was taken
    double Reference = 0; // m/s, from the tunnel's reference instrument
    double Mean = 0;      // the sensor's mean over the window
    double StdDev = 0;
    double Max = 0;
    double Min = 0;
    int Samples = 0;
    TDateTime Newest = 0; // the newest history entry it was taken from

    double Deviation() const { return Mean - Reference; }
};

// Why a point could not be taken; Taken when it was.
enum class VerTake { Taken, BadReference, NotSteady, SameData };

// Takes a point from the window when it is steady and newer than every point
// already taken (the same readings never count twice). A reference that is not
// a finite number from 0 to 100 m/s is refused.
VerTake TakeVerPoint(std::vector<VerPoint>& points, const VerWindow& window, double reference,
                     TDateTime now);

// The least-squares line sensor = Slope × reference + Offset.
struct VerFit {
    int Points = 0;
    bool Defined = false; // at least two points with different references
    double Slope = 0;
    double Offset = 0;
    bool RDefined = false; // the sensor's means differ too
    double R = 0;          // correlation coefficient
    bool StdErrorDefined = false; // three points or more
    double StdError = 0;          // of the estimate, m/s, n - 2 degrees of freedom
};

VerFit FitVerification(const std::vector<VerPoint>& points);

// A point passes when |sensor − reference| ≤ A + B × reference.
struct VerTolerance {
    double A = 0.1;  // m/s
    double B = 0.02; // fraction of the reference (2 %)
};

inline constexpr int kVerMinPoints = 5;

// A tolerance the tab accepts: A from 0 to 10 m/s, B from 0 to 100 %.
bool VerToleranceAllowed(double a, double bPercent);

// The tolerance kept in section "Verify" of "BaseSetpoint.ini" (keys A in m/s,
// B in %); a value missing or not allowed gives its default.
VerTolerance LoadVerTolerance(const std::string& path);
// Throws IniFileError naming the file when it cannot be written.
void SaveVerTolerance(const std::string& path, const VerTolerance& tolerance);

bool VerPointPasses(const VerPoint& point, const VerTolerance& tolerance);

struct VerVerdict {
    int Points = 0;
    int Failing = 0;
    bool Enough = false; // at least five points
    bool Pass = false;   // enough points and every one passes
};

VerVerdict JudgeVerification(const std::vector<VerPoint>& points, const VerTolerance& tolerance);

// The verdict as the tab and the log say it.
std::string VerVerdictText(const VerVerdict& verdict);

// The deviation in % of the reference; not defined at a reference of 0.
bool VerPercentDefined(const VerPoint& point);
double VerPercent(const VerPoint& point);

// The lines of the verification log, as the stage logs write them: a header,
// one line per point in the order taken, then the fit and the verdict.
std::vector<std::string> VerLogLines(const std::vector<VerPoint>& points,
                                     const VerTolerance& tolerance, TDateTime finished);

// Replaces the file with those lines (CP932, CR LF). Throws TextFileError
// naming the file when it cannot be written.
void WriteVerLog(const std::string& path, const std::vector<VerPoint>& points,
                 const VerTolerance& tolerance, TDateTime finished);

} // namespace qvr
