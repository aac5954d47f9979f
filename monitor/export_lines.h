#pragma once

#include "core/shared_state.h"

#include <string>
#include <vector>

namespace qvr {

// The short log and plot-data export of the sample history: a name line, a
// unit line, then one row per filled entry from the oldest to the second
// newest (entry 0, the newest, is left out). Wind-direction models get the
// wind-direction columns.
std::vector<std::string> ShortLogLines(const TSampleHistory& history, bool windDirModel);
std::vector<std::string> PlotDataLines(const TSampleHistory& history, bool windDirModel);

// Replace the file with those lines. Throw TextFileError with the system's
// reason when the file cannot be written; the old content then stays.
void WriteShortLog(const std::string& path, const TSampleHistory& history, bool windDirModel);
void WritePlotData(const std::string& path, const TSampleHistory& history, bool windDirModel);

} // namespace qvr
