#include "base/number_text.h"

#include <clocale>
#include <gtest/gtest.h>
#include <limits>

namespace qvr {
namespace {

struct GeneralCase {
    double value;
    const char* text;
};

TEST(GeneralNumberText, WritesFifteenSignificantDigitsOfTheWidenedValue) {
    const GeneralCase cases[] = {
        {static_cast<double>(0.1f), "0.100000001490116"},
        {12.5, "12.5"},
        {-99, "-99"},
        {1.5e-5, "1.5E-5"},
        {2e20, "2E20"},
        {0.0, "0"},
        {-0.0, "0"},
        {999, "999"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {0.00009, "9E-5"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {999999999999999.9, "1E15"}, // rounds up into the next decade
        {static_cast<double>(1.234f), "1.23399996757507"},
        {static_cast<double>(0.2f), "0.200000002980232"},
        {50, "50"},
        {-1.25e-7, "-1.25E-7"},
        {1.0 / 3.0, "0.333333333333333"},
        // Rounding up would pass the largest double: such text would not read back.
        {std::numeric_limits<double>::max(), "1.79769313486231E308"},
        {-std::numeric_limits<double>::max(), "-1.79769313486231E308"},
        {1.797693134862315E308, "1.79769313486231E308"},
        {1.79769313486231E308, "1.79769313486231E308"},
        {1.79769313486230E308, "1.7976931348623E308"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GeneralNumberText(c.value), c.text) << c.value;
        EXPECT_TRUE(ParseNumber(c.text)) << c.text;
    }
}

TEST(FormatFloat, FixedFormatsUseAFullStopWhateverTheLocale) {
    // A locale with a decimal comma must not leak into file or display texts.
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(FormatFloat("%1.3f m/s.", 1.2345678), "1.235 m/s.");
    EXPECT_EQ(FormatFloat("Sensor Model %1.2f", static_cast<double>(19.1f)), "Sensor Model 19.10");
    EXPECT_EQ(FormatFloat(" | Ver. %1.2f", 1.0), " | Ver. 1.00");
    EXPECT_EQ(FormatFloat("%1.0f \xC2\xB0", 359.6), "360 \xC2\xB0");
    EXPECT_EQ(FormatFloat("%1.1f", -0.04), "-0.0");
    EXPECT_EQ(FormatFloat("%6.2f|", 3.14159), "  3.14|");
    EXPECT_EQ(FormatFloat("%-6.1f|", 2.0), "2.0   |");
    EXPECT_EQ(FormatFloat("100%% %1.4f", 0.2), "100% 0.2000");
    if (old) std::setlocale(LC_NUMERIC, "C");
    EXPECT_THROW(FormatFloat("%d", 1.0), std::invalid_argument);
    // Counts that would overflow, or a number longer than any buffer: refused.
    EXPECT_EQ(FormatFloat("%100.100f", 0.5).size(), 102u);
    EXPECT_THROW(FormatFloat("%99999999999f", 1.0), std::invalid_argument);
    EXPECT_THROW(FormatFloat("%1.99999999999f", 1.0), std::invalid_argument);
    EXPECT_THROW(FormatFloat("%1.400f", 1.0), std::invalid_argument);
}

TEST(FixedDecimals, RoundsToItsDecimalsWithoutAMinusOnZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {{-0.0004, 3, "0.000"}, {-0.0, 2, "0.00"},   {-0.006, 2, "-0.01"},
                 {-1.5, 1, "-1.5"},     {2.0, 3, "2.000"},   {12.3456, 0, "12"},
                 {-0.4, 0, "0"},        {1.0, 40, "1.000000000000000"}};
    for (const auto& c : cases)
        EXPECT_EQ(FixedDecimals(c.value, c.decimals), c.text) << c.value << " " << c.decimals;
}

TEST(ParseNumber, AcceptsDecimalTextOnly) {
    EXPECT_EQ(ParseNumber("1.234"), 1.234);
    EXPECT_EQ(ParseNumber("  -3.99 "), -3.99);
    EXPECT_EQ(ParseNumber("+5"), 5.0);
    EXPECT_EQ(ParseNumber("1.5E-5"), 1.5e-5);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("1e-999"), 0.0);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    for (const char* bad : {"", "  ", "abc", "1,5", "1.2.3", "inf", "nan", "-inf", "0x10", "1e",
                            "--1", "+-1", "1e999", "12abc"})
        EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
}

TEST(ParseFloat, TakesOnlyFiniteTextsInsideSinglePrecision) {
    constexpr float kMax = std::numeric_limits<float>::max();
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"1.25", 1.25f},
        {"-3.4e38", -3.4e38f},
        {"3.4028234663852886E38", kMax},
        {"3.40282346638529E38", kMax}, // the largest float as the files write it
        {"1e-50", 0.0f},               // underflow is a zero, not an error
        {"1e39", std::nullopt},
        {"-1e39", std::nullopt},
        {"3.4028236e38", std::nullopt}, // rounds to infinity
        {"1e308", std::nullopt},
        {"1,5", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseFloat(c.text), c.value) << c.text;
    // ParseNumber keeps the double range for what lands in a double.
    EXPECT_EQ(ParseNumber("1e39"), 1e39);
    EXPECT_FALSE(ToSingle(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(ToSingle(-std::numeric_limits<double>::infinity()));
}

TEST(ParseInteger, AcceptsThirtyTwoBitDecimalIntegers) {
    EXPECT_EQ(ParseInteger(" 42 "), 42);
    EXPECT_EQ(ParseInteger("-7"), -7);
    EXPECT_EQ(ParseInteger("+7"), 7);
    for (const char* bad : {"", "yes", "1.5", "4294967296", "+-1", "1 2"})
        EXPECT_FALSE(ParseInteger(bad).has_value()) << bad;
}

} // namespace
} // namespace qvr
