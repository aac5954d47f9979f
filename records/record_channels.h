#pragma once

#include "core/shared_state.h"

#include <array>

namespace qvr {

// One channel of the minute record: where its value lives in a TSampleRec, its
// column name and the values its running maximum and minimum start from.
struct RecordChannel {
    const char* Name;
    float TSampleRec::*Field; // null for AdCount, the one integer channel
    double MaxStart;
    double MinStart;
};

inline constexpr int kRecordChannelCount = 16;

// In file order; the layouts take the first 2, 14 or all 16.
extern const std::array<RecordChannel, kRecordChannelCount> RecordChannels;

// The channel's value widened to double.
double ChannelValue(const TSampleRec& sample, const RecordChannel& channel);

// Stores a value into the channel's field; AdCount truncates toward zero.
void SetChannelValue(TSampleRec& sample, const RecordChannel& channel, double value);

} // namespace qvr
