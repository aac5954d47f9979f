#include "core/group_write.h"
#include "tests/core/fake_link.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace qvr {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A link whose sensor answers at once (or not at all), as a real one would
// before the next tick; `payloads` keeps what went out.
class AnsweringLink final : public test::FakeLink {
public:
    // The answer payload for a request payload; nothing for no answer.
    std::function<std::optional<std::string>(const std::string&)> sensor;
    std::vector<std::string> payloads;

    void SendFrame(const std::string& payload) override {
        const std::size_t before = sent.size();
        FakeLink::SendFrame(payload);
        if (sent.size() == before) return; // too long for a frame: nothing on the line
        payloads.push_back(payload);
        if (!sensor) return;
        if (const auto answer = sensor(payload)) Answer(*answer);
    }
};

// "RW,k=v,…" echoed as "AW,k=v,…".
std::optional<std::string> Echo(const std::string& payload) {
    return "AW" + payload.substr(2);
}

class GroupWriteTest : public ::testing::Test {
protected:
    AnsweringLink link;
    Exchange exchange{link};
    TWritePrm prm = [] {
        TWritePrm p;
        ResetPrm(p);
        return p;
    }();
    std::vector<std::string> log;
    GroupWrite write{exchange, prm, [this](const std::string& line) { log.push_back(line); }};

    // Ticks until the timer would stop; returns how it ended.
    GroupWrite::TickResult Run(int maxTicks = 200) {
        for (int i = 0; i < maxTicks; ++i) {
            const auto r = write.Tick();
            if (r != GroupWrite::TickResult::Running) return r;
        }
        ADD_FAILURE() << "still running";
        return GroupWrite::TickResult::Running;
    }
    // Echoes every group but the one whose request begins with `start`, which gets `answer`.
    void AnswerGroupWith(const std::string& start, const std::string& answer) {
        link.sensor = [=](const std::string& payload) -> std::optional<std::string> {
            if (payload.rfind("RW," + start, 0) == 0) return answer;
            return Echo(payload);
        };
    }
};

const char* const kDefaultPayloads[] = {
    "RW,E91=1,P99=8137,E01=50.00,E02=5.00,E03=20.00,E04=0.2000,",
    "RW,P01=0.00,P02=0.00,P03=0.00,P04=0.00,",
    "RW,P05=0.00,P06=0.00,P07=0.00,P08=0.00,",
    "RW,P09=0.00,P10=0.00,P11=0.00,P12=0.00,",
    "RW,P13=0.00,P14=0.00,P15=0.00,P16=0.00,",
    "RW,P17=0.00,P18=0.00,P19=0.00,P20=0.00,",
    "RW,E16=0.000,E17=0.000,E12=0.000,E13=0.000,",
    "RW,P32=2.500,P41=9.000,",
    "RW,E91=0,P99=0,"};

TEST_F(GroupWriteTest, AnEchoingSensorTakesNineGroupsInNineteenTicks) {
    link.sensor = Echo;
    exchange.Collecting = true;
    write.Start();
    EXPECT_FALSE(exchange.Collecting);
    int ticks = 1;
    while (write.Tick() == GroupWrite::TickResult::Running) {
        ++ticks;
        EXPECT_FALSE(exchange.Collecting);
    }
    EXPECT_EQ(ticks, 19);
    EXPECT_EQ(write.WriteStep, 19);
    EXPECT_FALSE(write.SessionOpen()); // "Finish" was echoed
    EXPECT_FALSE(exchange.Collecting); // polling waits for the read-back
    EXPECT_THAT(link.payloads, ElementsAreArray(kDefaultPayloads));

    std::vector<std::string> expected = {"【書込み開始】"};
    for (const char* name : {"Group-1", "Group-2", "Group-3", "Group-4", "Group-5", "Group-6",
                             "Group-7", "Group-8", "Finish"}) {
        expected.push_back(std::string(name) + " ： 書込み");
        expected.push_back(std::string(name) + " ： 書込み成功！");
    }
    EXPECT_EQ(log, expected); // complete only once read back
}

