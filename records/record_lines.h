#pragma once

#include "base/date_time.h"
#include "core/shared_state.h"

#include <string>
#include <vector>

namespace qvr {

// Column sets of the minute record file.
enum class RecordLayout { Basic, Extended, Full };

// Basic without maintenance mode; with it, full on wind-direction models.
RecordLayout ChooseLayout(const TMySts& sts);
int LayoutChannelCount(RecordLayout layout);

// The two header lines that open a minute record file (and follow a layout change).
std::vector<std::string> MinuteHeaderPair(RecordLayout layout);

// "yyyy/mm/dd hh:nn," then average, maximum and minimum of each channel of the
// layout, each followed by a comma.
std::string MinuteDataRow(RecordLayout layout, TDateTime time, const TSampleRec& avg,
                          const TSampleRec& max, const TSampleRec& min);

// The one header line of a second record file.
std::string SecondHeaderLine();

// "yyyy/mm/dd hh:nn.ss," wind speed "%1.3f," air temperature "%1.1f,".
std::string SecondDataRow(TDateTime time, const TSampleRec& sample);

// The folder "Record" beside the executable, and the day's file names in it.
std::string RecordFolder(const std::string& dataDir);
std::string MinuteRecordFileName(const std::string& dataDir, TDateTime time);
std::string SecondRecordFileName(const std::string& dataDir, TDateTime time);

} // namespace qvr
