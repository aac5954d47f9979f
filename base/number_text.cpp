#include "base/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace qvr {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Fixed notation with `decimals` digits after the point.
std::string FixedText(double value, int decimals) {
    std::array<char, 400> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) return "NAN";
    return std::string(buf.data(), res.ptr);
}

} // namespace

std::string GeneralNumberText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0";
    // Rounded to 15 digits the largest doubles would read back as beyond
    // double range; they take the largest 15-digit text that reads back.
    constexpr double kLargestText = 1.79769313486231E308;
    if (std::fabs(value) > kLargestText)
        return value < 0 ? "-1.79769313486231E308" : "1.79769313486231E308";

    // d.dddddddddddddde±XX: the 15 significant digits and the decimal exponent.
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::scientific, 14);
    const std::string_view sci(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
    const std::size_t ePos = sci.find('e');
    const bool negative = sci.front() == '-';
    std::string digits;
    for (char c : sci.substr(0, ePos))
        if (c >= '0' && c <= '9') digits += c;
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const auto intLen = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intLen) {
                out += digits;
                out.append(intLen - digits.size(), '0');
            } else {
                out += digits.substr(0, intLen);
                out += '.';
                out += digits.substr(intLen);
            }
        }
    } else {
        out += digits.front();
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
}

std::string FixedDecimals(double value, int decimals) {
    std::string text = FixedText(value, std::clamp(decimals, 0, 15));
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string FormatFloat(std::string_view format, double value) {
    std::string out;
    bool used = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[-][width][.precision]f
        std::size_t j = i + 1;
        bool leftAlign = false;
        if (j < format.size() && format[j] == '-') {
            leftAlign = true;
            ++j;
        }
        // Widths and precisions stay small: past kMaxDigits the format is refused
        // rather than overflowing the count or the number buffer.
        constexpr int kMaxDigits = 100;
        const auto count = [&] {
            int n = 0;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && n <= kMaxDigits)
                n = n * 10 + (format[j++] - '0');
            return n;
        };
        const int width = count();
        int precision = 6;
        if (j < format.size() && format[j] == '.') {
            ++j;
            precision = count();
        }
        if (j >= format.size() || format[j] != 'f' || used || width > kMaxDigits ||
            precision > kMaxDigits)
            throw std::invalid_argument("FormatFloat: unsupported format \"" + std::string(format) +
                                        "\"");
        used = true;
        std::string number = std::isfinite(value) ? FixedText(value, precision)
                             : std::isnan(value)  ? "NAN"
                             : value > 0          ? "INF"
                                                  : "-INF";
        if (number.size() < static_cast<std::size_t>(width)) {
            const std::string pad(static_cast<std::size_t>(width) - number.size(), ' ');
            number = leftAlign ? number + pad : pad + number;
        }
        out += number;
        i = j;
    }
    return out;
}

std::optional<double> ParseNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    std::string_view body = text;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // Only digits, one point and an exponent: from_chars alone would also take inf/nan.
    if (body.empty() || !((body.front() >= '0' && body.front() <= '9') || body.front() == '.'))
        return std::nullopt;
    double value = 0.0;
    const auto res =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow is not a usable reading; underflow (a negative exponent) is a zero.
        const std::size_t e = body.find_first_of("eE");
        if (e == std::string_view::npos || body.substr(e + 1).find('-') != 0) return std::nullopt;
        value = 0.0;
    } else if (res.ec != std::errc()) {
        return std::nullopt;
    }
    if (res.ptr != body.data() + body.size()) return std::nullopt;
    return negative ? -value : value;
}

std::optional<float> ToSingle(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    // Halfway between the largest float and 2^128: from here on a value rounds to infinity.
    constexpr double kOverflow = 0x1p128 - 0x1p103;
    if (!(std::fabs(value) < kOverflow)) return std::nullopt; // NaN fails this too
    if (value > kMax) return std::numeric_limits<float>::max();
    if (value < -kMax) return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

std::optional<float> ParseFloat(std::string_view text) {
    const auto value = ParseNumber(text);
    return value ? ToSingle(*value) : std::nullopt;
}

std::optional<int> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace qvr
