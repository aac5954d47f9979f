#include "base/date_time.h"

#include <cmath>
#include <cstdint>

namespace qvr {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Civil-calendar conversion (proleptic Gregorian), days relative to 1970-01-01.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// Constant-initialised, so a date computed during static initialisation is right.
constexpr std::int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

void AppendTwoDigits(std::string& out, int v) {
    out += static_cast<char>('0' + (v / 10) % 10);
    out += static_cast<char>('0' + v % 10);
}

} // namespace

TDateTime EncodeDateTime(const DateTimeParts& p) {
    const std::int64_t days =
        DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
        kEpochOffset;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(p.hour) * 60 + p.minute) * 60 + p.second) * 1000 +
        p.millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

DateTimeParts DecodeDateTime(TDateTime value) {
    // Round to whole milliseconds first so that 12:00:07 stored as
    // 0.50008101851... never decodes as 12:00:06.999.
    const auto total = static_cast<std::int64_t>(std::llround(value * kMsPerDay));
    std::int64_t days = total / kMsPerDay;
    std::int64_t ms = total % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --days;
    }
    DateTimeParts p;
    CivilFromDays(days + kEpochOffset, p.year, p.month, p.day);
    p.millisecond = static_cast<int>(ms % 1000);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.hour = static_cast<int>(ms / 3600000);
    return p;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    std::string out;
    out.reserve(pattern.size() + 4);
    for (std::size_t i = 0; i < pattern.size();) {
        const std::string_view rest = pattern.substr(i);
        if (rest.starts_with("yyyy")) {
            AppendTwoDigits(out, p.year / 100);
            AppendTwoDigits(out, p.year % 100);
            i += 4;
        } else if (rest.starts_with("mm")) {
            AppendTwoDigits(out, p.month);
            i += 2;
        } else if (rest.starts_with("dd")) {
            AppendTwoDigits(out, p.day);
            i += 2;
        } else if (rest.starts_with("hh")) {
            AppendTwoDigits(out, p.hour);
            i += 2;
        } else if (rest.starts_with("nn")) {
            AppendTwoDigits(out, p.minute);
            i += 2;
        } else if (rest.starts_with("ss")) {
            AppendTwoDigits(out, p.second);
            i += 2;
        } else {
            out += pattern[i];
            ++i;
        }
    }
    return out;
}

int SecondOfDay(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return (p.hour * 60 + p.minute) * 60 + p.second;
}

} // namespace qvr
