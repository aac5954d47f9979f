#include "core/step_log.h"

#include "base/date_time.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/sample_validity.h"

#include <utility>

namespace qvr {

std::vector<std::string> StepLogLines(const TSampleHistory& history) {
    std::vector<std::string> lines;
    lines.reserve(history.size() + 1);
    lines.emplace_back(",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,");
    lines.emplace_back(",m/s.,℃,℃,m/s.,℃,℃,℃,℃,");
    for (std::size_t i = history.size() - 1; i >= 1; --i) {
        const TSampleRec& e = history[i];
        if (e.Time == 0.0) continue;
        std::string line = FormatDateTime("yyyy/mm/dd hh:nn:ss", e.Time) + ",";
        using F = SampleField;
        const std::pair<float, F> columns[] = {
            {e.WindSpeed, F::WindSpeed}, {e.AirTempHiRes, F::AirTempHiRes},
            {e.TempDiff, F::TempDiff},   {e.WindSpeedRaw, F::WindSpeedRaw},
            {e.AirTemp1, F::AirTemp1},   {e.AirTemp2, F::AirTemp2},
            {e.WdsTemp1, F::WdsTemp1},   {e.WdsTemp2, F::WdsTemp2}};
        for (const auto& [v, field] : columns) {
            // A reading the sensor did not send (fast mode) is left empty, not written as 0.
            if (e.Sent & FieldBit(field)) line += GeneralNumberText(v);
            line += ',';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void WriteStepLog(const std::string& path, const TSampleHistory& history) {
    WriteTextLines(path, StepLogLines(history));
}

} // namespace qvr
