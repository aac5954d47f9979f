#include "core/step_log.h"

#include "base/text_file.h"
#include "core/sample_validity.h"
#include "tests/base/temp_dir.h"

#include <gtest/gtest.h>

namespace qvr::test {
namespace {

// The two header lines in CP932, each ended by CR LF.
const std::string kHeader = "\x2c\x95\x97\x91\xac\x2c\x8b\x43\x89\xb7\x2c\x89\xb7\x93\x78\x8d\xb7"
                            "\x2c\x95\x97\x91\xac(RAW),AT-1,AT-2,WDT-1,WDT-2,\r\n"
                            ",m/s.,\x81\x8e,\x81\x8e,m/s.,\x81\x8e,\x81\x8e,\x81\x8e,\x81\x8e,\r\n";

TSampleRec Entry(int hour, int minute, int second, float windSpeed) {
    TSampleRec e;
    e.Valid = true;
    e.Sent = PolledFields(false, false);
    e.Time = EncodeDateTime({2026, 12, 10, hour, minute, second, 999});
    e.WindSpeed = windSpeed;
    e.AirTempHiRes = 20.05f;
    e.TempDiff = 46;
    e.WindSpeedRaw = 0.1f;
    e.AirTemp1 = -0.5f;
    e.AirTemp2 = 1e20f;
    e.WdsTemp1 = 1.5e-5f;
    e.WdsTemp2 = 66;
    return e;
}

TEST(StepLog, WritesTheHistoryOldestFirstWithoutTheNewestEntry) {
    TempDir dir;
    const std::string path = dir.File("A12_ATR.csv");
    TSampleHistory h{};
    h[0] = Entry(9, 0, 3, 7.0f); // newest: never written
    h[1] = Entry(9, 0, 2, 0.0f);
    h[2] = Entry(23, 59, 59, 5.0f);
    h[2].Valid = false;    // the time stamp alone decides
    h[3].WindSpeed = 3.0f; // never written by a history step: no time stamp
    h[1023] = Entry(8, 43, 7, 0.25f);
    WriteStepLog(path, h);

    const auto line = [](const char* stamp, const char* wind) {
        return std::string(stamp) + "," + wind +
               ",20.0499992370605,46,0.100000001490116,-0.5,1.00000002004088E20,1.49999996210681E-"
               "5,66,\r\n";
    };
    EXPECT_EQ(ReadFileBytes(path), kHeader + line("2026/12/10 08:43:07", "0.25") +
                                       line("2026/12/10 23:59:59", "5") +
                                       line("2026/12/10 09:00:02", "0"));
}

TEST(StepLog, ReadingsTheSensorDidNotSendAreLeftEmpty) {
    TempDir dir;
    const std::string path = dir.File("A12_cal0.csv");
    TSampleHistory h{};
    h[1] = Entry(9, 0, 2, 0.5f);
    h[1].Sent = PolledFields(true, false); // fast mode: the first key set alone
    WriteStepLog(path, h);
    EXPECT_EQ(ReadTextLines(path).back(),
              "2026/12/10 09:00:02,0.5,20.0499992370605,,0.100000001490116,,,,,");
}

TEST(StepLog, EmptyHistoryGivesTheHeaderAndAStageKeepsOnlyItsLatestLog) {
    TempDir dir;
    const std::string path = dir.File("_calx.csv"); // an empty serial number
    TSampleHistory h{};
    h[1] = Entry(9, 0, 2, 4.5f);
    WriteStepLog(path, h);
    ASSERT_NE(ReadFileBytes(path), kHeader);
    WriteStepLog(path, TSampleHistory{});
    EXPECT_EQ(ReadFileBytes(path), kHeader);
}

TEST(StepLog, AFileThatCannotBeWrittenRaisesAnErrorNamingIt) {
    TempDir dir;
    const std::string path = dir.File("missing folder/A12_Fin.csv");
    try {
        WriteStepLog(path, TSampleHistory{});
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find("A12_Fin.csv"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace qvr::test
