#include "records/recorder.h"

#include "base/number_text.h"
#include "tests/records/record_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qvr {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t pos; (pos = text.find(sep, start)) != std::string::npos;
         start = pos + sep.size())
        parts.push_back(text.substr(start, pos - start));
    parts.push_back(text.substr(start));
    return parts;
}

const std::string kBasicNames = ",風速,,,気温(参考),,,";
const std::string kBasicColumns = "時刻,Avg,Max,Min,Avg,Max,Min,";
const std::string kExtendedNames =
    ",風速,,,気温(参考),,,気温（高精度）,,,風速（生値）,,,風速用温度,,,温度差,,,CPU使用率,,,"
    "電源電圧,,,AD変換回数,,,DA出力,,,AT-1,,,AT-2,,,WDT-1,,,WDT-2,,,";
const std::string kFullNames =
    ",風速,,,気温(参考),,,気温（高精度）,,,風速（生値）,,,風速用温度,,,温度差,,,CPU使用率,,,"
    "電源電圧,,,AD変換回数,,,DA出力,,,AT-1,,,AT-2,,,WDT-1,,,WDT-2,,,WD,,,Vector-X";

std::string Repeat(const std::string& part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

class RecorderTest : public ::testing::Test {
protected:
    test::MonitorWorld w;
    Recorder rec{w.context};

    // One tick a second from the clock's time on; prepare(k) sets the sample
    // before tick k.
    template <class Prepare> void Ticks(int count, Prepare prepare) {
        for (int k = 0; k < count; ++k) {
            prepare(k);
            rec.RecordTick();
            w.clock.AdvanceSeconds(1);
        }
    }
    void Ticks(int count) {
        Ticks(count, [](int) {});
    }
    void TickAt(int hour, int minute, int second) {
        w.At(29, hour, minute, second);
        rec.RecordTick();
    }

    // The file's lines; every line must end in CR LF.
    std::vector<std::string> Lines(const std::string& name) const {
        const std::string text = w.Text(w.RecordFile(name));
        if (text.empty()) return {};
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << name;
        auto lines = Split(text.substr(0, text.size() - 2), "\r\n");
        for (const auto& line : lines)
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        return lines;
    }
};

TEST_F(RecorderTest, FirstRowComesAtSecondSixOfTheNextMinuteAndOnlyOnce) {
    w.At(29, 12, 0, 30);
    w.current.Valid = true;
    w.current.AirTemp = 20;
    int n = 0;
    auto rising = [&](int) { w.current.WindSpeed = static_cast<float>(n++); };

    Ticks(36, rising); // 12:00:30 .. 12:01:05
    EXPECT_FALSE(FileExists(w.RecordFile("RT_20240529.RCD")));
    Ticks(1, rising); // 12:01:06: 37 samples, 0 to 36
    EXPECT_EQ(Lines("RT_20240529.RCD"),
              (std::vector<std::string>{kBasicNames, kBasicColumns,
                                        "2024/05/29 12:01,18,36,0,20,20,20,"}));
    EXPECT_EQ(rec.StatCount(), 0);

    Ticks(2, rising); // 12:01:07 and 12:01:08 stay latched
    EXPECT_EQ(Lines("RT_20240529.RCD").size(), 3u);
    EXPECT_EQ(rec.StatCount(), 2);

    Ticks(58, rising); // up to 12:02:06: samples 37 to 96
    const auto lines = Lines("RT_20240529.RCD");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "2024/05/29 12:02,66.5,96,37,20,20,20,");
}

TEST_F(RecorderTest, SamplesBeforeAStopAreMergedIntoTheFirstRowAfterResuming) {
    w.At(29, 12, 0, 0);
    w.current.Valid = true;
    w.current.WindSpeed = 1;
    Ticks(31); // 12:00:00 .. 12:00:30; row at 12:00:06, then 24 samples held
    w.current.Valid = false;
    w.sts.CollectionStopped = true;
    Ticks(289); // 12:00:31 .. 12:05:19: no rows, statistics kept
    EXPECT_EQ(rec.StatCount(), 24);
    w.current.Valid = true;
    w.sts.CollectionStopped = false;
    w.current.WindSpeed = 3;
    Ticks(47); // 12:05:20 .. 12:06:06

    const auto lines = Lines("RT_20240529.RCD");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "2024/05/29 12:00,1,1,1,0,0,0,");
    const std::string avg = GeneralNumberText(static_cast<float>((24 * 1 + 47 * 3) / 71.0));
    EXPECT_EQ(lines[3], "2024/05/29 12:06," + avg + ",3,1,0,0,0,");
}

