#pragma once

#include "core/shared_state.h"
#include "core/write_prm.h"
#include "report/calibration_report.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qvr {

// What the report needs besides the journal, gathered when "作業完了" is pressed.
struct ReportContext {
    TWritePrm After;       // the parameter set as the calibration left it
    std::string Folder;    // where the calibration logs are (the executable's folder)
    TDateTime Created = 0; // now
    std::string Computer;  // the computer's name
    std::string ProgramVersion;
    TSampleRec Sensor;          // the latest reading: model and firmware version
    float WsAvg15 = 0;          // the calibration's 15-reading average
    bool Measured = false;      // false when no fresh reading was at hand for it
    TDateTime MeasuredFrom = 0; // the oldest reading in that average
    TWriteRecord LastWrite;     // how the last group write ended
};

// Keeps what a calibration did while it runs, so that its report can be drawn
// up at the end: the parameter set it started from, when each stage was
// confirmed and with which value, and the wind speed and temperature
// difference over its course. One run at a time: a new start forgets the last.
class CalibrationJournal {
public:
    // Once a second for a day; past that the series is thinned to every other point.
    static constexpr std::size_t kMaxPoints = 86400;

    // At "キャリブレーション開始", after the default parameters were loaded.
    void Start(const TWritePrm& loaded, TDateTime now);
    // After a stage's button stored its value in `prm` (and wrote its log).
    // A stage confirmed again replaces its earlier entry.
    void Confirm(CalStage stage, const TWritePrm& prm, TDateTime now);
    // Once a tick with the newest history entry; entries without a reading,
    // and ones already taken, are passed over.
    void AddSample(const TSampleRec& newest);

    bool Started() const { return started_; }
    const TWritePrm& Before() const { return before_; }
    std::size_t PointCount() const { return series_.size(); }

    // The report's document. Without a start in this run the starting set is
    // unknown and shown as "—". The "作業完了" stage is entered at `context.Created`
    // when it has not been confirmed; each stage's statistics come from its log.
    CalibrationReport Build(const ReportContext& context) const;

private:
    struct Entry {
        TDateTime Time = 0;
        std::string Value;
    };

    bool started_ = false;
    TDateTime startTime_ = 0;
    TWritePrm before_{};
    std::array<std::optional<Entry>, kCalStageCount> stages_{};
    std::vector<ReportPoint> series_;
};

// Whether any of the `newest` history entries holds a reading.
bool AnyValid(const TSampleHistory& history, int newest);
// The time of the oldest reading among the `newest` history entries (0: none).
TDateTime OldestValid(const TSampleHistory& history, int newest);

// The report of a verification run without a calibration in this run: the
// sensor's identity and the verification page alone.
CalibrationReport BuildVerificationReport(const ReportContext& context,
                                          ReportVerification verification);

} // namespace qvr
