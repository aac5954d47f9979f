// Number text both ways. ParseNumber agrees with the C library on exactly the
// texts its grammar admits; ParseFloat is ParseNumber through ToSingle; the
// general number text of any finite double reads back to the same text, and
// that of a single-precision value to the same float; FormatFloat either
// formats or refuses its format.
#include "base/number_text.h"
#include "fuzz/fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

using namespace qvr;

// Blanks, sign, digits with at most one point (at least one digit), an
// optional exponent, blanks.
bool Admitted(std::string_view t) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (!t.empty() && blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && blank(t.back()))
        t.remove_suffix(1);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && digit(t[i]))
        ++i, ++digits;
    if (i < t.size() && t[i] == '.') ++i;
    while (i < t.size() && digit(t[i]))
        ++i, ++digits;
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t exponent = 0;
        while (i < t.size() && digit(t[i]))
            ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == t.size();
}

void CheckParse(const std::string& text) {
    const auto value = ParseNumber(text);
    const bool admitted = text.find('\0') == std::string::npos && Admitted(text);
    if (value) {
        FUZZ_CHECK(admitted, "ParseNumber took " + fuzz::Printable(text));
        FUZZ_CHECK(std::isfinite(*value), "ParseNumber gave a non-finite value");
        errno = 0;
        const double c = std::strtod(text.c_str(), nullptr);
        // The C library keeps subnormal results; ParseNumber may give 0 there.
        FUZZ_CHECK(*value == c || (std::fabs(c) < DBL_MIN && *value == 0.0),
                   "ParseNumber " + GeneralNumberText(*value) + " vs strtod " +
                       GeneralNumberText(c) + " for " + fuzz::Printable(text));
    } else if (admitted) {
        const double c = std::strtod(text.c_str(), nullptr);
        FUZZ_CHECK(std::isinf(c), "ParseNumber refused " + fuzz::Printable(text));
    }
    const auto single = ParseFloat(text);
    const auto viaSingle = value ? ToSingle(*value) : std::nullopt;
    FUZZ_CHECK(single.has_value() == viaSingle.has_value() && (!single || *single == *viaSingle),
               "ParseFloat differs from ToSingle(ParseNumber)");

    const auto integer = ParseInteger(text);
    if (integer) {
        FUZZ_CHECK(admitted && text.find_first_of(".eE") == std::string::npos,
                   "ParseInteger took " + fuzz::Printable(text));
        FUZZ_CHECK(std::strtoll(text.c_str(), nullptr, 10) == *integer, "ParseInteger value");
    }
}

void CheckText(double d) {
    const auto single = ToSingle(d);
    if (std::isnan(d) || std::fabs(d) >= 0x1p128 - 0x1p103)
        FUZZ_CHECK(!single, "ToSingle took " + GeneralNumberText(d));
    else
        FUZZ_CHECK(single && std::isfinite(*single), "ToSingle refused " + GeneralNumberText(d));
    if (!std::isfinite(d)) return;

    const std::string text = GeneralNumberText(d);
    const auto back = ParseNumber(text);
    FUZZ_CHECK(back.has_value(), "general number text does not parse: " + text);
    FUZZ_CHECK(GeneralNumberText(*back) == text, "general number text moved: " + text);
    FUZZ_CHECK(std::fabs(*back - d) <= std::fabs(d) * 1e-14, "general number text is off: " + text);
    if (single) {
        const std::string ftext = GeneralNumberText(static_cast<double>(*single));
        const auto fback = ParseFloat(ftext);
        FUZZ_CHECK(fback && *fback == *single, "a float does not survive its text: " + ftext);
    }
}

void CheckFormat(const std::string& format, double d) {
    try {
        const std::string out = FormatFloat(format, d);
        if (format.find('%') == std::string::npos)
            FUZZ_CHECK(out == format, "FormatFloat changed a text without directive");
    } catch (const std::invalid_argument&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const double d = in.ConsumeFloatingPoint<double>();
    double raw = 0;
    if (in.remaining_bytes() >= sizeof raw) {
        const auto b = in.ConsumeBytes<std::uint8_t>(sizeof raw);
        std::memcpy(&raw, b.data(), sizeof raw);
    }
    const std::string format = in.ConsumeRandomLengthString(32);
    const std::string text = in.ConsumeRemainingBytesAsString();
    CheckParse(text);
    CheckText(d);
    CheckText(raw);
    CheckFormat(format, d);
    return 0;
}