// While collection runs, a reading that is not valid at the minute's boundary
// (a missed answer, a write, a line being reconnected) does not move the
// minute's samples under the next minute's time; a minute without a valid
// sample gets no row.
TEST_F(RecorderTest, EveryMinuteWithSamplesGetsItsOwnRowWhateverTheBoundaryReading) {
    w.At(29, 12, 0, 9);
    w.current.AirTemp = 20;
    Ticks(298, [&](int k) { // 12:00:09 .. 12:05:06
        const int second = (9 + k) % 60, minute = (9 + k) / 60;
        // Invalid at every boundary, and through the whole of 12:03:07 .. 12:04:06.
        w.current.Valid =
            second != 6 && !(minute == 3 && second >= 7) && !(minute == 4 && second <= 6);
        w.current.WindSpeed = static_cast<float>(minute + (second >= 7 ? 1 : 0));
    });
    const auto lines = Lines("RT_20240529.RCD");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         kBasicNames, kBasicColumns, "2024/05/29 12:01,1,1,1,20,20,20,",
                         "2024/05/29 12:02,2,2,2,20,20,20,", "2024/05/29 12:03,3,3,3,20,20,20,",
                         "2024/05/29 12:05,5,5,5,20,20,20,"}));
    EXPECT_EQ(rec.StatCount(), 0);
}

TEST_F(RecorderTest, WithoutCollectionNoFileIsWrittenButTheFolderIsMade) {
    w.At(29, 12, 0, 4);
    Ticks(2); // 12:00:04, 12:00:05
    EXPECT_FALSE(std::filesystem::exists(w.RecordFile("")));
    Ticks(1); // the minute's trigger
    EXPECT_TRUE(DirectoryExists(w.RecordFile("")));
    w.sts.SecRec = true;
    Ticks(60);
    EXPECT_TRUE(std::filesystem::is_empty(w.RecordFile("")));
}

TEST_F(RecorderTest, TheRowAfterMidnightOpensTheNewDaysFile) {
    w.At(29, 23, 59, 0);
    w.current.Valid = true;
    int n = 0;
    Ticks(71, [&](int k) { // 23:59:00 .. 00:00:10
        w.current.WindSpeed = k <= 6 ? 100.0f : static_cast<float>(n++);
    });
    EXPECT_EQ(Lines("RT_20240529.RCD"),
              (std::vector<std::string>{kBasicNames, kBasicColumns,
                                        "2024/05/29 23:59,100,100,100,0,0,0,"}));
    // 23:59:07 .. 00:00:06 are 60 samples, 0 to 59.
    EXPECT_EQ(Lines("RT_20240530.RCD"),
              (std::vector<std::string>{kBasicNames, kBasicColumns,
                                        "2024/05/30 00:00,29.5,59,0,0,0,0,"}));
}

TEST_F(RecorderTest, MaxAndMinStartFromTheirChannelsStartValues) {
    w.sts.MaintenanceMode = true;
    w.sts.WindDirModel = true;
    w.current.Valid = true;
    w.current.WindSpeed = 1200;
    w.current.AirTemp = -120;
    w.current.AirTempHiRes = 25;
    w.current.AdCount = -5;
    w.current.WindDir = -1500;
    w.current.VectorX = 12000;
    w.At(29, 12, 0, 6);
    Ticks(1);

    const auto lines = Lines("RT_20240529.RCD");
    ASSERT_FALSE(lines.empty());
    const auto cells = Split(lines.back(), ",");
    ASSERT_EQ(cells.size(), 1u + 16 * 3 + 1);
    const auto triple = [&](int channel) {
        const auto i = static_cast<std::size_t>(1 + channel * 3);
        return cells[i] + "," + cells[i + 1] + "," + cells[i + 2];
    };
    EXPECT_EQ(triple(0), "1200,1200,999");     // WindSpeed: min starts at 999
    EXPECT_EQ(triple(1), "-120,-99,-120");     // AirTemp: max starts at -99
    EXPECT_EQ(triple(2), "25,25,25");          // AirTempHiRes
    EXPECT_EQ(triple(3), "0,0,0");             // WindSpeedRaw: max starts at 0
    EXPECT_EQ(triple(4), "0,0,0");             // ProbeTemp
    EXPECT_EQ(triple(8), "-5,0,-5");           // AdCount
    EXPECT_EQ(triple(14), "-1500,-999,-1500"); // WindDir
    EXPECT_EQ(triple(15), "12000,12000,9999"); // VectorX
}

