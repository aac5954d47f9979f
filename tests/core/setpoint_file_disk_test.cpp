// Setpoint files against a disk that fills and files far larger than any
// setpoint file: a save lands whole or not at all, and a load reads the file
// once, never more than the limit.
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "tests/base/temp_dir.h"
#include "tests/file_faults.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <cstring>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <unistd.h>

namespace qvr {
namespace {

using test::FileCall;
using test::FileFault;
using test::FilesIn;

TWritePrm Calibrated() {
    TWritePrm p;
    ResetPrm(p);
    p.DifT0m = 48.5f;
    p.AdjWS = 5.5f;
    p.HeaterWatt = 0.3f;
    return p;
}

struct Failure {
    FileCall call;
    int error;
    std::size_t keep;
};

// Whichever write the disk fills at, the file is the previous one byte for
// byte (or still absent, as a backup's is) and nothing else is left beside it;
// when no write fails, the whole new set is there. A stub holding the first
// keys would load the rest as factory defaults.
TEST(SetpointFileOnAFullDisk, ASaveLeavesThePreviousFileOrTheWholeNewOne) {
    const Failure failures[] = {{FileCall::Write, ENOSPC, 24},
                                {FileCall::Write, EDQUOT, 0},
                                {FileCall::Sync, EIO, 0},
                                {FileCall::Close, ENOSPC, 0}};
    const std::string previous = "[Record]\r\nSecRec=1\r\n[Early]\r\nDifT0m=47\r\n";
    for (const bool existed : {true, false}) {
        for (const Failure& f : failures) {
            for (int skip = 0; skip < 4; ++skip) {
                SCOPED_TRACE(testing::Message() << (existed ? "existing file" : "new file")
                                                << ", call " << int(f.call) << ", skip " << skip);
                test::TempDir dir;
                const std::string path = dir.File(existed ? "BaseSetpoint.ini" : "A12.qvr");
                if (existed) ReplaceFileBytes(path, previous);
                bool failed = false;
                {
                    FileFault fault(f.call, f.error, f.keep, skip);
                    try {
                        SaveSetpointFile(Calibrated(), path);
                    } catch (const IniFileError& e) {
                        failed = true;
                        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
                    }
                    EXPECT_EQ(failed, fault.Hit());
                }
                if (failed) {
                    EXPECT_EQ(FileExists(path), existed);
                    if (existed) {
                        EXPECT_EQ(ReadFileBytes(path), previous);
                    }
                    EXPECT_EQ(FilesIn(dir.Dir()), existed ? 1u : 0u);
                } else {
                    TWritePrm back;
                    ResetPrm(back);
                    const SetpointLoad load = LoadChosenSetpointFile(back, path);
                    EXPECT_TRUE(load.Defaulted.empty());
                    EXPECT_EQ(back.DifT0m, 48.5f);
                    EXPECT_EQ(back.HeaterWatt, 0.3f);
                }
            }
        }
    }
}

// A real small file system filled to the last byte: the previous settings
// file stays whole and a backup leaves nothing. Needs the right to mount.
TEST(SetpointFileOnAFullDisk, ARealFullFileSystemKeepsThePreviousFileAndLeavesNoBackup) {
    test::TempDir dir;
    if (::mount("qvr-full", dir.Dir().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small file system: " << std::strerror(errno);
    const std::unique_ptr<test::TempDir, void (*)(test::TempDir*)> unmount(
        &dir, [](test::TempDir* d) { ::umount2(d->Dir().c_str(), MNT_DETACH); });
    const std::string base = dir.File("BaseSetpoint.ini");
    const std::string previous = "[Record]\r\nSecRec=1\r\n[Early]\r\nDifT0m=47\r\n";
    ReplaceFileBytes(base, previous);
    ASSERT_TRUE(ForceDirectories(dir.File("Backup")));
    try {
        for (int i = 0;; ++i)
            ReplaceFileBytes(dir.File("fill" + std::to_string(i)), std::string(1024, 'x'));
    } catch (const TextFileError&) {
    }
    EXPECT_THROW(SaveSetpointFile(Calibrated(), base), IniFileError);
    EXPECT_EQ(ReadFileBytes(base), previous);
    const std::string backup = dir.File("Backup/A12_20261210_081502.qvr");
    EXPECT_THROW(SaveSetpointFile(Calibrated(), backup), IniFileError);
    EXPECT_EQ(FilesIn(dir.File("Backup")), 0u);

    std::filesystem::remove(test::Utf8Path(dir.File("fill0")));
    std::filesystem::remove(test::Utf8Path(dir.File("fill1")));
    SaveSetpointFile(Calibrated(), base);
    TWritePrm back;
    EXPECT_TRUE(LoadChosenSetpointFile(back, base).Defaulted.empty());
    EXPECT_EQ(back.DifT0m, 48.5f);
    EXPECT_NE(ReadFileBytes(base).find("SecRec=1"), std::string::npos);
}

// The kernel's account of what the program does with one file.
class FileWatch {
public:
    explicit FileWatch(const std::string& path) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0) ::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS);
    }
    ~FileWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Watching() const { return fd_ >= 0; }
    // Opens and reads since the last call.
    std::pair<int, int> Take() {
        int opens = 0, reads = 0;
        alignas(inotify_event) char buf[65536];
        ssize_t n = 0;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            for (char* at = buf; at < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(at);
                opens += (e->mask & IN_OPEN) ? 1 : 0;
                reads += (e->mask & IN_ACCESS) ? 1 : 0;
                at += sizeof(inotify_event) + e->len;
            }
        }
        return {opens, reads};
    }

private:
    int fd_ = -1;
};

