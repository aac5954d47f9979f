#include "core/write_safeguard.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/param_keys.h"
#include "tests/base/temp_dir.h"
#include "tests/core/fake_link.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

// A sensor on a fake link that answers reads from the set it holds, with
// some keys answered otherwise ("" empty, or another value text).
class SafeguardTest : public ::testing::Test {
protected:
    SafeguardTest() {
        ResetPrm(held_);
        held_.DifT0m = 46.25f;
        held_.VAL[3] = -0.5f;
        clock_.Set({2026, 12, 10, 8, 15, 2, 0});
    }

    void Run() {
        for (int i = 0; i < 100 && guard_.Running(); ++i) {
            const std::size_t before = link_.sent.size();
            guard_.Tick();
            if (answer_ && link_.sent.size() > before) {
                const std::string& f = link_.LastSent();
                std::string rest = f.substr(4, f.find('>') - 4), reply = "AD,";
                for (std::size_t at; (at = rest.find(',')) != std::string::npos;
                     rest.erase(0, at + 1)) {
                    const std::string key = rest.substr(0, at);
                    const auto o = odd_.find(key);
                    reply += key + "=" +
                             (o != odd_.end() ? o->second
                                              : FormatFloat("%1.4f", *ParamField(held_, key))) +
                             ",";
                }
                link_.Answer(reply);
            }
        }
    }

    test::TempDir dir_;
    test::FakeLink link_;
    Exchange exchange_{link_};
    ManualClock clock_;
    TWritePrm held_{};
    std::map<std::string, std::string> odd_;
    bool answer_ = true;
    std::vector<std::string> log_;
    std::vector<std::pair<TWritePrm, std::string>> saved_;
    std::vector<std::string> notes_;
    std::string saveError_;
    WriteSafeguard guard_{
        exchange_, clock_, dir_.Dir(),
        [this](const TWritePrm& p, const std::string& path, const std::string& note) {
            if (!saveError_.empty()) throw std::runtime_error(saveError_);
            saved_.emplace_back(p, path);
            notes_.push_back(note);
            WriteTextLines(path, {"[Early]"});
        },
        [this](const std::string& line) { log_.push_back(line); }};
};

TEST_F(SafeguardTest, BackupSavesWhatTheSensorHoldsUnderItsSerialNumberAndLogsThePath) {
    exchange_.Collecting = true;
    guard_.StartBackup("A12", held_);
    EXPECT_FALSE(exchange_.Collecting);
    Run();
    EXPECT_TRUE(exchange_.Collecting);
    const std::string expected = dir_.Dir() + "Backup/A12_20261210_081502.qvr";
    ASSERT_EQ(log_, std::vector<std::string>{"バックアップ: " + expected});
    ASSERT_EQ(saved_.size(), 1u);
    EXPECT_EQ(saved_[0].second, expected);
    EXPECT_EQ(guard_.BackupPath(), expected);
    for (const auto& k : ParamKeys)
        EXPECT_EQ(*ParamField(saved_[0].first, k.Key), *ParamField(held_, k.Key)) << k.Key;
    for (const auto& frame : link_.sent)
        EXPECT_EQ(frame.substr(0, 4), "<RD,");
    // Writing what the sensor holds changes nothing, and the backup says so.
    EXPECT_TRUE(guard_.Plan().NothingToChange());
    EXPECT_EQ(notes_[0], "書込み前のセンサーの設定。この後の書込みで変わる値: なし");

    guard_.StartBackup("A12", held_); // a second write within the same second keeps the first file
    Run();
    EXPECT_EQ(guard_.BackupPath(), dir_.Dir() + "Backup/A12_20261210_081502_2.qvr");
}

TEST_F(SafeguardTest, TheBackupReadPlansTheWriteAndItsFileBeginsWithThePlan) {
    TWritePrm toSend = held_;
    toSend.DifT0m = 50.0f; // E01, calibrated
    toSend.VAL[2] = 0.25f; // P06
    odd_ = {{"P41", ""}};  // read empty: its change is unknown
    guard_.StartBackup("A12", toSend);
    Run();
    const WritePlan& plan = guard_.Plan();
    ASSERT_EQ(plan.Changes.size(), 2u);
    EXPECT_EQ(plan.Changes[0].Key, "E01");
    EXPECT_EQ(plan.Changes[1].Key, "P06");
    EXPECT_EQ(plan.Unread, std::vector<std::string>{"P41"});
    EXPECT_TRUE(saved_.empty()); // a partial set is no backup
    odd_.clear();
    guard_.StartBackup("A12", toSend);
    Run();
    ASSERT_EQ(notes_.size(), 1u);
    EXPECT_EQ(notes_[0], "書込み前のセンサーの設定。この後の書込みで変わる値: E01 " +
                             FormatFloat("%1.2f", held_.DifT0m) + " → 50.00, P06 " +
                             FormatFloat("%1.2f", held_.VAL[2]) + " → 0.25");
}

