#include "core/write_procedure.h"

#include "core/param_keys.h"
#include "core/setpoint_file.h"
#include "sim/sensor_device.h"
#include "tests/base/temp_dir.h"
#include "tests/core/fake_link.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>

namespace qvr {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using Outcome = TWriteRecord::Outcome;
using Step = WriteProcedure::Step;

// The simulated sensor's protocol behind a link without a port: each request
// is answered at once, unless the test holds back reads or writes.
class SensorLink final : public test::FakeLink {
public:
    sim::SensorDevice device;
    bool answerReads = true;
    bool answerWrites = true;
    std::vector<std::string> payloads;

    void SendFrame(const std::string& payload) override {
        FakeLink::SendFrame(payload);
        payloads.push_back(payload);
        const bool write = payload.rfind("RW,", 0) == 0;
        if (write ? !answerWrites : !answerReads) return;
        if (const auto answer = device.Answer(payload, 0.0)) Answer(*answer);
    }
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const auto& p : payloads)
            if (p.rfind("RW,", 0) == 0) writes.push_back(p);
        return writes;
    }
};

class WriteProcedureTest : public ::testing::Test {
protected:
    WriteProcedureTest() {
        ResetPrm(prm);
        prm.SerialNo = "A12";
        prm.DifT0m = 48.5f;
        prm.VAL[0] = 0.25f;
        clock.Set({2026, 12, 10, 9, 30, 0, 0});
        exchange.Collecting = true;
    }

