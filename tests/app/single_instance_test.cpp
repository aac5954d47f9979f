// One program per folder, with the real program: copies of it started in one
// folder against the simulated sensor, the first recording second rows.
#include "base/folder_lock.h"
#include "base/text_file.h"
#include "sim/simulated_sensor.h"
#include "tests/base/temp_dir.h"

#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace qvr {
namespace {

namespace fs = std::filesystem;

// The program run from `folder` on the offscreen platform, unattended: its
// demo presses start and would write parameters only after ten minutes.
class Program {
public:
    Program(const test::TempDir& folder, const std::string& name) {
        const std::string exe = folder.File("qvr-monitor");
        out_ = folder.File(name + ".out");
        err_ = folder.File(name + ".err");
        const std::string demo = folder.File(name + "-demo");
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "QVR_DEMO_SECONDS=600"};
        for (char** e = environ; *e; ++e)
            if (!std::string(*e).starts_with("QT_QPA_PLATFORM=")) env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string a0 = exe, a1 = "--demo", a2 = demo;
        char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&files, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, exe.c_str(), &files, nullptr, argv, envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~Program() { Kill(); }

    bool Started() const { return pid_ > 0; }
    // The exit code once it has ended by itself within `ms`; -1 while it runs.
    int WaitForExit(int ms) {
        int code = -1;
        (void)QTest::qWaitFor(
            [&] {
                int status = 0;
                if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return false;
                pid_ = -1;
                code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            },
            ms);
        return code;
    }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string Output() const { return FileExists(out_) ? ReadFileBytes(out_) : ""; }
    std::string Errors() const { return FileExists(err_) ? ReadFileBytes(err_) : ""; }

private:
    pid_t pid_ = -1;
    std::string out_, err_;
};

class OneProgramPerFolder : public ::testing::Test {
protected:
    test::TempDir dir{"qvr-folder "};
    std::unique_ptr<sim::SimulatedSensor> sensor;

    void SetUp() override {
        fs::copy_file(QVR_MONITOR_EXE, dir.Path() / "qvr-monitor");
        sim::SimulatedSensorOptions options;
        options.linkPath = dir.File("sensor");
        options.pacing = sim::LinePacing::Line;
        sensor = std::make_unique<sim::SimulatedSensor>(options);
        sensor->Start();
        std::ofstream(dir.File("Port0.ini"))
            << "[ComPortM]\r\nPort=" << options.linkPath << "\r\nBaudRate=38400\r\n";
        std::ofstream(dir.File("BaseSetpoint.ini")) << "[Record]\r\nSecRec=1\r\n";
    }
    void TearDown() override { sensor->Stop(); }

    // The rows of the day's second record files, in order.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        std::error_code ec;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dir.Path() / "Record", ec))
            if (e.path().extension() == ".csv") files.push_back(e.path());
        std::sort(files.begin(), files.end());
        // Only lines already ended: the program may be appending the next one.
        for (const auto& f : files) {
            const std::string bytes = ReadFileBytes(test::Utf8Text(f));
            for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos;
                 at = end + 2)
                if (bytes[at] >= '0' && bytes[at] <= '9') rows.push_back(bytes.substr(at, end - at));
        }
        return rows;
    }
    bool WaitForRows(std::size_t n) {
        return QTest::qWaitFor([&] { return Rows().size() >= n; }, 30000);
    }
};

// Whole rows, their stamps in order.
void ExpectWholeRowsInOrder(const std::vector<std::string>& rows) {
    const std::regex row(R"(\d{4}/\d\d/\d\d \d\d:\d\d\.\d\d,-?[0-9.]+,-?[0-9.]+,)");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(std::regex_match(rows[i], row)) << rows[i];
        if (i > 0) {
            EXPECT_LE(rows[i - 1].substr(0, 19), rows[i].substr(0, 19)) << rows[i];
        }
    }
}

TEST_F(OneProgramPerFolder, ASecondProgramEndsAndAKilledOneDoesNotBlockTheNext) {
    Program first(dir, "first");
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(WaitForRows(3)) << first.Errors();

    Program second(dir, "second");
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(30000), 1) << second.Errors();
    EXPECT_NE(second.Errors().find("このフォルダでは QVR-series Monitor がすでに動いています"),
              std::string::npos)
        << second.Errors();
    EXPECT_EQ(second.Output().find("demo: pressing start"), std::string::npos);

    // The first goes on recording alone.
    const std::size_t before = Rows().size();
    ASSERT_TRUE(WaitForRows(before + 3));
    ExpectWholeRowsInOrder(Rows());

    // Killed outright, it leaves its lock file; the next start works anyway.
    first.Kill();
    EXPECT_TRUE(FileExists(dir.File(FolderLock::kFileName)));
    const std::size_t left = Rows().size();
    Program next(dir, "next");
    ASSERT_TRUE(next.Started());
    EXPECT_TRUE(WaitForRows(left + 3)) << next.Errors();
    EXPECT_EQ(next.WaitForExit(0), -1) << next.Errors(); // still running
    ExpectWholeRowsInOrder(Rows());
}

} // namespace
} // namespace qvr