TEST_F(RecorderTest, AveragesAreSummedInDoubleAndStoredInSinglePrecision) {
    w.sts.MaintenanceMode = true;
    w.current.Valid = true;
    w.current.WindSpeed = 0.1f;
    w.At(29, 12, 0, 5);
    Ticks(2, [&](int k) { w.current.AdCount = 1001 + k; });

    const auto cells = Split(Lines("RT_20240529.RCD").back(), ",");
    ASSERT_EQ(cells.size(), 1u + 14 * 3 + 1);
    EXPECT_EQ(cells[1], "0.100000001490116");
    EXPECT_EQ(cells[1 + 8 * 3] + "," + cells[2 + 8 * 3] + "," + cells[3 + 8 * 3],
              "1001,1002,999"); // min start 999 stays below both samples
}

TEST_F(RecorderTest, OnlyAMaintenanceModeChangeBringsANewHeaderPair) {
    w.current.Valid = true;
    w.current.WindSpeed = 2;
    TickAt(12, 0, 6);
    TickAt(12, 0, 30);
    w.sts.MaintenanceMode = true;
    TickAt(12, 1, 6);
    TickAt(12, 1, 30);
    w.sts.WindDirModel = true; // 14 to 16 channels, no header
    TickAt(12, 2, 6);

    const auto lines = Lines("RT_20240529.RCD");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], kBasicNames);
    EXPECT_EQ(lines[2], "2024/05/29 12:00,2,2,2,0,0,0,");
    EXPECT_EQ(lines[3], kExtendedNames);
    EXPECT_EQ(lines[4], "時刻," + Repeat("Avg,Max,Min,", 14));
    EXPECT_EQ(Split(lines[5], ",").size(), 1u + 14 * 3 + 1);
    EXPECT_EQ(Split(lines[6], ",").size(), 1u + 16 * 3 + 1);
    EXPECT_TRUE(rec.LastLayoutExt());
}

TEST_F(RecorderTest, ANewFileInMaintenanceModeStartsWithTheHeaderPairTwice) {
    w.sts.MaintenanceMode = true;
    w.sts.WindDirModel = true;
    w.current.Valid = true;
    w.At(29, 12, 0, 6);
    Ticks(1);
    const auto lines = Lines("RT_20240529.RCD");
    ASSERT_EQ(lines.size(), 5u);
    const std::string columns = "時刻" + Repeat(",Avg,Max,Min", 16);
    EXPECT_EQ(lines[0], kFullNames);
    EXPECT_EQ(lines[1], columns);
    EXPECT_EQ(lines[2], kFullNames);
    EXPECT_EQ(lines[3], columns);
}

TEST_F(RecorderTest, SecondRowsComeEveryTickBeforeTheMinuteRow) {
    w.sts.SecRec = true;
    w.current.Valid = true;
    w.current.WindSpeed = 1.234f;
    w.current.AirTemp = 25.3f;
    w.At(29, 12, 0, 5);
    Ticks(3);
    w.current.Valid = false;
    Ticks(1);

    EXPECT_EQ(Lines("RT_20240529.csv"),
              (std::vector<std::string>{"時刻,風速,気温(参考)", "2024/05/29 12:00.05,1.234,25.3,",
                                        "2024/05/29 12:00.06,1.234,25.3,",
                                        "2024/05/29 12:00.07,1.234,25.3,"}));
    EXPECT_EQ(Lines("RT_20240529.RCD").size(), 3u);
}

