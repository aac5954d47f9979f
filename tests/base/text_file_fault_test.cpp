#include "base/ini_file.h"
#include "base/text_file.h"
#include "temp_dir.h"
#include "tests/file_faults.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace qvr {
namespace {

using test::FileCall;
using test::FileFault;
using test::FilesIn;

struct Failure {
    const char* name;
    FileCall call;
    int error;
    std::size_t keep; // bytes a failing write gets out first
};

void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.name;
}

class FailingFileCall : public ::testing::TestWithParam<Failure> {};

// Whatever call fails, a replaced file keeps its old content, the error names
// the file and the reason of the call that failed, and nothing is left behind.
TEST_P(FailingFileCall, LeavesTheReplacedFileAsItWasAndSaysWhy) {
    const Failure& f = GetParam();
    test::TempDir dir;
    const std::string path = dir.File("Port0.ini");
    ReplaceFileBytes(path, "[ComPortM]\r\nPort=COM7\r\n");

    const std::function<void()> writers[] = {
        [&] {
            WriteTextLines(path, {"short", "lines"});
        },
        [&] { IniFile(path).WriteString("ComPortM", "Port", "COM8"); },
    };
    for (const auto& write : writers) {
        FileFault fault(f.call, f.error, f.keep);
        try {
            write();
            ADD_FAILURE() << "no error";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(std::strerror(f.error)), std::string::npos)
                << e.what();
        }
        EXPECT_TRUE(fault.Hit());
        EXPECT_EQ(ReadFileBytes(path), "[ComPortM]\r\nPort=COM7\r\n");
        EXPECT_EQ(FilesIn(dir.Dir()), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, FailingFileCall,
                         ::testing::Values(Failure{"ShortWriteDiskFull", FileCall::Write, ENOSPC,
                                                   13},
                                           Failure{"WriteNothingQuota", FileCall::Write, EDQUOT, 0},
                                           Failure{"FlushIo", FileCall::Flush, EIO, 0},
                                           Failure{"SyncIo", FileCall::Sync, EIO, 0},
                                           Failure{"CloseQuota", FileCall::Close, EDQUOT, 0},
                                           Failure{"CloseIo", FileCall::Close, EIO, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

// An append that fails part-way takes back what it wrote: the file stays a
// clean table, and the next row follows the last whole one.
class FailingAppend : public ::testing::TestWithParam<Failure> {};

TEST_P(FailingAppend, TakesBackWhatDidNotLandWhole) {
    const Failure& f = GetParam();
    test::TempDir dir;
    const std::string path = dir.File("RT_20240529.csv");
    AppendTextLines(path, {"時刻,風速,気温(参考)", "2024/05/29 09:05.16,2.979,20.5,"});
    const std::string before = ReadFileBytes(path);
    {
        FileFault fault(f.call, f.error, f.keep);
        EXPECT_THROW(AppendTextLines(path, {"2024/05/29 09:05.17,2.979,20.5,"}), TextFileError);
        EXPECT_TRUE(fault.Hit());
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    AppendTextLines(path, {"2024/05/29 09:05.18,2.981,20.5,"});
    EXPECT_EQ(ReadFileBytes(path), before + "2024/05/29 09:05.18,2.981,20.5,\r\n");
}

INSTANTIATE_TEST_SUITE_P(Calls, FailingAppend,
                         ::testing::Values(Failure{"ShortWriteDiskFull", FileCall::Write, ENOSPC,
                                                   13},
                                           Failure{"WriteNothingQuota", FileCall::Write, EDQUOT, 0},
                                           Failure{"CloseIo", FileCall::Close, EIO, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FileWrite, AStaleErrorNumberDoesNotFailAGoodWrite) {
    test::TempDir dir;
    const std::string path = dir.File("a.csv");
    errno = ENOSPC;
    EXPECT_NO_THROW(WriteTextLines(path, {"a"}));
    errno = EIO;
    EXPECT_NO_THROW(AppendTextLines(path, {"b"}));
    EXPECT_EQ(ReadFileBytes(path), "a\r\nb\r\n");
}

// A real small file system that fills up: stdio, the kernel and the cut-back
// together. Needs the right to mount; skipped without it.
class FullFileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        if (::mount("qvr-full", dir.Dir().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k") != 0)
            GTEST_SKIP() << "cannot mount a small file system: " << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(dir.Dir().c_str(), MNT_DETACH);
    }
    test::TempDir dir;
    bool mounted = false;
};

TEST_F(FullFileSystem, KeepsOnlyWholeRowsAndTheOldVersionOfAReplacedFile) {
    const std::string settings = dir.File("BaseSetpoint.ini");
    WriteTextLines(settings, {"[Record]", "SecRec=1"});
    const std::string record = dir.File("RT_20240529.csv");
    const std::string row = "2024/05/29 09:05.17,2.979,20.5,"; // 33 bytes with CR LF
    int rows = 0;
    try {
        for (; rows < 10000; ++rows)
            AppendTextLines(record, {row});
        FAIL() << "the file system never filled";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
    std::string whole;
    for (int i = 0; i < rows; ++i)
        whole += row + "\r\n";
    EXPECT_EQ(ReadFileBytes(record), whole);

    EXPECT_THROW(WriteTextLines(settings, {"[Record]", "SecRec=0", std::string(20000, 'x')}),
                 TextFileError);
    EXPECT_EQ(ReadTextLines(settings), (std::vector<std::string>{"[Record]", "SecRec=1"}));
    EXPECT_EQ(FilesIn(dir.Dir()), 2u);
}

} // namespace
} // namespace qvr