TEST_F(SafeguardTest, NoBackupIsSavedFromASilentOrIncompleteSensorAndTheLogSaysWhy) {
    answer_ = false;
    guard_.StartBackup("A12", held_);
    Run();
    odd_ = {{"E04", ""}, {"P41", "x"}};
    answer_ = true;
    guard_.StartBackup("A12", held_);
    Run();
    odd_.clear();
    saveError_ = "cannot write A12.qvr";
    guard_.StartBackup("A12", held_);
    Run();
    const std::vector<std::string> expected = {
        "バックアップ: センサーがパラメータを返さないため保存していません",
        "バックアップ: センサーが E04, P41 を返さないため保存していません",
        "バックアップ: 保存できませんでした: cannot write A12.qvr"};
    EXPECT_EQ(log_, expected);
    EXPECT_TRUE(saved_.empty());
    EXPECT_TRUE(guard_.BackupPath().empty());
}

TEST_F(SafeguardTest, ABackupFolderThatIsAFileIsReported) {
    WriteTextLines(dir_.File("Backup"), {"not a folder"});
    guard_.StartBackup("A12", held_);
    Run();
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_[0].rfind("バックアップ: 保存できませんでした: ", 0), 0u) << log_[0];
}

TEST_F(SafeguardTest, ReadBackLogsEachDifferingOrUnreadValueThenOneSummary) {
    struct Case {
        std::map<std::string, std::string> odd;
        std::vector<std::string> lines;
    } cases[] = {
        {{}, {"●●読戻し確認: 全30項目一致●●"}},
        {{{"E04", "0.2500"}, {"P08", "-0.49"}},
         {"読戻し不一致! : E04:0.2000 ? 0.2500", "読戻し不一致! : P08:-0.50 ? -0.49",
          "●●読戻し確認: 30項目中 不一致 2、読めず 0●●"}},
        {{{"E01", "46.250"}, {"P20", ""}},
         {"読戻しなし! : P20:0.00", "●●読戻し確認: 30項目中 不一致 0、読めず 1●●"}},
    };
    for (const auto& c : cases) {
        log_.clear();
        odd_ = c.odd;
        guard_.StartReadBack(held_);
        Run();
        EXPECT_EQ(log_, c.lines);
    }
    log_.clear();
    answer_ = false;
    guard_.StartReadBack(held_);
    Run();
    EXPECT_EQ(log_, std::vector<std::string>{"●●読戻し確認: センサーの応答がありません●●"});
}

TEST_F(SafeguardTest, StoppingEndsTheReadQuietlyAndGivesPollingBack) {
    exchange_.Collecting = true;
    guard_.StartReadBack(held_);
    guard_.Tick();
    guard_.Stop();
    EXPECT_FALSE(guard_.Running());
    EXPECT_TRUE(exchange_.Collecting);
    guard_.Tick();
    EXPECT_TRUE(log_.empty());
}

TEST(StampedFileName, SerialDateAndTimeWithUnsafeCharactersReplaced) {
    const TDateTime t = EncodeDateTime({2026, 12, 10, 8, 5, 9, 0});
    EXPECT_EQ(StampedFileName("A12", t, ".pdf"), "A12_20261210_080509.pdf");
    EXPECT_EQ(StampedFileName("a/b:c*?", t, ".qvr"), "a_b_c___20261210_080509.qvr");
    // A sensor without a serial number still gets a name that says so.
    EXPECT_EQ(StampedFileName("", t, ".qvr"), "no-serial_20261210_080509.qvr");
    EXPECT_EQ(StampedFileName("  ", t, ".qvr"), "no-serial_20261210_080509.qvr");
    EXPECT_EQ(StampedFileName(" W01 ", t, ".qvr"), "W01_20261210_080509.qvr");
}

} // namespace
} // namespace qvr
