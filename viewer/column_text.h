#pragma once

#include "records/record_reader.h"

#include <QString>
#include <string_view>

namespace qvr {

// A record or export column's name in the interface's language; the files
// keep their Japanese names, only what the window shows is translated.
// A name the program does not write comes through as it is.
QString ColumnTitle(std::string_view name);

// A cell as the window shows it (what: 0 value, 1 maximum, 2 minimum): the
// file's own digits, except where they are a float's widening (the 15 digits
// of the minute rows): a minute's average then in its channel's format, an
// extreme with the shortest digits of its float. Empty for a missing value.
QString ShownCell(const RecordColumn& column, int what, std::size_t row);

} // namespace qvr
