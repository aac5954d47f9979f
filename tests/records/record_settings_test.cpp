#include "records/record_settings.h"

#include "base/text_file.h"
#include "tests/records/record_fixture.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

struct LoadCase {
    const char* ini;
    bool secRec;
    bool fastMode;
};

class LoadRecordSettingsTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadRecordSettingsTest, ReadsEachFlagAsAnInteger) {
    test::ScratchDir dir;
    const std::string path = dir.File("BaseSetpoint.ini");
    ReplaceFileBytes(path, GetParam().ini);
    TMySts sts;
    sts.SecRec = !GetParam().secRec; // every flag is set from the file
    sts.FastMode = !GetParam().fastMode;
    LoadRecordSettings(path, sts);
    EXPECT_EQ(sts.SecRec, GetParam().secRec);
    EXPECT_EQ(sts.FastMode, GetParam().fastMode);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LoadRecordSettingsTest,
    ::testing::Values(LoadCase{"[Record]\r\nSecRec=5\r\n[Collect]\r\nFastMode=1\r\n", true, true},
                      LoadCase{"[Record]\r\nSecRec=yes\r\n[Collect]\r\nFastMode=0\r\n", false,
                               false},
                      LoadCase{"[Record]\r\nSecRec=1\r\n", true, false},
                      LoadCase{"[Other]\r\nSecRec=1\r\nFastMode=1\r\n", false, false},
                      LoadCase{"", false, false}));

TEST(RecordSettings, AMissingFileReadsAsOff) {
    test::ScratchDir dir;
    TMySts sts;
    sts.SecRec = sts.FastMode = true;
    LoadRecordSettings(dir.File("BaseSetpoint.ini"), sts);
    EXPECT_FALSE(sts.SecRec);
    EXPECT_FALSE(sts.FastMode);
}

TEST(RecordSettings, SavingReplacesTheTwoKeysAndKeepsTheRestOfTheFile) {
    test::ScratchDir dir;
    const std::string path = dir.File("BaseSetpoint.ini");
    ReplaceFileBytes(path, "[Prm]\r\nGain=1.5\r\n[Record]\r\nSecRec=0\r\n");
    TMySts sts;
    sts.SecRec = true;
    SaveRecordSettings(path, sts);
    EXPECT_EQ(ReadFileBytes(path),
              "[Prm]\r\nGain=1.5\r\n[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=0\r\n");

    TMySts back;
    back.FastMode = true;
    LoadRecordSettings(path, back);
    EXPECT_TRUE(back.SecRec);
    EXPECT_FALSE(back.FastMode);
}

TEST(RecordSettings, AFileThatCannotBeWrittenIsIgnored) {
    test::ScratchDir dir;
    TMySts sts;
    sts.SecRec = true;
    EXPECT_NO_THROW(SaveRecordSettings(dir.File("missing/BaseSetpoint.ini"), sts));
    EXPECT_FALSE(FileExists(dir.File("missing/BaseSetpoint.ini")));
}

TEST(RecordSettings, TheViewersMemoryBudgetIsReadInMebibytes) {
    test::ScratchDir dir;
    const std::string path = dir.File("BaseSetpoint.ini");
    EXPECT_EQ(LoadViewerMemoryBudget(path), std::uint64_t{1} << 30); // no file
    const struct {
        const char* text;
        std::uint64_t bytes;
    } cases[] = {{"[Viewer]\r\nMemoryMB=256\r\n", 256u << 20},
                 {"[Viewer]\r\nMemoryMB=8192\r\n", std::uint64_t{8192} << 20},
                 {"[Viewer]\r\nMemoryMB=lots\r\n", 1u << 30},
                 {"[Viewer]\r\nMemoryMB=-5\r\n", 1u << 30},
                 {"[Record]\r\nMemoryMB=256\r\n", 1u << 30}};
    for (const auto& c : cases) {
        ReplaceFileBytes(path, c.text);
        EXPECT_EQ(LoadViewerMemoryBudget(path), c.bytes) << c.text;
    }
}

} // namespace
} // namespace qvr
