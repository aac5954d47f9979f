#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qvr {

// The text of a value in record, export and log files: rounded to 15
// significant digits, trailing zeros dropped, "." as decimal point, plain
// notation from 0.0001 up to below 1E15, otherwise mantissa "E" exponent
// (1.5E-5, 2E20). A single-precision value passed widened shows its
// single-precision rounding (0.1f gives 0.100000001490116).
std::string GeneralNumberText(double value);

// A C-style format with one floating directive such as "%1.3f m/s." or
// "Sensor Model %1.2f" ("%%" writes a percent sign). Always "." as decimal
// point, whatever the process locale.
std::string FormatFloat(std::string_view format, double value);

// A value with `decimals` digits after "." (at most 15), without a minus sign
// when it rounds to zero ("0.000", not "-0.000").
std::string FixedDecimals(double value, int decimals);

// A decimal number with "." as decimal point, plain or scientific, optional
// sign, leading and trailing blanks allowed. Anything else (empty text, a
// decimal comma, trailing garbage, inf, nan, hexadecimal, a magnitude beyond
// double precision) gives no value; the result is always finite.
std::optional<double> ParseNumber(std::string_view text);

// The single-precision value a field takes for `value`: its nearest float, or
// no value when that would be infinite (a magnitude from about 3.40282357E38
// on, such as 1E39) or `value` is not a number. Narrowing such a value with a
// cast is undefined; every float field goes through here instead.
std::optional<float> ToSingle(double value);

// ParseNumber for a value that lands in a single-precision field: no value
// also when it lies beyond that range (ToSingle).
std::optional<float> ParseFloat(std::string_view text);

// A decimal integer, optional sign, blanks around allowed; no value when the
// text is not one or does not fit in 32 bits.
std::optional<int> ParseInteger(std::string_view text);

} // namespace qvr