TEST_F(RecorderTest, FilesAreCp932WithCrLfAfterEveryLine) {
    w.sts.SecRec = true;
    w.current.Valid = true;
    w.current.WindSpeed = 1.5f;
    w.current.AirTemp = 20;
    w.At(29, 12, 0, 6);
    Ticks(1);
    EXPECT_EQ(ReadFileBytes(w.RecordFile("RT_20240529.RCD")),
              ",\x95\x97\x91\xAC,,,\x8B\x43\x89\xB7(\x8E\x51\x8D\x6C),,,\r\n"
              "\x8E\x9E\x8D\x8F,Avg,Max,Min,Avg,Max,Min,\r\n"
              "2024/05/29 12:00,1.5,1.5,1.5,20,20,20,\r\n");
    EXPECT_EQ(ReadFileBytes(w.RecordFile("RT_20240529.csv")),
              "\x8E\x9E\x8D\x8F,\x95\x97\x91\xAC,\x8B\x43\x89\xB7(\x8E\x51\x8D\x6C)\r\n"
              "2024/05/29 12:00.06,1.500,20.0,\r\n");
}

TEST_F(RecorderTest, RowsAreAppendedToAnExistingFileAndAMissingLineEndIsMended) {
    w.sts.SecRec = true;
    w.current.Valid = true;
    ForceDirectories(w.RecordFile(""));
    ReplaceFileBytes(w.RecordFile("RT_20240529.csv"), "kept\r\npartial");
    ReplaceFileBytes(w.RecordFile("RT_20240529.RCD"), "kept\r\n");
    w.At(29, 12, 0, 6);
    Ticks(1);
    EXPECT_EQ(ReadFileBytes(w.RecordFile("RT_20240529.csv")),
              "kept\r\npartial\r\n2024/05/29 12:00.06,0.000,0.0,\r\n");
    EXPECT_EQ(ReadFileBytes(w.RecordFile("RT_20240529.RCD")),
              "kept\r\n2024/05/29 12:00,0,0,0,0,0,0,\r\n");
}

TEST_F(RecorderTest, AFileThatCannotBeOpenedIsLeftAloneAndOnlyItsRowIsLost) {
    w.sts.SecRec = true;
    w.current.Valid = true;
    w.current.WindSpeed = 7;
    // A folder in the files' place: present, but no file can be opened there.
    std::filesystem::create_directories(w.RecordFile("RT_20240529.RCD/inside"));
    std::filesystem::create_directories(w.RecordFile("RT_20240529.csv/inside"));
    w.At(29, 12, 0, 6);
    Ticks(1);
    EXPECT_EQ(rec.StatCount(), 0); // that minute is gone
    EXPECT_TRUE(std::filesystem::exists(w.RecordFile("RT_20240529.RCD/inside")));
    EXPECT_TRUE(std::filesystem::exists(w.RecordFile("RT_20240529.csv/inside")));

    std::filesystem::remove_all(w.RecordFile("RT_20240529.RCD"));
    w.current.WindSpeed = 9;
    TickAt(12, 0, 30);
    TickAt(12, 1, 6);
    EXPECT_EQ(
        Lines("RT_20240529.RCD"),
        (std::vector<std::string>{kBasicNames, kBasicColumns, "2024/05/29 12:01,9,9,9,0,0,0,"}));
}

TEST_F(RecorderTest, ARecordFolderThatCannotBeMadeLosesRowsAndSaysSoUntilRowsAreWritten) {
    w.sts.SecRec = true;
    w.current.Valid = true;
    ReplaceFileBytes(w.dir.File("Record"), "a file");
    w.At(29, 12, 0, 5);
    Ticks(3);                      // three second rows and the minute row of 12:00:06
    EXPECT_EQ(rec.StatCount(), 1); // reset by the lost minute row, then one more
    EXPECT_EQ(ReadFileBytes(w.dir.File("Record")), "a file");
    const RecordTrouble& trouble = rec.Trouble();
    EXPECT_TRUE(trouble.Failing);
    EXPECT_EQ(trouble.LostRows, 4);
    EXPECT_NE(trouble.Reason.find("Cannot create folder \"" + w.dir.File("Record") + "\""),
              std::string::npos)
        << trouble.Reason;

    std::filesystem::remove(w.dir.File("Record"));
    Ticks(1);
    EXPECT_FALSE(rec.Trouble().Failing);
    EXPECT_EQ(rec.Trouble().LostRows, 0);
    EXPECT_EQ(Lines("RT_20240529.csv").size(), 2u);
}

} // namespace
} // namespace qvr
