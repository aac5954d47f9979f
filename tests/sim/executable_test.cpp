// qvr-sensor-sim as a user starts it: options, a script, commands on standard
// input, the link, and quitting.

#include "tests/sim/sensor_client.h"
#include "tests/wait_until.h"

#include "base/number_text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qvr::sim {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class Executable : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qvr-sim-exe-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        link_ = (dir_ / "sensor").string();
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdin_) fclose(stdin_);
        fs::remove_all(dir_);
    }

    void Launch(std::vector<std::string> args) {
        int in[2];
        ASSERT_EQ(pipe(in), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        const std::string out = (dir_ / "out.txt").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        args.insert(args.begin(), QVR_SENSOR_SIM_EXE);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        stdin_ = fdopen(in[1], "w");
    }

    bool WaitForLink() {
        return qvr::test::WaitUntil([&] { return fs::is_symlink(link_); });
    }

    void Command(const std::string& line) {
        fputs((line + "\n").c_str(), stdin_);
        fflush(stdin_);
    }

    int WaitForExit() {
        int status = 0;
        if (!qvr::test::WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }))
            return -2;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Output() {
        std::ifstream in(dir_ / "out.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    double Read(test::SensorClient& client, const std::string& key) {
        const auto pairs = test::SensorClient::Pairs(client.Ask("RD," + key + ",").value_or(""));
        return pairs.empty() ? -1 : ParseNumber(pairs[0].Value).value_or(-1);
    }

    fs::path dir_;
    std::string link_;
    pid_t pid_ = -1;
    FILE* stdin_ = nullptr;
};

TEST_F(Executable, RunsAScriptThenTakesCommandsAndQuits) {
    const auto script = dir_ / "setup.txt";
    std::ofstream(script) << "# a tunnel run\nspeed 3\nnoise 0\nbogus\nmodel 19.00\n";
    Launch({"--link", link_, "--seed", "5", "--temp", "12.5", "--script", script.string(), "--pace",
            "burst", "--baud", "19200"});
    ASSERT_TRUE(WaitForLink());
    test::SensorClient client(link_);
    // The script runs after the link appears.
    EXPECT_TRUE(qvr::test::WaitUntil([&] { return Read(client, "S00") == 19.0; }));
    EXPECT_GT(Read(client, "M01"), 1.0); // factory parameters: not exactly 3, but moving
    EXPECT_NEAR(Read(client, "M11"), 12.5 + 0.05, 0.4);

    Command("speed 0");
    Command("params");
    Command("status");
    Command("quit");
    EXPECT_EQ(WaitForExit(), 0);
    const std::string out = Output();
    EXPECT_NE(out.find("link: " + link_ + " -> /dev/pts/"), std::string::npos) << out;
    EXPECT_NE(out.find("setup.txt:4: unknown command \"bogus\""), std::string::npos) << out;
    EXPECT_NE(out.find("E01 = 50\n"), std::string::npos) << out;
    EXPECT_NE(out.find("in 16 ms bursts at 19200 baud"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
}

TEST_F(Executable, KeepsServingAfterStandardInputEndsAndStopsOnSignal) {
    Launch({"--link", link_});
    ASSERT_TRUE(WaitForLink());
    fclose(stdin_);
    stdin_ = nullptr;
    std::this_thread::sleep_for(100ms);
    test::SensorClient client(link_);
    EXPECT_TRUE(client.Ask("RD,M01,"));
    kill(pid_, SIGTERM);
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
}

TEST_F(Executable, ExplainsItselfAndRefusesBadOptions) {
    Launch({"--help"});
    EXPECT_EQ(WaitForExit(), 0);
    const std::string help = Output();
    for (const char* word :
         {"--link", "/tmp/qvr-sensor", "--seed", "--script", "speed", "drop", "corrupt", "delay",
          "wrong", "mute", "hangup", "params", "quit", "--pace", "--baud"})
        EXPECT_NE(help.find(word), std::string::npos) << word;

    for (std::vector<std::string> bad : {std::vector<std::string>{"--seed", "x"},
                                         {"--speed"},
                                         {"--speed", "-3"},
                                         {"--noise", "x"},
                                         {"--frobnicate"},
                                         {"--pace", "fast"},
                                         {"--baud", "0"},
                                         {"--baud", "9600.5"},
                                         {"--script", (dir_ / "missing.txt").string()}}) {
        Launch(bad);
        EXPECT_EQ(WaitForExit(), 2) << bad[0];
    }
}

} // namespace
} // namespace qvr::sim
