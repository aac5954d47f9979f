#include "report/stage_log.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/ui_text.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace qvr {

const std::array<const char*, kStageLogColumns> StageLogHeadings = {
    QT_TRANSLATE_NOOP("CalibrationReport", "風速"),
    QT_TRANSLATE_NOOP("CalibrationReport", "気温"),
    QT_TRANSLATE_NOOP("CalibrationReport", "温度差"),
    QT_TRANSLATE_NOOP("CalibrationReport", "風速(RAW)"),
    "AT-1",
    "AT-2",
    "WDT-1",
    "WDT-2"};
const std::array<const char*, kStageLogColumns> StageLogUnits = {"m/s.", "℃", "℃", "m/s.",
                                                                 "℃",    "℃", "℃", "℃"};

namespace {

using Row = std::array<std::optional<double>, kStageLogColumns>;

// A data line: a time stamp, then the eight values, each followed by ","; a
// value the sensor did not send is empty.
bool ParseDataLine(std::string_view line, Row& values) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const auto comma = line.find(',');
        if (comma == std::string_view::npos) {
            fields.push_back(line);
            break;
        }
        fields.push_back(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
    if (fields.size() != kStageLogColumns + 1 || fields[0].empty()) return false;
    for (int c = 0; c < kStageLogColumns; ++c) {
        const std::string_view text = fields[static_cast<std::size_t>(c) + 1];
        if (text.empty()) continue;
        const auto v = ParseNumber(text);
        if (!v) return false;
        values[static_cast<std::size_t>(c)] = *v;
    }
    return true;
}

} // namespace

StageLogStatistics ReadStageLog(const std::string& path, int window) {
    StageLogStatistics stats;
    std::vector<std::string> lines;
    try {
        lines = ReadTextLines(path);
    } catch (const TextFileError&) {
        return stats;
    }
    stats.Read = true;
    std::deque<Row> last;
    for (const auto& line : lines) {
        Row values{};
        if (!ParseDataLine(line, values)) continue;
        last.push_back(values);
        if (static_cast<int>(last.size()) > window) last.pop_front();
    }
    stats.Lines = static_cast<int>(last.size());
    for (std::size_t c = 0; c < kStageLogColumns; ++c) {
        double sum = 0, lo = 0, hi = 0;
        int n = 0;
        for (const auto& row : last) {
            if (!row[c]) continue;
            const double v = *row[c];
            lo = n == 0 ? v : std::min(lo, v);
            hi = n == 0 ? v : std::max(hi, v);
            sum += v;
            ++n;
        }
        if (n == 0) continue;
        stats.Average[c] = sum / n;
        stats.Span[c] = hi - lo;
    }
    return stats;
}

} // namespace qvr
