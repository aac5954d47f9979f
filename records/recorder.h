#pragma once

#include "core/app_context.h"
#include "records/record_channels.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qvr {

// The background recorder: once a second it adds the current sample to the
// running statistics, writes a second record row when SecRec is set, and at
// the first tick in seconds 6 to 8 of a minute writes the minute row of
// average, maximum and minimum: while collection runs, for every minute that
// had a valid sample; after the operator stops it, the samples wait for the
// first row after it resumes. Rows are appended to the day's files in
// the folder "Record" beside the executable; no file is held open between
// rows. A row that cannot be written is lost and recording goes on, but the
// loss is kept in Trouble() for the main window to show.
// Runs on the user-interface thread only.

// Whether rows are being lost: set by the first row that cannot be written,
// cleared by the next row that is.
struct RecordTrouble {
    bool Failing = false;
    std::string Reason; // why the last row was lost, naming the file or folder
    int LostRows = 0;   // since recording began failing
};

class Recorder {
public:
    explicit Recorder(AppContext& context);

    // One SubTimer tick.
    void RecordTick();

    // The steps of RecordTick.
    void AccumulateStats();
    void ResetStats();
    void WriteMinuteRecord();
    void WriteSecondRecord();

    std::int32_t StatCount() const { return statCount_; }
    double StatSum(int channel) const { return statSum_[static_cast<std::size_t>(channel)]; }
    const TSampleRec& StatMax() const { return statMax_; }
    const TSampleRec& StatMin() const { return statMin_; }
    const TSampleRec& MinuteAvg() const { return minuteAvg_; }
    const TSampleRec& MinuteMax() const { return minuteMax_; }
    const TSampleRec& MinuteMin() const { return minuteMin_; }
    bool MinuteLatch() const { return minuteLatch_; }
    bool LastLayoutExt() const { return lastLayoutExt_; }
    const RecordTrouble& Trouble() const { return trouble_; }

private:
    void AppendRow(const std::string& path, const std::vector<std::string>& lines);

    AppContext& context_;
    std::int32_t statCount_ = 0;
    std::array<double, kRecordChannelCount> statSum_{};
    TSampleRec statMax_;
    TSampleRec statMin_;
    TSampleRec minuteAvg_;
    TSampleRec minuteMax_;
    TSampleRec minuteMin_;
    bool minuteLatch_ = false;
    bool lastLayoutExt_ = false;
    std::string folderError_; // why the record folder could not be made, if it could not
    RecordTrouble trouble_;
};

} // namespace qvr
