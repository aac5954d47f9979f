#include "monitor/export_lines.h"

#include "base/text_file.h"
#include "core/poll_cycle.h"
#include "core/sample_validity.h"
#include "records/record_csv.h"
#include "records/record_reader.h"
#include "tests/records/record_fixture.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// The history after `count` samples taken one second apart from 09:05:00,
// entry 0 newest; sample k has wind speed k.
TSampleHistory HistoryOf(int count) {
    TSampleHistory history{};
    const TDateTime start = EncodeDateTime({2024, 5, 29, 9, 5, 0, 0});
    for (int k = 0; k < count && k < kSampleHistorySize; ++k) {
        const int sampleNo = count - 1 - k;
        TSampleRec& entry = history[static_cast<std::size_t>(k)];
        entry.Time = start + sampleNo / 86400.0;
        entry.Valid = true;
        entry.Sent = PolledFields(false, true);
        entry.WindSpeed = static_cast<float>(sampleNo);
        entry.AirTempHiRes = 25.25f;
        entry.WindDir = 180;
        entry.VectorX = -0.5f;
    }
    return history;
}

TEST(ExportLines, HeadingsFollowTheWindDirectionFlag) {
    const TSampleHistory empty{};
    struct Case {
        std::vector<std::string> lines;
        std::vector<std::string> expected;
    } cases[] = {
        {ShortLogLines(empty, false),
         {",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,", ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,"}},
        {ShortLogLines(empty, true),
         {",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,風向,Vector-X,",
          ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,°,,"}},
        {PlotDataLines(empty, false), {",風速,気温,", ",m/s.,℃,"}},
        {PlotDataLines(empty, true), {",風速,気温,風向,", ",m/s.,℃,°,"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.lines, c.expected);
}

TEST(ExportLines, RowsRunFromTheOldestToTheSecondNewest) {
    const TSampleHistory history = HistoryOf(100);
    const auto plot = PlotDataLines(history, false);
    ASSERT_EQ(plot.size(), 2u + 99);
    EXPECT_EQ(plot[2], "2024/05/29 09:05:00,0,25.25,");
    EXPECT_EQ(plot[100], "2024/05/29 09:06:38,98,25.25,");

    const auto withDir = PlotDataLines(history, true);
    EXPECT_EQ(withDir[3], "2024/05/29 09:05:01,1,25.25,180,");
    const auto shortLog = ShortLogLines(history, true);
    ASSERT_EQ(shortLog.size(), 2u + 99);
    EXPECT_EQ(shortLog[3], "2024/05/29 09:05:01,1,25.25,0,0,0,0,0,0,180,-0.5,");
}

TEST(ExportLines, AFullHistoryGives1023Rows) {
    const auto lines = ShortLogLines(HistoryOf(5000), false);
    ASSERT_EQ(lines.size(), 2u + 1023);
    EXPECT_EQ(lines.back().substr(0, 25), "2024/05/29 10:28:18,4998,");
}

TEST(ExportLines, ValuesAreGeneralNumberTextOfTheSinglePrecisionValue) {
    TSampleHistory history{};
    history[1].Time = EncodeDateTime({2024, 5, 29, 9, 5, 7, 0});
    history[1].WindSpeed = 1.234f;
    history[1].AirTempHiRes = 25.25f;
    history[1].Sent = PolledFields(false, false);
    EXPECT_EQ(PlotDataLines(history, false).back(), "2024/05/29 09:05:07,1.23399996757507,25.25,");
}

// Fast mode polls only the first key set: the channels it never asks for are
// written as a missing reading, whatever the entry holds from before, and the
// record viewer reads them as gaps.
TEST(ExportLines, ValuesTheSensorDidNotSendAreWrittenMissing) {
    TSampleHistory history = HistoryOf(3);
    for (TSampleRec& entry : history) {
        entry.Sent = PolledFields(true, true);
        entry.TempDiff = 12.5f; // an old value, not sent in this run
        entry.AirTemp1 = 20;
    }
    history[1].WindSpeedRaw = 1.5f;
    EXPECT_EQ(ShortLogLines(history, true).back(),
              "2024/05/29 09:05:01,1,25.25,NAN,1.5,NAN,NAN,NAN,NAN,NAN,NAN,");
    const auto plot = PlotDataLines(history, true);
    EXPECT_EQ(plot.back(), "2024/05/29 09:05:01,1,25.25,NAN,");

    test::ScratchDir dir;
    WriteTextLines(dir.File("plot.csv"), plot);
    const RecordData read = ReadRecordBytes(ReadFileBytes(dir.File("plot.csv")));
    ASSERT_EQ(read.Rows(), 2u);
    EXPECT_EQ(read.Columns[0].Avg[1], 1.0f);
    EXPECT_TRUE(std::isnan(read.Columns[2].Avg[1]));
}

// The plot-data export as the record reader reads it.
std::string PlotDataBytes(const TSampleHistory& history) {
    test::ScratchDir dir;
    WriteTextLines(dir.File("plot.csv"), PlotDataLines(history, true));
    return ReadFileBytes(dir.File("plot.csv"));
}

TEST(ExportLines, ThePlotDataExportReadsAsARecordFile) {
    const TDateTime day = EncodeDateTime({2024, 5, 29, 0, 0, 0, 0});
    const auto At = [day](int h, int n, int s) { return day + (h * 3600 + n * 60 + s) / 86400.0; };
    TSampleHistory history{};
    TSampleRec sample;
    for (int i = 0; i < 5; ++i) {
        sample.WindSpeed = 0.1f * static_cast<float>(i);
        sample.AirTempHiRes = 20.5f;
        sample.WindDir = 90;
        sample.Sent = PolledFields(false, true);
        HistoryStep(history, sample, At(10, 0, i));
    }
    const RecordData pd = ReadRecordBytes(PlotDataBytes(history));
    ASSERT_EQ(pd.Rows(), 4u); // the newest sample is never exported
    EXPECT_EQ(pd.Kind[0], RecordRowKind::Sample);
    ASSERT_EQ(pd.Columns.size(), 3u);
    EXPECT_EQ(pd.Columns[1].Name, "気温");
    EXPECT_EQ(pd.Columns[2].Name, "風向");
    EXPECT_EQ(pd.Columns[0].Avg[3], 0.3f); // 0.300000011920929 in the file
    EXPECT_EQ(pd.Time[3], At(10, 0, 3));
    EXPECT_EQ(pd.SkippedLines, 0u);
    // Written again by the viewer, the rows are the export's own, digit for digit.
    std::vector<std::string> lines = PlotDataLines(history, true);
    lines.erase(lines.begin() + 1); // the unit line
    EXPECT_EQ(RecordCsvLines(pd, 0, pd.Rows()), lines);
}

TEST(ExportFiles, AreCp932WithCrLfAndReplaceTheOldContent) {
    test::ScratchDir dir;
    const std::string path = dir.File("plot.csv");
    ReplaceFileBytes(path, std::string(5000, 'x'));
    WritePlotData(path, HistoryOf(2), false);
    EXPECT_EQ(ReadFileBytes(path), ",\x95\x97\x91\xAC,\x8B\x43\x89\xB7,\r\n"
                                   ",m/s.,\x81\x8E,\r\n"
                                   "2024/05/29 09:05:00,0,25.25,\r\n");

    WriteShortLog(path, HistoryOf(0), true);
    EXPECT_EQ(Cp932ToUtf8(ReadFileBytes(path)),
              ",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,風向,Vector-X,\r\n"
              ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,°,,\r\n");
}

TEST(ExportFiles, AFailedWriteThrowsTheSystemsReasonAndKeepsTheOldFile) {
    test::ScratchDir dir;
    const std::string path = dir.File("log.csv");
    ReplaceFileBytes(path, "old\r\n");
    std::filesystem::create_directory(TemporaryPathFor(path)); // blocks the write, even for root
    try {
        WriteShortLog(path, HistoryOf(10), false);
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), "old\r\n");
    EXPECT_THROW(WritePlotData(dir.File("no/such/folder.csv"), HistoryOf(10), false),
                 TextFileError);
}

} // namespace
} // namespace qvr
