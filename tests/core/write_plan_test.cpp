#include "core/write_plan.h"

#include "base/text_file.h"
#include "core/param_keys.h"
#include "core/setpoint_file.h"
#include "tests/base/temp_dir.h"

#include <gtest/gtest.h>
#include <set>

namespace qvr {
namespace {

// The sensor's set as a read brings it: every key, from a parameter set.
std::map<std::string, float> Held(const TWritePrm& prm) {
    std::map<std::string, float> held;
    for (const ParamKey& k : ParamKeys)
        held[k.Key] = *ParamField(prm, k.Key);
    return held;
}

std::vector<std::string> Keys(const WritePlan& plan) {
    std::vector<std::string> keys;
    for (const auto& c : plan.Changes)
        keys.push_back(c.Key);
    return keys;
}

class WritePlanTest : public ::testing::Test {
protected:
    WritePlanTest() {
        // A calibrated sensor, and the start-up set about to be sent over it.
        ResetPrm(sensor);
        sensor.DifT0m = 46.0f;
        sensor.AdjDifT = 17.47f;
        sensor.ATRevice0 = -0.226f;
        sensor.WDTRevice0 = -0.382f;
        ResetPrm(toSend);
    }
    TWritePrm sensor{};
    TWritePrm toSend{};
};

TEST_F(WritePlanTest, ListsExactlyTheKeysThatChangeAndAsksForTheCalibratedOnes) {
    toSend.VAL[2] = 0.5f; // P06, not a calibrated value
    const WritePlan plan = PlanWrite(toSend, Held(sensor), false);
    EXPECT_EQ(Keys(plan), (std::vector<std::string>{"E01", "E03", "P06", "E16", "E12"}));
    EXPECT_EQ(plan.CalibratedChanges(), (std::vector<std::string>{"E01", "E03", "E16", "E12"}));
    EXPECT_TRUE(plan.NeedsConfirmation());
    EXPECT_FALSE(plan.NothingToChange());
    const PlannedChange& e01 = plan.Changes[0];
    EXPECT_EQ(e01.SensorNow, "46.00");
    EXPECT_EQ(e01.ToSend, "50.00");
    EXPECT_EQ(e01.Label, ParamLabel("E01"));
    const auto lines = PlanLines(plan);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "この書込みで変わる値（キー 名称: センサーの値 → 送る値）:");
    EXPECT_EQ(lines[1], std::string("  E01 ") + ParamLabel("E01") + ": 46.00 → 50.00");
    EXPECT_EQ(lines[4], std::string("  E16 ") + ParamLabel("E16") + ": -0.226 → 0.000");
}

TEST_F(WritePlanTest, OnlyUncalibratedChangesGoWithoutConfirmation) {
    toSend = sensor;
    toSend.AdjWS = 6.0f;    // E02
    toSend.ChipStdV = 3.3f; // P32
    const WritePlan plan = PlanWrite(toSend, Held(sensor), false);
    EXPECT_EQ(Keys(plan), (std::vector<std::string>{"E02", "P32"}));
    EXPECT_FALSE(plan.NeedsConfirmation());
}

TEST_F(WritePlanTest, NothingToChangeIsSaidAndAskedAbout) {
    const WritePlan plan = PlanWrite(sensor, Held(sensor), false);
    EXPECT_TRUE(plan.Changes.empty());
    EXPECT_TRUE(plan.NothingToChange());
    EXPECT_TRUE(plan.NeedsConfirmation());
    EXPECT_EQ(PlanLines(plan),
              std::vector<std::string>{
                  "この書込みで変わる値: なし（センサーは送る値をすべて持っています）"});
    EXPECT_EQ(PlanSummary(plan), "書込み前のセンサーの設定。この後の書込みで変わる値: なし");
}

// A calibrated value the read did not bring may be replaced unseen: asked.
TEST_F(WritePlanTest, UnreadKeysAreUnknownAndUnreadCalibratedOnesAreAsked) {
    auto held = Held(sensor);
    held.erase("P41");
    WritePlan plan = PlanWrite(sensor, held, false);
    EXPECT_EQ(plan.Unread, std::vector<std::string>{"P41"});
    EXPECT_FALSE(plan.NothingToChange());
    EXPECT_FALSE(plan.NeedsConfirmation());
    held.erase("E13");
    plan = PlanWrite(sensor, held, false);
    EXPECT_EQ(plan.CalibratedUnread(), std::vector<std::string>{"E13"});
    EXPECT_TRUE(plan.NeedsConfirmation());
    EXPECT_EQ(PlanLines(plan).back(), "センサーから読めず、変わるか分からない値: E13, P41");

    plan = PlanWrite(sensor, {}, true); // a silent sensor: everything unknown
    EXPECT_TRUE(plan.NeedsConfirmation());
    EXPECT_EQ(PlanLines(plan).size(), 1u);
}

// A value changes when what goes out on the line differs from what the sensor keeps.
TEST(WouldChange, ComparesWhatIsSentInItsFormatWithTheSensorsSinglePrecision) {
    const struct {
        const char* key;
        float toSend, held;
        bool changes;
    } cases[] = {
        {"E01", 46.0f, 46.0f, false},     {"E01", 46.004f, 46.0f, false}, // sent as 46.00
        {"E01", 46.0f, 46.004f, true}, // the sensor holds more than the field can send
        {"E16", -0.226f, -0.226f, false}, {"E16", -0.2261f, -0.226f, false},
        {"E04", 0.2f, 0.2f, false},       {"E04", 0.2f, 0.25f, true},
        {"P41", 9.0f, 9.0005f, true},     {"M01", 1.0f, 2.0f, false}, // not a parameter
    };
    for (const auto& c : cases)
        EXPECT_EQ(WouldChange(c.key, c.toSend, c.held), c.changes)
            << c.key << " " << c.toSend << " " << c.held;
}

// One table holds every label: what the value is and its unit, and whether a
// calibration sets it.
TEST(ParamKeys, EveryLabelNamesItsUnitAndTheCalibratedKeysAreTheCalibrationsOwn) {
    std::set<std::string> calibrated, unitless;
    for (const ParamKey& k : ParamKeys) {
        const std::string label = k.Label, unit = k.Unit;
        EXPECT_EQ(label, std::string(k.Name) + (unit.empty() ? "" : " (" + unit + ")")) << k.Key;
        if (k.Calibrated) calibrated.insert(k.Key);
        if (unit.empty()) {
            unitless.insert(k.Key);
            continue;
        }
        const std::string tail = " (" + unit + ")";
        ASSERT_GT(label.size(), tail.size()) << k.Key;
        EXPECT_EQ(label.substr(label.size() - tail.size()), tail) << k.Key;
    }
    EXPECT_EQ(calibrated, (std::set<std::string>{"E01", "E03", "E12", "E13", "E16", "E17"}));
    EXPECT_EQ(unitless, std::set<std::string>{"P41"}); // a correction factor
    EXPECT_EQ(std::string(ParamLabel("E12")), "素子温度器差-1 (℃)");
    EXPECT_EQ(ParamLabel("M01"), nullptr);
}

TEST(SetpointFileNote, ABackupBeginsWithItsNoteInTheFilesCodePageAndLoadsAsBefore) {
    test::TempDir dir;
    TWritePrm prm;
    ResetPrm(prm);
    prm.DifT0m = 46.0f;
    const std::string path = dir.File("W01_20261211_095633.qvr");
    SaveSetpointFile(prm, path, "書込み前のセンサーの設定。\r\nE01 46.00 → 50.00");
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.rfind("; " + Utf8ToCp932("書込み前のセンサーの設定。  E01 46.00 → 50.00") +
                              "\r\n[Early]",
                          0),
              0u);
    TWritePrm back;
    ResetPrm(back);
    LoadSetpointFile(back, path);
    EXPECT_EQ(back.DifT0m, 46.0f);
    // A file that exists keeps its own head.
    SaveSetpointFile(prm, path, "another note");
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

} // namespace
} // namespace qvr