TEST_F(GroupWriteTest, TheGroupsCarryTheParameterSetInTheirFormats) {
    for (std::size_t i = 0; i < 10; ++i) {
        prm.DIV[i] = static_cast<float>(i) + 0.5f;
        prm.VAL[i] = -static_cast<float>(i) - 0.125f;
    }
    prm.HeaterWatt = 0.12345f;
    prm.ATRevice1 = -0.0625f;
    prm.ChipStdV = 2500;
    const auto groups = WriteGroups(prm);
    EXPECT_EQ(groups[0].Pairs[5], (TKeyValStr{"E04", "0.1235"}));
    EXPECT_THAT(groups[5].Pairs,
                ElementsAre(TKeyValStr{"P17", "8.50"}, TKeyValStr{"P18", "-8.12"},
                            TKeyValStr{"P19", "9.50"}, TKeyValStr{"P20", "-9.12"}));
    EXPECT_EQ(groups[6].Pairs[1], (TKeyValStr{"E17", "-0.062"}));
    EXPECT_EQ(groups[7].Pairs[0], (TKeyValStr{"P32", "2500.000"}));
    const int compared[] = {5, 4, 4, 4, 4, 4, 4, 2, 2};
    for (std::size_t g = 0; g < groups.size(); ++g)
        EXPECT_EQ(groups[g].Compared, compared[g]) << groups[g].Name;
}

struct AnswerCase {
    const char* what;
    const char* group; // answered this way
    const char* start; // how its request begins after "RW,"
    const char* answer;
    std::vector<std::string> pairLines; // logged before the group's verdict
    bool passes;
};

TEST_F(GroupWriteTest, TheEchoDecidesEachGroup) {
    const AnswerCase cases[] = {
        {"heater output is not compared",
         "Group-1",
         "E91=1",
         "AW,E91=1,P99=8137,E01=50.00,E02=5.00,E03=20.00,E04=0.3,",
         {},
         true},
        {"numbers compare as numbers",
         "Group-1",
         "E91=1",
         "AW,E91=1.0,P99=8137.00,E01=5E1,E02=5,E03=20,",
         {},
         true},
        {"an echo cut after its first pairs",
         "Group-2",
         "P01=",
         "AW,P01=0.00,P02=0,",
         {"No Data! : P03:", "No Data! : P04:"},
         false},
        {"an echo without pairs",
         "Group-8",
         "P32=",
         "AW,",
         {"No Data! : P32:", "No Data! : P41:"},
         false},
        {"the uncompared heater output may be missing",
         "Group-1",
         "E91=1",
         "AW,E91=1,P99=8137,E01=50.00,E02=5.00,E03=20.00,",
         {},
         true},
        {"a read answer counts too", "Group-8", "P32=", "AD,P32=2.5,P41=9,", {}, true},
        {"one value differs",
         "Group-2",
         "P01=",
         "AW,P01=0.00,P02=0.01,P03=0.00,P04=0.00,",
         {"Data Missmatch! : P02:0.00 ? 0.01"},
         false},
        {"two values differ",
         "Group-7",
         "E16=",
         "AW,E16=0.001,E17=0.000,E12=0.000,E13=-1,",
         {"Data Missmatch! : E16:0.000 ? 0.001", "Data Missmatch! : E13:0.000 ? -1"},
         false},
        {"a poll answer arrives instead",
         "Group-1",
         "E91=1",
         "AD,M01=1.5,M11=20.1,",
         {"Key Missmatch! : E91 ? M01", "Key Missmatch! : P99 ? M11",
          "No Data! : E01:", "No Data! : E02:", "No Data! : E03:"},
         false},
        {"an echo that is not a number",
         "Group-8",
         "P32=",
         "AW,P32=abc,P41=9.000,",
         {"No Data! : P32:abc"},
         false},
        {"an empty echo value",
         "Group-3",
         "P05=",
         "AW,P05=,P06=0.00,P07=0.00,P08=0.00,",
         {"No Data! : P05:"},
         false},
        {"an echo beyond single precision",
         "Group-8",
         "P32=",
         "AW,P32=1e39,P41=9.000,",
         {"No Data! : P32:1e39"},
         false},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        link.payloads.clear();
        AnswerGroupWith(c.start, c.answer);
        write.Start();
        const auto result = Run();
        if (c.passes) {
            EXPECT_EQ(result, GroupWrite::TickResult::Completed);
            EXPECT_EQ(link.payloads.size(), 9u);
            continue;
        }
        EXPECT_EQ(result, GroupWrite::TickResult::Stopped);
        // The failing group was the last one sent; the pair lines, its verdict, the stop line.
        ASSERT_FALSE(link.payloads.empty());
        EXPECT_EQ(link.payloads.back().rfind(std::string("RW,") + c.start, 0), 0u);
        std::vector<std::string> expected = c.pairLines;
        expected.push_back(std::string(c.group) + " ： 書込み失敗！ 送信データ不一致");
        expected.push_back("書込み停止しました！");
        ASSERT_GE(log.size(), expected.size());
        EXPECT_EQ(
            std::vector<std::string>(log.end() - static_cast<long>(expected.size()), log.end()),
            expected);
        EXPECT_FALSE(exchange.Collecting);
    }
}

