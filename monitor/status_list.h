#pragma once

#include "core/shared_state.h"

#include <array>
#include <string>

namespace qvr {

inline constexpr int kStatusListRows = 24;

// One row of the monitor list: the name in column 0 and the value in column 1.
struct StatusListCells {
    std::string Name;
    std::string Value;
};

// All 24 rows of the list for a reading; row 0 is the heading "Name"/"Data",
// rows 3 and 17 are section headings without a value.
std::array<StatusListCells, kStatusListRows> StatusListRows(const TSampleRec& sample);

} // namespace qvr
