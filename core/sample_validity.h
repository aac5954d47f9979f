#pragma once

#include "base/date_time.h"
#include "core/shared_state.h"

#include <cstdint>

namespace qvr {

// A set of sample fields, one bit per SampleField.
using FieldSet = std::uint32_t;

constexpr FieldSet FieldBit(SampleField field) {
    return FieldSet{1} << static_cast<int>(field);
}

// The fields whose keys the poll asks for: those of all five key sets, or of
// set 0 alone in fast mode. The wind direction and its vector count only for
// the model that reports them; other models answer them empty.
FieldSet PolledFields(bool fastMode, bool windDirModel);

// What the readouts stand for, as the operator is told it.
enum class DataState {
    Stopped,    // not collecting
    Connecting, // collecting, the first full reading not yet in
    NoAnswer,   // collecting, the sensor silent for more than the silence limit
    Receiving,  // the current sample is valid
};

struct DataStateReport {
    DataState State = DataState::Stopped;
    // Whole seconds since the last answer (or since collection started, when
    // none came); only for NoAnswer.
    int SilentSeconds = 0;
};

// Whether the current sample is a reading of the sensor. Valid only while both
// hold:
// - since collection started, the sensor has sent a number for every polled
//   field, so no field still holds its start value or a value of an earlier
//   run (an answer already waiting when collection starts is not counted);
// - its last answer came at most 2 s ago (a full rotation of the five key sets
//   takes 1.25 s), so a sensor that falls silent gives no data rather than
//   its last values; after such a silence every field must come again, as the
//   values from before it are old.
// The chart, the recorder, the exports and the calibration all go by it.
class SampleValidity {
public:
    static constexpr double kSilenceSeconds = 2.0;

    // One collecting tick, after decoding: `answered` holds the fields the
    // decoded answer gave numbers for (none when no answer came).
    void Collect(FieldSet answered, TDateTime now);
    // Collection is off; the next collecting tick starts afresh.
    void Stop() { running_ = false; }
    bool Valid(TDateTime now, bool fastMode, bool windDirModel) const;
    DataStateReport State(TDateTime now, bool fastMode, bool windDirModel) const;
    // The current collection run: counts up each time the fields start afresh.
    std::uint32_t Run() const { return run_; }

private:
    bool Fresh(TDateTime now) const;

    bool running_ = false;
    FieldSet answered_ = 0;
    TDateTime lastAnswer_ = 0;
    TDateTime started_ = 0;
    std::uint32_t run_ = 0;
};

} // namespace qvr
