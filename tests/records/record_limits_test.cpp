// The reader against what a file system and a large file can do: memory by
// bytes, files that change under the reader, the same file named twice,
// files and folders that cannot be read.

#include "base/text_file.h"
#include "records/record_lines.h"
#include "records/record_reader.h"
#include "records/record_view.h"
#include "tests/base/temp_dir.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace qvr {
namespace {

TDateTime Day29() {
    return EncodeDateTime({2024, 5, 29, 0, 0, 0, 0});
}

// A second file of `rows` rows from midnight.
std::vector<std::string> SecondLines(int rows, double wind = 1.5) {
    std::vector<std::string> lines{SecondHeaderLine()};
    TSampleRec s;
    s.WindSpeed = static_cast<float>(wind);
    s.AirTemp = 20;
    for (int i = 0; i < rows; ++i)
        lines.push_back(SecondDataRow(Day29() + i / 86400.0, s));
    return lines;
}

// An export of `columns` columns and `rows` rows.
std::vector<std::string> WideLines(int columns, int rows) {
    std::string head = ",", row;
    for (int c = 0; c < columns; ++c) {
        head += "c" + std::to_string(c) + ",";
        row += "1.5,";
    }
    std::vector<std::string> lines{head};
    for (int r = 0; r < rows; ++r)
        lines.push_back(FormatDateTime("yyyy/mm/dd hh:nn:ss,", Day29() + r / 86400.0) + row);
    return lines;
}

bool Has(const RecordData& d, const std::string& text) {
    for (const std::string& e : d.Errors)
        if (e.find(text) != std::string::npos) return true;
    return false;
}

// The budget is counted in bytes as rows arrive: narrow rows and wide rows
// stop at the same memory, and the message says how far the read came.
TEST(RecordLimits, TheBudgetStopsTheReadAtItsBytesWhateverTheRowsWidth) {
    test::TempDir dir;
    WriteTextLines(dir.File("narrow.csv"), SecondLines(200000));
    WriteTextLines(dir.File("wide.csv"), WideLines(2000, 300));
    constexpr std::uint64_t kLimit = 2 << 20;
    for (const char* name : {"narrow.csv", "wide.csv"}) {
        RecordBudget budget(kLimit);
        const RecordData d = ReadRecordFile(dir.File(name), {}, &budget);
        EXPECT_GT(d.Rows(), 0u) << name;
        EXPECT_LE(d.Bytes(), kLimit + (512 << 10)) << name;
        EXPECT_GE(d.Bytes(), kLimit / 2) << name;
        ASSERT_FALSE(d.Errors.empty()) << name;
        EXPECT_NE(d.Errors[0].find("メモリの上限 (2 MB)"), std::string::npos) << d.Errors[0];
        EXPECT_NE(d.Errors[0].find("読んだ行: "), std::string::npos) << d.Errors[0];
    }
    // Within the budget nothing is said; a budget is shared by the files of a
    // session, and files after the one that filled it are not begun.
    RecordBudget roomy(64 << 20);
    EXPECT_TRUE(ReadRecordFile(dir.File("narrow.csv"), {}, &roomy).Errors.empty());
    RecordBudget shared(kLimit);
    RecordReadOptions options;
    options.Budget = &shared;
    options.Threads = 1;
    const RecordData both =
        ReadRecordFiles({dir.File("narrow.csv"), dir.File("wide.csv")}, options);
    EXPECT_LE(both.Bytes(), kLimit + (512 << 10));
    EXPECT_TRUE(Has(both, "narrow.csv: メモリの上限"));
    EXPECT_EQ(both.Find("c0"), -1);
}

// A file cut short or replaced while it is read keeps no rows and says so; a
// file that grows (a day being recorded) is read as far as it was.
TEST(RecordLimits, AFileThatChangesWhileItIsReadIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "a file open for reading can be neither cut short nor replaced there";
#endif
    test::TempDir dir;
    const std::string path = dir.File("RT_20240529.csv");
    const std::vector<std::string> lines = SecondLines(120000); // several chunks
    const struct {
        const char* name;
        std::function<void()> change;
        bool whole;
    } cases[] = {
        {"cut short", [&] { std::filesystem::resize_file(path, 1000); }, false},
        {"replaced",
         [&] {
             WriteTextLines(dir.File("new.csv"), SecondLines(10));
             std::filesystem::rename(dir.File("new.csv"), path);
         },
         false},
        {"grown", [&] { AppendTextLines(path, {"2024/05/29 23:59.59,1.000,20.0,"}); }, true},
    };
    for (const auto& c : cases) {
        WriteTextLines(path, lines);
        bool changed = false;
        const RecordData d = ReadRecordFile(path, [&](std::uint64_t, std::uint64_t) {
            if (!changed) c.change();
            changed = true;
            return true;
        });
        if (c.whole) {
            EXPECT_GE(d.Rows(), 120000u) << c.name;
            EXPECT_TRUE(d.Errors.empty()) << c.name;
        } else {
            EXPECT_EQ(d.Rows(), 0u) << c.name;
            ASSERT_EQ(d.Errors.size(), 1u) << c.name;
            EXPECT_EQ(d.Errors[0],
                      path + ": 読み込み中にファイルが変わりました。再読み込みしてください")
                << c.name;
        }
    }
}

// The same file named twice, by another spelling or by a link, is read once.
TEST(RecordLimits, AFileNamedTwiceIsReadOnce) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("Record"));
    const std::string file = dir.File("Record/RT_20240529.csv");
    WriteTextLines(file, SecondLines(100));
    std::vector<std::string> paths = {file, file, dir.File("Record/./RT_20240529.csv"),
                                      dir.File("Record//RT_20240529.csv"),
                                      dir.File("Record/../Record/RT_20240529.csv")};
    std::error_code noLinks; // Windows may refuse links to an ordinary user
    std::filesystem::create_symlink(file, dir.File("link.csv"), noLinks);
    if (!noLinks) paths.push_back(dir.File("link.csv"));
    EXPECT_EQ(UniqueRecordPaths(paths), std::vector<std::string>{file});
    EXPECT_EQ(ReadRecordFiles(paths).Rows(), 100u);
    // Names of files that are not there are kept: each gives its own message.
    const std::vector<std::string> missing = {dir.File("a.csv"), dir.File("b.csv")};
    EXPECT_EQ(UniqueRecordPaths(missing), missing);
}

