#include "monitor/status_list.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

TEST(StatusList, NamesAndHeadingsStandInColumnZero) {
    const auto rows = StatusListRows(TSampleRec{});
    EXPECT_EQ(rows[0].Name, "Name");
    EXPECT_EQ(rows[0].Value, "Data");
    EXPECT_EQ(rows[1].Name, "風速");
    EXPECT_EQ(rows[3].Name, "=== 状態値 ===");
    EXPECT_EQ(rows[3].Value, "");
    EXPECT_EQ(rows[17].Name, "=== 拡張部 ===");
    EXPECT_EQ(rows[17].Value, "");
    EXPECT_EQ(rows[18].Name, "気温１");
    EXPECT_EQ(rows[21].Name, "WDS温度２");
    EXPECT_EQ(rows[23].Name, "Vector-X");
}

TEST(StatusList, ValuesUseTheirRowsFormat) {
    TSampleRec sample;
    sample.WindSpeed = 3.14159f;
    sample.AirTemp = 21.26f;
    sample.CpuLoad = 12.3f;
    sample.AdCount = 250;
    sample.ModelNo = 19.1f;
    sample.SoftState = -3;
    sample.WindDir = 359.6f;
    sample.VectorX = -0.25f;
    const auto rows = StatusListRows(sample);
    const std::pair<int, const char*> expected[] = {
        {1, "3.142 m/s."}, {2, "21.3 ℃"}, {8, "12.3 %"}, {10, "250 /s."},
        {12, "19.10"},     {16, "-3"},    {22, "360 °"}, {23, "-0.250 "},
    };
    for (const auto& [row, text] : expected)
        EXPECT_EQ(rows[row].Value, text) << "row " << row;
}

TEST(StatusList, NoReadingYetShowsZeros) {
    const auto rows = StatusListRows(TSampleRec{});
    const std::pair<int, const char*> expected[] = {
        {1, "0.000 m/s."}, {2, "0.0 ℃"}, {5, "0.000 ℃"}, {9, "0.000 V"},
        {10, "0 /s."},     {14, "0"},    {22, "0 °"},    {23, "0.000 "},
    };
    for (const auto& [row, text] : expected)
        EXPECT_EQ(rows[row].Value, text) << "row " << row;
}

} // namespace
} // namespace qvr
