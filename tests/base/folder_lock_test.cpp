// One program per folder: the lock file beside the program, held by a real
// second process, and released by the system when that process is killed.
#include "base/folder_lock.h"
#include "base/text_file.h"
#include "temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvr {
namespace {

// A child process that takes the folder's lock and then waits to be killed.
class LockingChild {
public:
    explicit LockingChild(const std::string& folder) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            FolderLock lock(folder);
            const char held = lock.Busy() || !lock.Problem().empty() ? 'n' : 'y';
            (void)!::write(ready[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char held = 0;
        held_ = pid_ > 0 && ::read(ready[0], &held, 1) == 1 && held == 'y';
        ::close(ready[0]);
    }
    ~LockingChild() { Kill(); }
    bool Held() const { return held_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

TEST(FolderLock, ASecondHolderIsRefusedUntilTheFirstEndsHoweverItEnds) {
    test::TempDir dir;
    {
        FolderLock first(dir.Dir());
        EXPECT_FALSE(first.Busy());
        EXPECT_EQ(first.Problem(), "");
        FolderLock second(dir.Dir());
        EXPECT_TRUE(second.Busy());
        test::TempDir other; // another folder is another lock
        EXPECT_FALSE(FolderLock(other.Dir()).Busy());
    }
    EXPECT_FALSE(FolderLock(dir.Dir()).Busy());

    LockingChild child(dir.Dir());
    ASSERT_TRUE(child.Held());
    EXPECT_TRUE(FolderLock(dir.Dir()).Busy());
    child.Kill(); // no chance to clean up: the system lets go
    const FolderLock after(dir.Dir());
    EXPECT_FALSE(after.Busy());
    EXPECT_EQ(after.Problem(), "");
    EXPECT_TRUE(FileExists(dir.File(FolderLock::kFileName)));
}

TEST(FolderLock, AFolderThatCannotHoldTheLockIsReportedNotBusy) {
    test::TempDir dir;
    const FolderLock lock(dir.File("missing/"));
    EXPECT_FALSE(lock.Busy());
    EXPECT_NE(lock.Problem().find(dir.File("missing/")), std::string::npos) << lock.Problem();
}

// Two programs replacing the same file at once each write their own temporary
// file; with a shared name one would rename the other's away and fail.
TEST(FileReplace, TwoProcessesReplacingOneFileNeverFail) {
    test::TempDir dir;
    const std::string path = dir.File("BaseSetpoint.ini");
    constexpr int kRounds = 400;
    const auto replaceAll = [&](char fill) {
        int failures = 0;
        for (int i = 0; i < kRounds; ++i) {
            try {
                ReplaceFileBytes(path, std::string(4096, fill));
            } catch (const TextFileError&) {
                ++failures;
            }
        }
        return failures;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(replaceAll('b') == 0 ? 0 : 1);
    EXPECT_EQ(replaceAll('a'), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process failed";
    const std::string last = ReadFileBytes(path);
    EXPECT_TRUE(last == std::string(4096, 'a') || last == std::string(4096, 'b'));
    EXPECT_NE(TemporaryPathFor(path).find(std::to_string(::getpid())), std::string::npos);
}

} // namespace
} // namespace qvr
