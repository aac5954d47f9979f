#pragma once

#include "base/date_time.h"
#include "core/shared_state.h"

#include <cstdint>
#include <string>

namespace qvr {

// The local time as ISO 8601 UTC with milliseconds: "2026-12-11T02:40:00.250Z".
std::string IsoUtcText(TDateTime local);

// The retained status: "online" with what the sensor told of itself (model,
// firmware, the units of every value) and the serial number it is named by.
// The fields the sensor has not sent are left out.
std::string StatusOnlineMessage(const TSampleRec& sample, const std::string& serialNo);
// The last will and the farewell.
std::string StatusOfflineMessage();

// One valid reading: its time, each value the sensor sent under its key of the
// field table, and the validity flags.
std::string SampleMessage(TDateTime time, const TSampleRec& sample, bool fastMode);

// One minute row as written ("yyyy/mm/dd hh:nn,avg,max,min,..." in channel
// order): average, maximum and minimum under the channels' keys, with the
// row's own digits, and the number of samples it holds.
std::string MinuteMessage(TDateTime time, const std::string& row, std::int32_t count);

// How many messages the bounded queue had to drop while the broker was away.
std::string DroppedMessage(TDateTime time, std::uint64_t dropped);

} // namespace qvr
