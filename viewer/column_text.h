#pragma once

#include <QString>
#include <string_view>

namespace qvr {

// A record or export column's name in the interface's language; the files
// keep their Japanese names, only what the window shows is translated.
// A name the program does not write comes through as it is.
QString ColumnTitle(std::string_view name);

// A value of that column with the decimals its channel is shown with (the
// field table's format); a column of unknown kind gives the shortest text that
// reads back as the same float. Empty for a missing value.
QString ColumnValueText(std::string_view name, double value);

} // namespace qvr
