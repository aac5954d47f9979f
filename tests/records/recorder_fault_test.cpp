#include "records/recorder.h"

#include "tests/file_faults.h"
#include "tests/records/record_fixture.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// The disk fills while a second row is written: the part that got out is taken
// back, the loss is told, and the next row that fits follows the last whole one.
TEST(RecorderOnAFullDisk, KeepsOnlyWholeRowsAndTellsOfTheLoss) {
    test::MonitorWorld w;
    Recorder rec{w.context};
    w.sts.SecRec = true;
    w.current.Valid = true;
    w.current.WindSpeed = 2.979f;
    w.current.AirTemp = 20.5f;
    w.At(29, 9, 5, 16);
    rec.RecordTick();
    {
        test::FileFault full(test::FileCall::Write, ENOSPC, 24);
        w.At(29, 9, 5, 17);
        rec.RecordTick();
        ASSERT_TRUE(full.Hit());
    }
    const RecordTrouble& trouble = rec.Trouble();
    EXPECT_TRUE(trouble.Failing);
    EXPECT_EQ(trouble.LostRows, 1);
    EXPECT_NE(trouble.Reason.find("RT_20240529.csv"), std::string::npos) << trouble.Reason;
    EXPECT_NE(trouble.Reason.find(std::strerror(ENOSPC)), std::string::npos) << trouble.Reason;

    w.At(29, 9, 5, 18);
    rec.RecordTick();
    EXPECT_FALSE(rec.Trouble().Failing);
    EXPECT_EQ(w.Text(w.RecordFile("RT_20240529.csv")), "時刻,風速,気温(参考)\r\n"
                                                       "2024/05/29 09:05.16,2.979,20.5,\r\n"
                                                       "2024/05/29 09:05.18,2.979,20.5,\r\n");
}

} // namespace
} // namespace qvr
