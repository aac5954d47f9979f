#pragma once

#include <array>
#include <string>

namespace qvr {

// The columns of a calibration log after its time stamp.
inline constexpr int kStageLogColumns = 8;

// What the last lines of a calibration log say: the average and the span
// (maximum minus minimum) of each column.
struct StageLogStatistics {
    bool Read = false; // the file was there and readable
    int Lines = 0;     // data lines taken (0 when the log holds only its headings)
    std::array<double, kStageLogColumns> Average{};
    std::array<double, kStageLogColumns> Span{};
};

// The column headings and units as the log's two header lines write them.
extern const std::array<const char*, kStageLogColumns> StageLogHeadings;
extern const std::array<const char*, kStageLogColumns> StageLogUnits;

// Reads a calibration log and takes the statistics over its last `window` data
// lines (the calibration judges the 30 newest readings, so 30 is the window
// the stage was confirmed on). Lines that are not data lines are passed over.
// Never throws: a missing or unreadable file gives Read false.
StageLogStatistics ReadStageLog(const std::string& path, int window = 30);

} // namespace qvr
