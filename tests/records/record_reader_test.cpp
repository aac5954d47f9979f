#include "records/record_reader.h"

#include "../base/temp_dir.h"
#include "base/text_file.h"
#include "core/sample_validity.h"
#include "records/record_channels.h"
#include "records/record_lines.h"
#include "records/record_view.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qvr {
namespace {

// A function, not a constant: the calendar's own constants are not set up
// before main.
TDateTime Day29() {
    return EncodeDateTime({2024, 5, 29, 0, 0, 0, 0});
}

TDateTime At(int h, int n, int s = 0) {
    return Day29() + (h * 3600 + n * 60 + s) / 86400.0;
}

// A sample whose channel j holds base + j (AdCount too).
TSampleRec Sample(double base) {
    TSampleRec s;
    for (const RecordChannel& c : RecordChannels)
        SetChannelValue(s, c, base + (&c - RecordChannels.data()));
    return s;
}

std::string Bytes(const std::vector<std::string>& lines) {
    test::TempDir dir;
    WriteTextLines(dir.File("f"), lines);
    return ReadFileBytes(dir.File("f"));
}

// Lines as the recorder writes them, with rows in the layout given.
void AddMinuteRow(std::vector<std::string>& lines, RecordLayout layout, TDateTime t, double base) {
    lines.push_back(MinuteDataRow(layout, t, Sample(base), Sample(base + 0.5), Sample(base - 0.5)));
}

TEST(RecordReader, ReadsEveryMinuteLayoutAndALayoutChangeInMidFile) {
    std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Basic);
    AddMinuteRow(lines, RecordLayout::Basic, At(9, 0), 1);
    AddMinuteRow(lines, RecordLayout::Basic, At(9, 1), 2);
    for (const std::string& h : MinuteHeaderPair(RecordLayout::Extended))
        lines.push_back(h);
    AddMinuteRow(lines, RecordLayout::Extended, At(9, 2), 3);
    // A wind-direction model appears under maintenance mode: no new heading.
    AddMinuteRow(lines, RecordLayout::Full, At(9, 3), 4);
    const RecordData d = ReadRecordBytes(Bytes(lines));