// Each chunk read is one access; at most this many for the limit plus a byte.
constexpr int kReadsForLimit = int(kMaxIniFileBytes / 65536) + 2;

TEST(LargeSetpointFile, A100MegabyteFileIsRefusedAfterReadingAtMostTheLimit) {
    test::TempDir dir;
    const std::string path = dir.File("DefaultPrm.qvr");
    ReplaceFileBytes(path, "[Early]\r\nDifT0m=48.5\r\n");
    std::filesystem::resize_file(test::Utf8Path(path), 100u * 1024 * 1024);
    FileWatch watch(path);
    ASSERT_TRUE(watch.Watching());
    TWritePrm p = Calibrated();
    p.DifT0m = 1;
    for (const bool chosen : {true, false}) {
        try {
            chosen ? LoadChosenSetpointFile(p, path) : LoadSetpointFile(p, path);
            ADD_FAILURE() << "loaded";
        } catch (const SetpointFileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("1 MB"), std::string::npos) << e.what();
        }
        EXPECT_EQ(p.DifT0m, 1.0f); // untouched
        const auto [opens, reads] = watch.Take();
        EXPECT_EQ(opens, 1);
        EXPECT_LE(reads, kReadsForLimit);
    }
    // Saving into it would rewrite 100 MB of someone's data: refused, kept.
    EXPECT_THROW(SaveSetpointFile(p, path), IniFileError);
    EXPECT_EQ(std::filesystem::file_size(test::Utf8Path(path)), 100u * 1024 * 1024);
}

TEST(LargeSetpointFile, A900KilobyteFileLoadsFromOneRead) {
    test::TempDir dir;
    const std::string path = dir.File("DefaultPrm.qvr");
    // Short comment lines before the set: the slowest shape to look keys up in.
    std::string bytes;
    while (bytes.size() < 900 * 1024)
        bytes += ";\r\n";
    SaveSetpointFile(Calibrated(), path);
    ReplaceFileBytes(path, bytes + ReadFileBytes(path));
    FileWatch watch(path);
    ASSERT_TRUE(watch.Watching());
    TWritePrm p;
    ResetPrm(p);
    EXPECT_TRUE(LoadChosenSetpointFile(p, path).Defaulted.empty());
    EXPECT_EQ(p.DifT0m, 48.5f);
    EXPECT_EQ(p.AdjWS, 5.5f);
    const auto [opens, reads] = watch.Take();
    EXPECT_EQ(opens, 1);
    EXPECT_LE(reads, kReadsForLimit);
}

} // namespace
} // namespace qvr
