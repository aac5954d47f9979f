#pragma once

#include <string>
#include <string_view>

namespace qvr {

// Days since 30 December 1899; the fraction is the local time of day.
using TDateTime = double;

struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

TDateTime EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(TDateTime value);

// Writes the date and time with the tokens yyyy, mm (month), dd, hh (00-23),
// nn (minute) and ss; every other character is copied unchanged.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Whole seconds since local midnight, truncated.
int SecondOfDay(TDateTime value);

} // namespace qvr
