#pragma once

#include <string>

namespace qvr {

// One item key=value of a request or an answer.
struct TKeyValStr {
    std::string Key;
    std::string Value;

    bool operator==(const TKeyValStr&) const = default;
};

} // namespace qvr