TEST_F(GroupWriteTest, ASilentSensorGetsEachGroupFourTimes) {
    write.Start();
    EXPECT_EQ(Run(), GroupWrite::TickResult::Stopped);
    EXPECT_EQ(link.payloads, std::vector<std::string>(4, kDefaultPayloads[0]));
    EXPECT_THAT(log, ElementsAre("【書込み開始】", "Group-1 ： 書込み",
                                 "Group-1 ： 応答なし 再書き込み！", "Group-1 ： 書込み",
                                 "Group-1 ： 応答なし 再書き込み！", "Group-1 ： 書込み",
                                 "Group-1 ： 応答なし 再書き込み！", "Group-1 ： 書込み",
                                 "Group-1 ： 応答なし 書込み失敗！", "書込み停止しました！"));
}

TEST_F(GroupWriteTest, EachGroupHasItsOwnThreeResends) {
    // Every group loses its first three answers and gets the fourth.
    std::map<std::string, int> tries;
    link.sensor = [&](const std::string& payload) -> std::optional<std::string> {
        if (++tries[payload] <= 3) return std::nullopt;
        return Echo(payload);
    };
    write.Start();
    EXPECT_EQ(Run(), GroupWrite::TickResult::Completed);
    EXPECT_EQ(link.payloads.size(), 9u * 4);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Group-8 ： 応答なし 再書き込み！"), 3);
    EXPECT_EQ(log.back(), "Finish ： 書込み成功！");
}

TEST_F(GroupWriteTest, StartingAgainDuringARunBeginsWithGroupOne) {
    int silent = 0;
    link.sensor = [&](const std::string& payload) -> std::optional<std::string> {
        if (payload.rfind("RW,P05=", 0) == 0 && silent++ < 2) return std::nullopt;
        return Echo(payload);
    };
    write.Start();
    while (write.ResendsLeft == 3)
        write.Tick(); // up to the first resend of Group-3
    EXPECT_EQ(write.ResendsLeft, 2);
    log.clear();
    link.payloads.clear();
    exchange.Collecting = true;
    write.Start();
    EXPECT_EQ(write.ResendsLeft, 3);
    EXPECT_FALSE(exchange.Collecting);
    EXPECT_EQ(Run(), GroupWrite::TickResult::Completed);
    EXPECT_EQ(link.payloads.front(), kDefaultPayloads[0]);
    EXPECT_EQ(log[1], "Group-1 ： 書込み");
}