    // Ticks until the procedure ends (or `stopAt` says to stop ticking); a
    // confirmation is answered with `confirm`, unless that is unset.
    Step Run(const std::function<bool()>& stopAt = {}) {
        for (int i = 0; i < 400; ++i) {
            if (stopAt && stopAt()) return Step::Running;
            const Step step = procedure.Tick();
            if (step == Step::Confirm && confirm) {
                EXPECT_TRUE(procedure.Proceed(*confirm));
                if (!*confirm) return step;
                continue;
            }
            if (step != Step::Running) return step;
        }
        ADD_FAILURE() << "still running";
        return Step::Running;
    }
    bool Logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> files;
        if (std::filesystem::exists(dir.File("Backup")))
            for (const auto& f : std::filesystem::directory_iterator(dir.File("Backup")))
                files.push_back(dir.File("Backup") + "/" + f.path().filename().string());
        return files;
    }
    long ClosingGroupsSent() const {
        const auto writes = link.Writes();
        return std::count(writes.begin(), writes.end(), "RW,E91=0,P99=0,");
    }
    // Once the group's echo has been judged a match.
    std::function<bool()> AfterGroup(const char* name) {
        return [this, name] { return Logged(std::string(name) + " ： 書込み成功！"); };
    }

    std::optional<bool> confirm = true;
    test::TempDir dir;
    SensorLink link;
    Exchange exchange{link};
    ManualClock clock;
    TWritePrm prm{};
    TWriteRecord record;
    std::vector<std::string> log;
    WriteProcedure procedure{exchange,
                             prm,
                             clock,
                             dir.Dir(),
                             [](const TWritePrm& p, const std::string& path,
                                const std::string& note) { SaveSetpointFile(p, path, note); },
                             record,
                             [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(WriteProcedureTest, AWriteIsCompleteOnlyWhenItsReadBackAgrees) {
    procedure.Open();
    procedure.Start();
    EXPECT_EQ(Run(), Step::Verified);
    EXPECT_EQ(*link.device.Parameters().Value("E01"), 48.5f);
    EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
                ElementsAre("Finish ： 書込み成功！", "●●読戻し確認: 全30項目一致●●",
                            "●●書込み完了しました！●●"));
    EXPECT_EQ(log.front().rfind("バックアップ: " + dir.Dir() + "Backup/A12_", 0), 0u);
    EXPECT_TRUE(exchange.Collecting);
    EXPECT_EQ(record.Result, Outcome::Verified);
    EXPECT_EQ(record.At, clock.Now());
    EXPECT_EQ(record.Written.DifT0m, 48.5f);
}

// The plan goes into the log before anything is sent; a calibrated value
// waits for the operator, whose "no" sends nothing.
TEST_F(WriteProcedureTest, ThePlanIsLoggedAndCalibratedValuesWaitForTheOperator) {
    confirm.reset();
    procedure.Open();
    procedure.Start();
    EXPECT_EQ(Run(), Step::Confirm);
    EXPECT_TRUE(procedure.AwaitingConfirmation());
    EXPECT_TRUE(link.Writes().empty());
    EXPECT_FALSE(exchange.Collecting); // no poll answer can pose as Group-1's echo
    EXPECT_EQ(procedure.Plan().CalibratedChanges(), std::vector<std::string>{"E01"});
    EXPECT_EQ(log[1], "この書込みで変わる値（キー 名称: センサーの値 → 送る値）:");
    EXPECT_EQ(log[2], std::string("  E01 ") + ParamLabel("E01") + ": 50.00 → 48.50");
    EXPECT_EQ(log[3], std::string("  P02 ") + ParamLabel("P02") + ": 0.00 → 0.25");
    EXPECT_EQ(procedure.Tick(), Step::Confirm); // it waits, whatever the timer does
    EXPECT_TRUE(procedure.Proceed(false));
    EXPECT_FALSE(procedure.Proceed(false)); // answered once
    EXPECT_EQ(log.back(), "書込みを取りやめました（センサーには何も送っていません）");
    EXPECT_TRUE(exchange.Collecting);
    EXPECT_EQ(procedure.Tick(), Step::Ended);
    EXPECT_TRUE(link.Writes().empty());
    EXPECT_EQ(record.Result, Outcome::None);

    // Confirmed: the write runs.
    procedure.Start();
    EXPECT_EQ(Run(), Step::Confirm);
    EXPECT_TRUE(procedure.Proceed(true));
    EXPECT_EQ(log.back(), "【書込み開始】");
    confirm = true;
    EXPECT_EQ(Run(), Step::Verified);
}

TEST_F(WriteProcedureTest, UncalibratedChangesAreWrittenWithoutAQuestion) {
    confirm.reset();
    prm.DifT0m = 50.0f; // what the sensor holds
    procedure.Open();
    procedure.Start();
    EXPECT_EQ(Run(), Step::Verified);
    EXPECT_THAT(log, Contains(std::string("  P02 ") + ParamLabel("P02") + ": 0.00 → 0.25"));
}

// How each way a write ends is logged and recorded.
TEST_F(WriteProcedureTest, EachEndingIsLoggedAndRecorded) {
    struct Ending {
        const char* what;
        void (*setUp)(SensorLink&);
        Outcome outcome;
        std::vector<std::string> lastLines;
    };
    const Ending endings[] = {
        {"a value the sensor acknowledges but does not store",
         [](SensorLink& l) { l.device.SetUnstoredWrites({"P02"}); },
         Outcome::Failed,
         {"読戻し不一致! : P02:0.25 ? 0.00", "●●読戻し確認: 30項目中 不一致 1、読めず 0●●"}},
        {"a read-back without an answer",
         [](SensorLink& l) { l.answerReads = false; },
         Outcome::Unverified,
         {"●●読戻し確認: センサーの応答がありません●●",
          "●●書込み未確認: 読戻しで確かめられませんでした●●"}},
        {"a read-back missing a value",
         [](SensorLink& l) { l.device.SetEmptyReads(false, {"P41"}); },
         Outcome::Unverified,
         {"●●読戻し確認: 30項目中 不一致 0、読めず 1●●",
          "●●書込み未確認: 読戻しで確かめられませんでした●●"}},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.what);
        link.device = sim::SensorDevice();
        link.answerReads = true;
        log.clear();
        record = {};
        e.setUp(link);
        // The backup needs a full answer; a sensor that answers no reads gives none.
        procedure.Open();
        procedure.Start();
        EXPECT_EQ(Run(), Step::Ended);
        EXPECT_EQ(record.Result, e.outcome);
        EXPECT_FALSE(Logged("●●書込み完了しました！●●"));
        const auto tail = std::find(log.begin(), log.end(), e.lastLines.front());
        ASSERT_NE(tail, log.end());
        EXPECT_THAT(std::vector<std::string>(tail, tail + static_cast<long>(e.lastLines.size())),
                    ::testing::ElementsAreArray(e.lastLines));
        EXPECT_FALSE(exchange.Collecting); // until the window closes
    }
    EXPECT_EQ(log.back(), "●●書込み未確認: 読戻しで確かめられませんでした●●");
}

