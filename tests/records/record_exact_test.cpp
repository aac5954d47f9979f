// What the reader keeps of each cell: the file's own digits, for the readout,
// the extremes and the exports; and every file the program writes read back
// as it was.

#include "base/number_text.h"
#include "base/text_file.h"
#include "records/record_channels.h"
#include "records/record_csv.h"
#include "records/record_lines.h"
#include "records/record_reader.h"
#include "tests/base/temp_dir.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qvr {
namespace {

TDateTime At(int day, int h, int n, int s = 0) {
    return EncodeDateTime({2024, 5, day, h, n, s, 0});
}

std::string Bytes(const std::vector<std::string>& lines) {
    test::TempDir dir;
    WriteTextLines(dir.File("f"), lines);
    return ReadFileBytes(dir.File("f"));
}

// Same rows, kinds, times, channels, values and cell texts.
void ExpectSame(const RecordData& a, const RecordData& b, const std::string& what) {
    ASSERT_EQ(a.Rows(), b.Rows()) << what;
    EXPECT_EQ(a.Time, b.Time) << what;
    EXPECT_EQ(a.Kind, b.Kind) << what;
    ASSERT_EQ(a.Columns.size(), b.Columns.size()) << what;
    for (std::size_t c = 0; c < a.Columns.size(); ++c) {
        const RecordColumn &x = a.Columns[c], &y = b.Columns[c];
        EXPECT_EQ(x.Name, y.Name) << what;
        EXPECT_EQ(x.Max.empty(), y.Max.empty()) << what << " " << x.Name;
        for (int w = 0; w < (x.Max.empty() ? 1 : 3); ++w)
            for (std::size_t r = 0; r < a.Rows(); ++r) {
                const float u = x.Values(w)[r], v = y.Values(w)[r];
                EXPECT_TRUE(u == v || (std::isnan(u) && std::isnan(v)))
                    << what << " " << x.Name << " " << w << " row " << r << ": " << u << " " << v;
                EXPECT_EQ(CellText(x, w, r), CellText(y, w, r)) << what << " " << x.Name;
            }
    }
}

// The viewer's CSV export of everything, read back.
RecordData ExportedAndRead(const RecordData& d) {
    return ReadRecordBytes(Bytes(RecordCsvLines(d, 0, d.Rows())));
}

TEST(RecordExact, CellsKeepTheFilesDigitsInTheExport) {
    const RecordData d = ReadRecordBytes(
        Bytes({SecondHeaderLine(), "2024/05/29 09:05.07,7.919,20.3,",
               "2024/05/29 09:05.08,11.980,20.0,", "2024/05/29 09:05.09,-0.000,NAN,"}));
    ASSERT_EQ(d.Rows(), 3u);
    EXPECT_EQ(CellText(d.Columns[0], 0, 0), "7.919");
    EXPECT_EQ(CellText(d.Columns[0], 0, 1), "11.980");
    EXPECT_EQ(CellText(d.Columns[1], 0, 1), "20.0");
    EXPECT_EQ(CellText(d.Columns[0], 0, 2), "-0.000");
    EXPECT_EQ(CellText(d.Columns[1], 0, 2), "NAN");
    const auto lines = RecordCsvLines(d, 0, d.Rows());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         ",風速,気温(参考),", "2024/05/29 09:05.07,7.919,20.3,",
                         "2024/05/29 09:05.08,11.980,20.0,", "2024/05/29 09:05.09,-0.000,NAN,"}));
    // A span of rows, and a row past the end.
    EXPECT_EQ(RecordCsvLines(d, 1, 9).size(), 3u);

    // Computed values take the channel's own format.
    const struct {
        const char* name;
        int decimals;
    } formats[] = {{"風速", 3}, {"気温(参考)", 1}, {"AD変換回数", 0}, {"WD", 0},
                   {"風向", 0}, {"風速(最大)", 3}, {"CPU使用率", 1},  {"列", 3}};
    for (const auto& f : formats)
        EXPECT_EQ(ChannelDecimals(f.name), f.decimals) << f.name;
    EXPECT_EQ(DecimalText(7.9190001, 3), "7.919");
    EXPECT_EQ(DecimalText(-0.0001, 3), "0.000");
    EXPECT_EQ(DecimalText(20.25, 1), "20.2"); // as printf rounds the double
}