    EXPECT_EQ(d.Errors, std::vector<std::string>{});
    EXPECT_EQ(d.SkippedLines, 0u);
    EXPECT_EQ(d.HeadingLines, 4u);
    ASSERT_EQ(d.Rows(), 4u);
    EXPECT_EQ(d.Time, (std::vector<TDateTime>{At(9, 0), At(9, 1), At(9, 2), At(9, 3)}));
    ASSERT_EQ(d.Columns.size(), 16u);
    for (std::size_t j = 0; j < 16; ++j)
        EXPECT_EQ(d.Columns[j].Name, RecordChannels[j].Name);
    const RecordColumn& wind = d.Columns[0];
    EXPECT_EQ(wind.Avg, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(wind.Max, (std::vector<float>{1.5, 2.5, 3.5, 4.5}));
    EXPECT_EQ(wind.Min, (std::vector<float>{0.5, 1.5, 2.5, 3.5}));
    EXPECT_FLOAT_EQ(d.Columns[1].Avg[0], 2.0f); // air temperature: base + 1
    // Channels a row does not carry are gaps, not zeros.
    const RecordColumn& at1 = d.Columns[10];
    EXPECT_TRUE(std::isnan(at1.Avg[0]) && std::isnan(at1.Max[1]));
    EXPECT_FLOAT_EQ(at1.Avg[2], 13.0f);
    EXPECT_EQ(d.Columns[8].Avg[3], 12.0f); // AdCount, an integer channel
    const RecordColumn& wd = d.Columns[14];
    EXPECT_TRUE(std::isnan(wd.Avg[2]));
    EXPECT_FLOAT_EQ(wd.Avg[3], 18.0f);
}

TEST(RecordReader, ReadsSecondFiles) {
    std::vector<std::string> second{SecondHeaderLine()};
    TSampleRec s;
    s.WindSpeed = 1.2344f;
    s.AirTemp = 25.26f;
    second.push_back(SecondDataRow(At(23, 59, 58), s));
    s.WindSpeed = 0.5f;
    second.push_back(SecondDataRow(At(23, 59, 59), s));
    const RecordData sd = ReadRecordBytes(Bytes(second));
    ASSERT_EQ(sd.Rows(), 2u);
    EXPECT_EQ(sd.Kind[0], RecordRowKind::Second);
    EXPECT_EQ(sd.Time[1], At(23, 59, 59));
    ASSERT_EQ(sd.Columns.size(), 2u);
    EXPECT_EQ(sd.Columns[0].Name, "風速");
    EXPECT_EQ(sd.Columns[1].Name, "気温(参考)");
    EXPECT_EQ(sd.Columns[0].Avg, (std::vector<float>{1.234f, 0.5f}));
    EXPECT_EQ(sd.Columns[1].Avg[0], 25.3f);
    EXPECT_TRUE(sd.Columns[0].Max.empty());
    EXPECT_EQ(sd.HeadingLines, 1u);
}

// The worst a record folder can hold: each case gives the readable rows and
// the count of lines that could not be read, or a message, never a crash.
TEST(RecordReader, BadFilesGiveTheReadableRowsOrAMessage) {
    const std::string head = Utf8ToCp932("時刻,風速,気温(参考)\r\n");
    const std::string row = "2024/05/29 09:05.07,1.234,25.3,\r\n";
    std::string thousandPairs;
    for (int i = 0; i < 1000; ++i) {
        for (const std::string& h : MinuteHeaderPair(RecordLayout::Basic))
            thousandPairs += Utf8ToCp932(h) + "\r\n";
        thousandPairs += "2024/05/29 09:05,1,2,0,25,26,24,\r\n";
    }
    std::string binary;
    for (int i = 0; i < 300000; ++i)
        binary += static_cast<char>((i * 31) % 251);
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t rows, skipped;
        const char* error; // part of the one message, or null for none
    } cases[] = {
        {"whole", head + row + row, 2, 0, nullptr},
        {"torn last row", head + row + "2024/05/29 09:05.08,1.2", 1, 1, nullptr},
        {"torn row mid-cell with line end", head + row + "2024/05/29 09:05.0\r\n", 1, 1, nullptr},
        {"foreign csv", "name,age\r\nalice,31\r\nbob,27\r\n", 0, 3, "記録の行が見つかりません"},
        {"binary", binary, 0, 0, nullptr},
        {"empty", "", 0, 0, "空のファイル"},
        {"only the heading", head, 0, 0, "記録の行が見つかりません"},
        {"a thousand heading pairs", thousandPairs, 1000, 0, nullptr},
        {"absurd readings", head + "2024/05/29 09:05.07,NAN,INF,\r\n", 1, 0, nullptr},
        {"beyond single precision", head + "2024/05/29 09:05.07,1E39,1,\r\n", 0, 1,
         "見つかりません"},
        {"no such day", head + "2024/02/30 09:05.07,1,2,\r\n" + row, 1, 1, nullptr},
        {"hour 24", head + "2024/05/29 24:05.07,1,2,\r\n", 0, 1, "見つかりません"},
        {"LF only", "2024/05/29 09:05.07,1.5,20.0,\n", 1, 0, nullptr},
        {"a cell missing", head + "2024/05/29 09:05.07,1.5,\r\n", 0, 1, "見つかりません"},
        {"minute row of 5 cells", "2024/05/29 09:05,1,2,3,4,5,\r\n", 0, 1, "見つかりません"},
    };
    for (const Case& c : cases) {
        const RecordData d = ReadRecordBytes(c.bytes);
        EXPECT_EQ(d.Rows(), c.rows) << c.name;
        if (std::string(c.name) != "binary") {
            EXPECT_EQ(d.SkippedLines, c.skipped) << c.name;
        }
        if (c.error) {
            ASSERT_EQ(d.Errors.size(), 1u) << c.name;
            EXPECT_NE(d.Errors[0].find(c.error), std::string::npos)
                << c.name << ": " << d.Errors[0];
        } else if (c.rows > 0) {
            EXPECT_TRUE(d.Errors.empty()) << c.name << ": " << d.Errors[0];
        }
        for (const RecordColumn& col : d.Columns)
            EXPECT_EQ(col.Avg.size(), d.Rows()) << c.name;
    }
    // A binary file reads as no rows, with a message; its lines are skipped
    // without being kept, however long they are.
    const RecordData b = ReadRecordBytes(binary);
    EXPECT_EQ(b.Rows(), 0u);
    EXPECT_GT(b.SkippedLines, 0u);
    EXPECT_EQ(b.Errors.size(), 1u);
    const RecordData absurd = ReadRecordBytes(head + "2024/05/29 09:05.07,NAN,INF,\r\n");
    EXPECT_TRUE(std::isnan(absurd.Columns[0].Avg[0]) && std::isnan(absurd.Columns[1].Avg[0]));
}