TEST_F(WriteProcedureTest, AReadBackWithADifferenceEndsFailedNamingTheBackup) {
    link.device.SetUnstoredWrites({"E01"});
    procedure.Open();
    procedure.Start();
    EXPECT_EQ(Run(), Step::Ended);
    ASSERT_EQ(Backups().size(), 1u);
    EXPECT_THAT(std::vector<std::string>(log.end() - 4, log.end()),
                ElementsAre("読戻し不一致! : E01:48.50 ? 50.00",
                            "●●読戻し確認: 30項目中 不一致 1、読めず 0●●",
                            "読戻し不一致 書込み失敗！ 元に戻すにはバックアップ " + Backups()[0] +
                                " を読み込んで送出してください",
                            "書込み停止しました！"));
    EXPECT_EQ(record.Result, Outcome::Failed);
}

TEST_F(WriteProcedureTest, ClosingDuringTheReadBackSaysTheWriteIsUnverified) {
    procedure.Open();
    procedure.Start();
    Run([&] { return procedure.Safeguard().Running() && Logged("Finish ： 書込み成功！"); });
    EXPECT_EQ(procedure.Close(), "");
    EXPECT_EQ(log.back(), "読戻し確認の途中で閉じました: 書込みは未確認です");
    EXPECT_EQ(record.Result, Outcome::Stopped);
    EXPECT_FALSE(procedure.Safeguard().Running());
}

TEST_F(WriteProcedureTest, ACancelAfterGroupTwoClosesTheWriteModeAndTellsHowToRestore) {
    procedure.Open();
    procedure.Start();
    Run(AfterGroup("Group-2"));
    EXPECT_TRUE(link.device.Parameters().SessionOpen());
    EXPECT_EQ(record.Result, Outcome::Stopped); // the sensor's set is no longer the one verified
    const std::size_t writes = link.Writes().size();
    const std::string warning = procedure.Close();
    ASSERT_EQ(Backups().size(), 1u);
    EXPECT_EQ(warning,
              "センサーには一部だけ書き込まれた設定が残っています。元に戻すにはバックアップ " +
                  Backups()[0] + " を読み込んで送出してください");
    EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
                ElementsAre("書込みを中止しました",
                            "Finish ： 書込み（センサーの書込みモードを閉じます）", warning));
    ASSERT_EQ(link.Writes().size(), writes + 1);
    EXPECT_EQ(link.Writes().back(), "RW,E91=0,P99=0,");
    EXPECT_FALSE(link.device.Parameters().SessionOpen());
    EXPECT_EQ(record.Result, Outcome::Stopped);
    EXPECT_EQ(procedure.Close(), ""); // once
    EXPECT_EQ(link.Writes().size(), writes + 1);
}