TEST_F(GroupWriteTest, ASetWithAGroupThatDoesNotFitIsRefusedBeforeGroupOne) {
    link.sensor = Echo;
    // Too long for the pair list, and short enough for it but not for the frame.
    for (float value : {1e30f, 123456789.0f}) {
        SCOPED_TRACE(value);
        log.clear();
        link.payloads.clear();
        prm.DIV[2] = value;
        prm.VAL[2] = value;
        prm.DIV[3] = value;
        write.Start();
        EXPECT_EQ(Run(), GroupWrite::TickResult::Stopped);
        EXPECT_TRUE(link.payloads.empty()); // not even Group-1
        EXPECT_FALSE(write.SessionOpen());
        EXPECT_THAT(log, ElementsAre("【書込み開始】",
                                     "Group-3 ： 書込み失敗！ 送信データが1フレームに収まりません",
                                     "書込み停止しました！"));
    }
}

TEST_F(GroupWriteTest, ALateEchoOfAnEarlierGroupIsIgnoredAndTheGroupWaitsForItsOwn) {
    // Every echo arrives two and a half ticks after its request (400 ms on a
    // 160 ms timer): after the check that follows it, before the next one.
    std::vector<std::pair<int, std::string>> onTheLine;
    int tick = 0;
    link.sensor = [&](const std::string& payload) -> std::optional<std::string> {
        onTheLine.emplace_back(tick + 3, *Echo(payload));
        return std::nullopt;
    };
    write.Start();
    GroupWrite::TickResult result = GroupWrite::TickResult::Running;
    while (result == GroupWrite::TickResult::Running && tick < 200) {
        ++tick;
        for (auto& [due, answer] : onTheLine)
            if (due == tick) link.Answer(answer);
        result = write.Tick();
    }
    EXPECT_EQ(result, GroupWrite::TickResult::Completed);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.find("Missmatch") != l.npos; }),
              0);
    EXPECT_NE(std::find(log.begin(), log.end(), "Group-2 ： Group-1 の遅れた応答を無視しました"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Finish ： Group-8 の遅れた応答を無視しました"),
              log.end());
}

TEST_F(GroupWriteTest, TheClosingGroupIsSentOnceAndItsEchoJudged) {
    link.sensor = Echo;
    write.Start();
    for (int i = 0; i < 4; ++i)
        write.Tick(); // Group-1 and Group-2 written
    EXPECT_TRUE(write.SessionOpen());
    write.SendClosingGroup();
    EXPECT_FALSE(write.SessionOpen());
    EXPECT_EQ(link.payloads.back(), kDefaultPayloads[8]);
    EXPECT_TRUE(write.CheckClosingGroup());
    link.sensor = nullptr;
    write.SendClosingGroup();
    EXPECT_FALSE(write.CheckClosingGroup());
    write.SendClosingGroup();
    link.Answer(*Echo(kDefaultPayloads[0])); // Group-1's echo, late
    EXPECT_FALSE(write.CheckClosingGroup());
    EXPECT_THAT(std::vector<std::string>(log.end() - 7, log.end()),
                ElementsAre("Finish ： 書込み（センサーの書込みモードを閉じます）",
                            "Finish ： 書込み成功！",
                            "Finish ： 書込み（センサーの書込みモードを閉じます）",
                            "Finish ： 応答なし",
                            "Finish ： 書込み（センサーの書込みモードを閉じます）",
                            "Finish ： Group-1 の遅れた応答を無視しました", "Finish ： 応答なし"));
}

TEST_F(GroupWriteTest, AnIdleTickOnlyStops) {
    EXPECT_EQ(write.Tick(), GroupWrite::TickResult::Stopped);
    EXPECT_THAT(log, ElementsAre("書込み停止しました！"));
    EXPECT_TRUE(link.payloads.empty());
}

} // namespace
} // namespace qvr