// Every cell text reads as the nearest float to its decimal value, whether
// the quick path for plain decimals or the general one takes it.
TEST(RecordReader, CellsReadAsTheirDecimalValue) {
    const struct {
        const char* cell;
        bool readable;
    } cases[] = {
        {"1.234", true},
        {"-0.5", true},
        {"5.", true},
        {".5", true},
        {"-.25", true},
        {"0001.500", true},
        {"0.1", true},
        {"16777217", true},
        {"123456789012345", true},
        {"1234567890123456", true},
        {"0.30000001192092896", true},
        {"1E3", true},
        {"-2.5e-3", true},
        {"-0", true},
        {"", false},
        {"-", false},
        {".", false},
        {"+1", false},
        {"1.2.3", false},
        {"1,5", false},
        {"12a", false},
        {" 1", false},
    };
    for (const auto& c : cases) {
        const std::string row = std::string("2024/05/29 09:05.07,") + c.cell + ",20.5,\r\n";
        const RecordData d = ReadRecordBytes(row);
        ASSERT_EQ(d.Rows(), c.readable ? 1u : 0u) << c.cell;
        if (!c.readable) continue;
        const float want = static_cast<float>(std::strtod(c.cell, nullptr));
        EXPECT_EQ(d.Columns[0].Avg[0], want) << c.cell;
        EXPECT_EQ(std::signbit(d.Columns[0].Avg[0]), std::signbit(want)) << c.cell;
        EXPECT_EQ(d.Columns[1].Avg[0], 20.5f) << c.cell;
        // Shown and written again as the file has it.
        EXPECT_EQ(CellText(d.Columns[0], 0, 0), c.cell);
        EXPECT_EQ(CellText(d.Columns[1], 0, 0), "20.5");
    }
}

TEST(RecordReader, ChunksOfAnySizeReadAsTheWhole) {
    std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Extended);
    for (int i = 0; i < 50; ++i)
        AddMinuteRow(lines, RecordLayout::Extended, At(9, i), i);
    lines.push_back("junk line");
    const std::string bytes = Bytes(lines);
    const RecordData whole = ReadRecordBytes(bytes);
    for (const std::size_t size : {1u, 2u, 7u, 64u, 4096u}) {
        RecordParser parser;
        for (std::size_t at = 0; at < bytes.size(); at += size)
            parser.Feed(std::string_view(bytes).substr(at, size));
        const RecordData d = parser.Finish();
        EXPECT_EQ(d.Time, whole.Time) << size;
        EXPECT_EQ(d.SkippedLines, 1u) << size;
        ASSERT_EQ(d.Columns.size(), whole.Columns.size()) << size;
        EXPECT_EQ(d.Columns[5].Max, whole.Columns[5].Max) << size;
    }
}

TEST(RecordReader, FilesThatCannotBeReadOrAreHugeGiveAMessageAndStopWhenAsked) {
    test::TempDir dir;
    const RecordData missing = ReadRecordFile(dir.File("RT_20240529.RCD"));
    ASSERT_EQ(missing.Errors.size(), 1u);
    EXPECT_NE(missing.Errors[0].find("RT_20240529.RCD"), std::string::npos);
    EXPECT_NE(missing.Errors[0].find("開けません"), std::string::npos);

    const RecordData folder = ReadRecordFile(dir.Dir());
    EXPECT_EQ(folder.Rows(), 0u);
    EXPECT_FALSE(folder.Errors.empty());

#ifndef _WIN32
    // A named pipe and an endless device are refused before they are opened:
    // the pipe would wait for a writer, the device never ends.
    const std::string pipe = dir.File("RS_20240529.csv");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/zero")}) {
        std::atomic<bool> stop{false};
        auto read = std::async(std::launch::async, [&] {
            return ReadRecordFile(path, [&](std::uint64_t, std::uint64_t) { return !stop; });
        });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Let a reader stuck in the pipe's open, or reading on, go before failing.
            stop = true;
            const int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            FAIL() << path << " held the reader";
        }
        const RecordData special = read.get();
        EXPECT_EQ(special.Rows(), 0u) << path;
        ASSERT_EQ(special.Errors.size(), 1u) << path;
        EXPECT_NE(special.Errors[0].find("通常のファイルではありません"), std::string::npos)
            << path;
    }
