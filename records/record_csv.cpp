#include "records/record_csv.h"

#include "base/date_time.h"

#include <algorithm>

namespace qvr {

std::vector<std::string> RecordCsvLines(const RecordData& data, std::size_t from, std::size_t to) {
    std::vector<std::string> lines;
    std::string head = ",";
    for (const RecordColumn& c : data.Columns) {
        head += c.Name + ",";
        if (!c.Max.empty()) head += c.Name + "(最大)," + c.Name + "(最小),";
    }
    lines.push_back(std::move(head));
    to = std::min(to, data.Rows());
    for (std::size_t r = from; r < to; ++r) {
        const char* pattern = data.Kind[r] == RecordRowKind::Minute   ? "yyyy/mm/dd hh:nn"
                              : data.Kind[r] == RecordRowKind::Second ? "yyyy/mm/dd hh:nn.ss"
                                                                      : "yyyy/mm/dd hh:nn:ss";
        // Half a millisecond: a time of whole seconds held in a double is
        // not cut down to the second before.
        std::string line = FormatDateTime(pattern, data.Time[r] + 0.5 / 86400e3) + ",";
        for (const RecordColumn& c : data.Columns) {
            line += CellText(c, 0, r) + ",";
            if (!c.Max.empty()) line += CellText(c, 1, r) + "," + CellText(c, 2, r) + ",";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace qvr