TEST_F(WriteProcedureTest, AWriteThatFailsMidwaySendsTheClosingGroupOnce) {
    struct Case {
        const char* what;
        void (*fault)(SensorLink&);
        const char* closingLine;
        bool sessionOpenAfter;
    } cases[] = {
        {"a value echoed otherwise",
         [](SensorLink& l) {
             l.device.SetForcedWrites({{"P05", "1.00"}});
         },
         "Finish ： 書込み成功！", false},
        {"a sensor fallen silent", [](SensorLink& l) { l.answerWrites = false; },
         "Finish ： 応答なし", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        link.device = sim::SensorDevice();
        link.answerWrites = true;
        link.payloads.clear();
        log.clear();
        procedure.Open();
        procedure.Start();
        Run(AfterGroup("Group-2"));
        c.fault(link);
        EXPECT_EQ(Run(), Step::Ended);
        EXPECT_EQ(ClosingGroupsSent(), 1);
        EXPECT_EQ(link.device.Parameters().SessionOpen(), c.sessionOpenAfter);
        ASSERT_GE(log.size(), 4u);
        EXPECT_EQ(log[log.size() - 4], "書込み停止しました！");
        EXPECT_EQ(log[log.size() - 3], "Finish ： 書込み（センサーの書込みモードを閉じます）");
        EXPECT_EQ(log[log.size() - 2], c.closingLine);
        EXPECT_THAT(log.back(), HasSubstr("センサーには一部だけ書き込まれた設定が残っています。"));
        EXPECT_EQ(record.Result, Outcome::Failed);
        EXPECT_EQ(procedure.Close(), ""); // told in the log already, nothing sent again
        EXPECT_EQ(ClosingGroupsSent(), 1);
    }
}

TEST_F(WriteProcedureTest, RepeatsAndRetriesReuseTheBackupOfTheOpening) {
    prm.ATRev = 9.5f; // in Group-8
    procedure.Open();
    procedure.Start();
    Run(AfterGroup("Group-2"));
    ASSERT_EQ(Backups().size(), 1u);
    const std::string backup = Backups()[0];
    EXPECT_EQ(*link.device.Parameters().Value("E01"), 48.5f); // half written

    // Pressed again during the write: no read before Group-1 this time.
    link.payloads.clear();
    clock.AdvanceSeconds(5);
    procedure.Start();
    EXPECT_EQ(log.back(), "【書込み開始】");
    EXPECT_EQ(log[log.size() - 2],
              "バックアップ: " + backup + "（この画面で最初の書込みの前に保存）");
    link.device.SetUnstoredWrites({"P41"}); // the repeat fails in its read-back
    EXPECT_EQ(Run(), Step::Ended);
    EXPECT_EQ(link.payloads.front(), "RW,E91=1,P99=8137,E01=48.50,E02=5.00,E03=20.00,E04=0.2000,");

    // Retried after the failure: the same backup again.
    link.device.SetUnstoredWrites({});
    clock.AdvanceSeconds(5);
    procedure.Start();
    EXPECT_EQ(Run(), Step::Verified);
    EXPECT_EQ(Backups(), std::vector<std::string>{backup});
    TWritePrm saved;
    ResetPrm(saved);
    LoadSetpointFile(saved, backup);
    EXPECT_EQ(saved.DifT0m, 50.0f); // what the sensor held before this opening
    EXPECT_EQ(saved.VAL[0], 0.0f);

    // A new opening takes a new backup.
    procedure.Open();
    clock.AdvanceSeconds(5);
    procedure.Start();
    EXPECT_EQ(Run(), Step::Verified);
    EXPECT_EQ(Backups().size(), 2u);
}

TEST_F(WriteProcedureTest, ASetThatCannotBeSentWritesNothing) {
    prm.VAL[9] = 1e30f;
    procedure.Open();
    procedure.Start();
    EXPECT_EQ(Run(), Step::Ended);
    EXPECT_TRUE(link.Writes().empty());
    EXPECT_THAT(log, Contains("Group-6 ： 書込み失敗！ 送信データが1フレームに収まりません"));
    EXPECT_THAT(log, Not(Contains(HasSubstr("一部だけ"))));
    EXPECT_EQ(record.Result, Outcome::Failed);
    EXPECT_EQ(procedure.Close(), "");
}

} // namespace
} // namespace qvr
