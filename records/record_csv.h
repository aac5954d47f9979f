#pragma once

#include "records/record_reader.h"

#include <string>
#include <vector>

namespace qvr {

// Rows [from, to) as the viewer's CSV export, which the reader reads back as
// they were: a heading naming every column after an empty time cell (a band
// as "X(最大)" and "X(最小)" after X), then each row with its time as its own
// kind writes it and each cell with the file's own digits; a cell the row
// did not have stays empty. UTF-8.
std::vector<std::string> RecordCsvLines(const RecordData& data, std::size_t from, std::size_t to);

} // namespace qvr