// Minute files of every layout as the recorder writes them, a second file and
// days joined out of order: the viewer's export reads back as they were.
TEST(RecordExact, EveryFileTheProgramWritesReadsBackAsItWas) {
    TSampleRec avg, max, min;
    for (const RecordChannel& c : RecordChannels) {
        const double i = static_cast<double>(&c - RecordChannels.data());
        SetChannelValue(avg, c, 0.1 + i * 1.37);
        SetChannelValue(max, c, 20.3 + i);
        SetChannelValue(min, c, -i / 3.0);
    }
    std::vector<std::string> minute = MinuteHeaderPair(RecordLayout::Basic);
    minute.push_back(MinuteDataRow(RecordLayout::Basic, At(29, 9, 0), avg, max, min));
    for (const auto& line : MinuteHeaderPair(RecordLayout::Full))
        minute.push_back(line);
    minute.push_back(MinuteDataRow(RecordLayout::Full, At(29, 9, 1), avg, max, min));
    minute.push_back(MinuteDataRow(RecordLayout::Extended, At(29, 9, 2), min, avg, max));
    std::vector<std::string> second{SecondHeaderLine()};
    TSampleRec s;
    for (int i = 0; i < 5; ++i) {
        s.WindSpeed = 0.0125f * static_cast<float>(i);
        s.AirTemp = 20.35f - static_cast<float>(i);
        second.push_back(SecondDataRow(At(28, 23, 59, 55 + i), s));
    }

    const RecordData m = ReadRecordBytes(Bytes(minute));
    ASSERT_EQ(m.Rows(), 3u);
    EXPECT_EQ(CellText(m.Columns[0], 0, 0), GeneralNumberText(avg.WindSpeed));
    ExpectSame(m, ExportedAndRead(m), "minute");
    const RecordData sd = ReadRecordBytes(Bytes(second));
    ASSERT_EQ(sd.Rows(), 5u);
    EXPECT_EQ(CellText(sd.Columns[1], 0, 0), "20.4"); // "%1.1f" of 20.35f
    ExpectSame(sd, ExportedAndRead(sd), "second");

    RecordData joined;
    MergeRecordData(joined, ReadRecordBytes(Bytes(minute)));
    MergeRecordData(joined, ReadRecordBytes(Bytes(second)));
    ASSERT_EQ(joined.Rows(), 8u);
    EXPECT_EQ(joined.Kind[0], RecordRowKind::Second); // the day before comes first
    EXPECT_EQ(CellText(joined.Columns[0], 0, 1), "0.013");
    EXPECT_EQ(CellText(joined.Columns[0], 1, 5), CellText(m.Columns[0], 1, 0));
    EXPECT_EQ(CellText(joined.Columns[5], 0, 4), ""); // a second row has no such channel
    std::vector<RecordData> parts;
    parts.push_back(ReadRecordBytes(Bytes(minute)));
    parts.push_back(ReadRecordBytes(Bytes(second)));
    ExpectSame(joined, JoinRecordData(std::move(parts)), "joined at once");
    const RecordData again = ExportedAndRead(joined);
    ExpectSame(joined, again, "joined");
    // And once more: the export of an export is the same file.
    EXPECT_EQ(RecordCsvLines(again, 0, again.Rows()), RecordCsvLines(joined, 0, joined.Rows()));
}

// Exports written before the heading began with an empty cell still read.
TEST(RecordExact, TheViewersEarlierExportReads) {
    const RecordData d = ReadRecordBytes(
        Bytes({"時刻,風速,風速(最大),風速(最小),気温(参考),", "2024/05/29 09:05:00,1.5,2,1,20.3,",
               "2024/05/29 09:06:00,1.25,3,0.5,20.5,"}));
    ASSERT_EQ(d.Rows(), 2u);
    ASSERT_EQ(d.Columns.size(), 2u);
    EXPECT_EQ(d.Columns[0].Max, (std::vector<float>{2, 3}));
    EXPECT_EQ(d.Columns[0].Min, (std::vector<float>{1, 0.5}));
    EXPECT_EQ(CellText(d.Columns[0], 0, 1), "1.25");
}

} // namespace
} // namespace qvr
