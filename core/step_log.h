#pragma once

#include "core/shared_state.h"

#include <string>
#include <vector>

namespace qvr {

// The lines of a calibration stage's log: two header lines, then one line per
// history entry with a time stamp, oldest first. The newest entry (0) is left
// out, and the time stamp alone decides whether an entry is written.
std::vector<std::string> StepLogLines(const TSampleHistory& history);

// Replaces the file with those lines (CP932, CR LF after every line). Throws
// TextFileError naming the file when it cannot be written.
void WriteStepLog(const std::string& path, const TSampleHistory& history);

} // namespace qvr