TEST(RecordLimits, FilesAndFoldersThatCannotBeReadSayWhy) {
    test::TempDir dir;
    WriteTextLines(dir.File("RT_20240529.csv"), SecondLines(3));
    std::filesystem::create_directory(dir.File("RT_20240530.csv"));
    EXPECT_EQ(RecordFileProblem(dir.File("RT_20240529.csv")), "");
    EXPECT_EQ(RecordFileProblem(dir.File("RT_20240530.csv")),
              dir.File("RT_20240530.csv") + ": 通常のファイルではありません");
    EXPECT_NE(RecordFileProblem(dir.File("RT_20240531.csv")).find("開けません（"),
              std::string::npos);
    EXPECT_EQ(RecordFolderProblem(dir.Dir()), "");
    for (const std::string& folder : {dir.File("none"), dir.File("RT_20240529.csv")}) {
        const std::string why = RecordFolderProblem(folder);
        EXPECT_TRUE(why.starts_with(folder + ": フォルダーを読めません（")) << why;
        EXPECT_GT(why.size(), folder.size() + 40) << why; // the system's reason follows
    }
}

// Messages of files without rows read before the first file with rows stay
// after the join, in the order the files were named.
TEST(RecordLimits, MessagesOfFilesWithoutRowsStayAfterTheJoin) {
    test::TempDir dir;
    WriteTextLines(dir.File("empty.csv"), {});
    WriteTextLines(dir.File("junk.csv"), {"junk"});
    WriteTextLines(dir.File("good.csv"), SecondLines(5));
    RecordReadOptions options;
    for (const int threads : {1, 2}) {
        options.Threads = threads;
        const RecordData d = ReadRecordFiles(
            {dir.File("empty.csv"), dir.File("junk.csv"), dir.File("good.csv")}, options);
        EXPECT_EQ(d.Rows(), 5u);
        ASSERT_EQ(d.Errors.size(), 2u) << threads;
        EXPECT_EQ(d.Errors[0], dir.File("empty.csv") + ": 記録がありません（空のファイル）");
        EXPECT_EQ(d.Errors[1],
                  dir.File("junk.csv") + ": 記録の行が見つかりません（読めなかった行: 1）");
        EXPECT_EQ(d.SkippedLines, 1u);
    }
}

// A channel a minute row does not carry (the layout narrowed in mid-file) is
// a gap in its maximum and minimum as well as in its average.
TEST(RecordLimits, AChannelARowLacksIsAGapInItsBandToo) {
    TSampleRec a;
    a.AirTemp1 = 15;
    std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Extended);
    lines.push_back(MinuteDataRow(RecordLayout::Extended, Day29() + 600 / 1440.0, a, a, a));
    for (const auto& line : MinuteHeaderPair(RecordLayout::Basic))
        lines.push_back(line);
    lines.push_back(MinuteDataRow(RecordLayout::Basic, Day29() + 601 / 1440.0, a, a, a));
    lines.push_back(MinuteDataRow(RecordLayout::Extended, Day29() + 602 / 1440.0, a, a, a));
    test::TempDir dir;
    WriteTextLines(dir.File("f"), lines);
    const RecordData d = ReadRecordBytes(ReadFileBytes(dir.File("f")));
    ASSERT_EQ(d.Rows(), 3u);
    const RecordColumn& at1 = d.Columns[static_cast<std::size_t>(d.Find("AT-1"))];
    for (int what = 0; what < 3; ++what) {
        const std::vector<float>& v = at1.Values(what);
        ASSERT_EQ(v.size(), 3u) << what;
        EXPECT_EQ(v[0], 15.0f) << what;
        EXPECT_TRUE(std::isnan(v[1])) << what;
        EXPECT_EQ(v[2], 15.0f) << what;
        EXPECT_EQ(CellText(at1, what, 1), "") << what;
    }
}

// The drawn line runs out of the view at both edges when rows lie beyond
// them, row by row and as each pixel's extremes alike.
TEST(RecordLimits, TheLineReachesBothEdgesOfTheView) {
    test::TempDir dir;
    WriteTextLines(dir.File("f"), SecondLines(20000));
    const RecordView view(ReadRecordBytes(ReadFileBytes(dir.File("f"))));
    std::vector<LinePoint> line;
    for (const int seconds : {50, 15000}) { // a few rows a pixel, then many
        const TDateTime from = Day29() + 100.5 / 86400, to = from + seconds / 86400.0;
        const bool extremes = view.Line(0, 0, from, to, 400, line);
        EXPECT_EQ(extremes, seconds > 800) << seconds;
        ASSERT_FALSE(line.empty());
        EXPECT_LT(line.front().Time, from) << seconds;
        EXPECT_GT(line.back().Time, to) << seconds;
        EXPECT_FALSE(std::isnan(line.back().Value)) << seconds;
    }
}

} // namespace
} // namespace qvr