#endif

    // A 2 GB file (sparse: no disk used) reports its size and stops when the
    // reader is told to; the rows read before stay.
    const std::string huge = dir.File("huge.csv");
    WriteTextLines(huge, {"2024/05/29 09:05.07,1.234,25.3,"});
    std::filesystem::resize_file(huge, 2'000'000'000);
    std::uint64_t seenTotal = 0;
    int calls = 0;
    const RecordData d = ReadRecordFile(huge, [&](std::uint64_t, std::uint64_t total) {
        seenTotal = total;
        return ++calls < 3;
    });
    EXPECT_EQ(seenTotal, 2'000'000'000u);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(d.Rows(), 1u);
    ASSERT_FALSE(d.Errors.empty());
    EXPECT_NE(d.Errors[0].find("中止"), std::string::npos);

    // A file removed while it is being read: what was opened is read whole.
    // (Windows refuses to remove an open file; the read is whole there too.)
    const std::string day = dir.File("RT_20240529.csv");
    std::vector<std::string> rows{SecondHeaderLine()};
    for (int i = 0; i < 40000; ++i)
        rows.push_back(FormatDateTime("yyyy/mm/dd hh:nn.ss,1.000,20.0,", Day29() + i / 86400.0));
    WriteTextLines(day, rows);
    const RecordData gone = ReadRecordFile(day, [&](std::uint64_t, std::uint64_t) {
        std::error_code ignored;
        std::filesystem::remove(day, ignored);
        return true;
    });
    EXPECT_EQ(gone.Rows(), 40000u);
}

TEST(RecordReader, DaysJoinOnOneTimeAxisWithChannelsJoinedByName) {
    std::vector<std::string> basic = MinuteHeaderPair(RecordLayout::Basic);
    AddMinuteRow(basic, RecordLayout::Basic, At(23, 59) + 1, 7); // the next day
    std::vector<std::string> ext = MinuteHeaderPair(RecordLayout::Extended);
    AddMinuteRow(ext, RecordLayout::Extended, At(23, 58), 5);
    RecordData all;
    MergeRecordData(all, ReadRecordBytes(Bytes(basic)));
    MergeRecordData(all, ReadRecordBytes(Bytes(ext)));
    MergeRecordData(all, ReadRecordBytes("garbage\r\n"));
    ASSERT_EQ(all.Rows(), 2u);
    EXPECT_EQ(all.Time, (std::vector<TDateTime>{At(23, 58), At(23, 59) + 1}));
    EXPECT_EQ(all.Columns.size(), 14u);
    EXPECT_EQ(all.Columns[0].Avg, (std::vector<float>{5, 7}));
    EXPECT_EQ(all.Columns[0].Min, (std::vector<float>{4.5, 6.5}));
    const int at1 = all.Find("AT-1");
    ASSERT_GE(at1, 0);
    EXPECT_FLOAT_EQ(all.Columns[static_cast<std::size_t>(at1)].Avg[0], 15.0f);
    EXPECT_TRUE(std::isnan(all.Columns[static_cast<std::size_t>(at1)].Avg[1]));
    EXPECT_EQ(all.SkippedLines, 1u);
    EXPECT_EQ(all.Errors.size(), 1u);

    EXPECT_EQ(RecordFileDate("/x/Record/RT_20240529.RCD"), Day29());
    EXPECT_EQ(RecordFileDate("RT_20240230.csv"), 0.0);
    EXPECT_EQ(RecordFileDate("notes.csv"), 0.0);
}

// Found by fuzzing: a heading that names a channel twice gave that channel two
// values for one row, and every later row was off by one.
TEST(RecordReader, AHeadingNamingAChannelTwiceKeepsEveryChannelAsLongAsTheRows) {
    for (const char* names : {",風速,風速,", "時刻,風速,風速"}) {
        const std::string file = Utf8ToCp932(std::string(names) + "\r\n,m/s.,m/s.,\r\n") +
                                 "2024/05/29 09:05:07,1.5,2.5,\r\n2024/05/29 09:05:08,1.6,2.6,\r\n";
        const RecordData d = ReadRecordBytes(file);
        for (const RecordColumn& c : d.Columns)
            EXPECT_EQ(c.Avg.size(), d.Rows()) << names << " " << c.Name;
    }
}

} // namespace
} // namespace qvr
