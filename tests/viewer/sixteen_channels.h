#pragma once

#include "base/text_file.h"
#include "records/record_channels.h"
#include "records/record_lines.h"

#include <string>
#include <vector>

namespace qvr::test {

// A minute file of the full layout (all 16 channels), a row a minute from
// 09:00 on `day`: values whose floats are not their decimals (7.919 m/s) and
// some as wide as the channels get (-9999.999), so that a readout of them
// shows whether it keeps to the file's digits and to its room.
inline void WriteSixteenChannelFile(const std::string& path, TDateTime day, int rows = 30) {
    std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Full);
    for (int m = 0; m < rows; ++m) {
        TSampleRec avg, max, min;
        for (int c = 0; c < kRecordChannelCount; ++c) {
            const double v = c == 0 ? 7.919 : c == 15 ? -9999.999 : 100.0 * c + 0.123 + m;
            SetChannelValue(avg, RecordChannels[c], v);
            SetChannelValue(max, RecordChannels[c], v + 0.5);
            SetChannelValue(min, RecordChannels[c], v - 0.25);
        }
        lines.push_back(MinuteDataRow(RecordLayout::Full, day + (540 + m) / 1440.0, avg, max, min));
    }
    WriteTextLines(path, lines);
}

} // namespace qvr::test
