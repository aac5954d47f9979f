#include "base/number_text.h"
#include "core/param_keys.h"
#include "core/param_reader.h"
#include "tests/core/fake_link.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

using test::FakeLink;

std::string Payload(const std::string& frame) {
    return frame.substr(1, frame.find('>') - 1);
}

// The keys of a read request frame.
std::vector<std::string> Keys(const std::string& frame) {
    std::vector<std::string> keys;
    std::string p = Payload(frame).substr(3);
    for (std::size_t at; (at = p.find(',')) != std::string::npos; p.erase(0, at + 1))
        keys.push_back(p.substr(0, at));
    return keys;
}

// Answers a read request the way a sensor holding `prm` would, leaving out
// or emptying the keys it is told to.
std::string AnswerFor(const std::string& frame, const TWritePrm& prm,
                      const std::map<std::string, std::string>& odd = {}) {
    std::string answer = "AD,";
    for (const auto& key : Keys(frame)) {
        const auto o = odd.find(key);
        if (o != odd.end() && o->second == "(none)") continue;
        const std::string value =
            o != odd.end() ? o->second : FormatFloat("%1.4f", *ParamField(prm, key));
        answer += key + "=" + value + ",";
    }
    return answer;
}

class ParamReaderTest : public ::testing::Test {
protected:
    ParamReaderTest() {
        ResetPrm(sensor_);
        sensor_.DifT0m = 46.25f;
        sensor_.HeaterWatt = 0.25f;
        sensor_.VAL[9] = -1.5f;
        sensor_.ATRev = 8.5f;
        ResetPrm(shown_);
    }

    // Runs the reader to its end, answering every request it sends.
    int Run(const std::map<std::string, std::string>& odd = {}, bool answer = true) {
        int ticks = 0;
        std::size_t seen = link_.sent.size();
        reader_.Start();
        while (reader_.Tick() && ticks < 100) {
            ++ticks;
            EXPECT_FALSE(exchange_.Collecting);
            if (answer && link_.sent.size() > seen)
                link_.Answer(AnswerFor(link_.LastSent(), sensor_, odd));
            seen = link_.sent.size();
        }
        return ticks + 1;
    }

    FakeLink link_;
    Exchange exchange_{link_};
    ParamReader reader_{exchange_};
    TWritePrm sensor_, shown_;
};

TEST_F(ParamReaderTest, ReadsEveryWrittenKeyInAsFewRequestsAsTheFrameLimitAllows) {
    exchange_.Collecting = true;
    EXPECT_EQ(Run(), 6); // three requests, each answered by the next tick
    EXPECT_TRUE(exchange_.Collecting);
    ASSERT_EQ(link_.sent.size(), 3u);
    std::vector<std::string> asked;
    for (const auto& frame : link_.sent) {
        EXPECT_EQ(frame.substr(0, 4), "<RD,") << frame; // nothing is written
        EXPECT_LE(frame.find('>') + 1, 64u);
        for (const auto& k : Keys(frame))
            asked.push_back(k);
    }
    EXPECT_EQ(Keys(link_.sent[0]).size(), 14u); // one more would pass 64 characters
    ASSERT_EQ(asked.size(), ParamKeys.size());
    for (std::size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], ParamKeys[i].Key);

    EXPECT_TRUE(reader_.Complete());
    EXPECT_FALSE(reader_.Silent());
    reader_.ApplyTo(shown_);
    shown_.SerialNo = sensor_.SerialNo;
    for (const auto& k : ParamKeys)
        EXPECT_EQ(*ParamField(shown_, k.Key), *ParamField(sensor_, k.Key)) << k.Key;
}

TEST_F(ParamReaderTest, KeysAnsweredEmptyBadlyOrNotAtAllAreNamedAndKeepTheirValues) {
    shown_.HeaterWatt = 0.3f;
    shown_.VAL[9] = 7;
    Run({{"E04", ""}, {"P20", "(none)"}, {"P41", "1e39"}, {"E12", "abc"}});
    EXPECT_FALSE(reader_.Complete());
    EXPECT_EQ(JoinKeys(reader_.Missing()), "E04, P20, E12, P41");
    reader_.ApplyTo(shown_);
    EXPECT_EQ(shown_.HeaterWatt, 0.3f);
    EXPECT_EQ(shown_.VAL[9], 7.0f);
    EXPECT_EQ(shown_.ATRev, 9.0f);
    EXPECT_EQ(shown_.DifT0m, 46.25f);
}

TEST_F(ParamReaderTest, ASilentSensorGetsEachRequestFourTimesThenTheReadEnds) {
    exchange_.Collecting = false;
    const int ticks = Run({}, false);
    EXPECT_EQ(ticks, 8);
    EXPECT_EQ(link_.sent.size(), 4u); // the first request and three resends; no later batch
    EXPECT_TRUE(reader_.Silent());
    EXPECT_EQ(reader_.Missing().size(), ParamKeys.size());
    EXPECT_FALSE(exchange_.Collecting);
}

TEST_F(ParamReaderTest, AStrayAnswerToAPollIsNotTakenForTheParameters) {
    reader_.Start();
    reader_.Tick();
    link_.Answer("AD,M01=1.234,M11=20.0,C01=1.2,C11=20.01,C12=30.0,"); // late poll answer
    link_.Answer(AnswerFor(link_.LastSent(), sensor_));                // after it: ignored
    reader_.Tick();
    EXPECT_TRUE(reader_.Running());
    EXPECT_TRUE(reader_.Values().empty());
    reader_.Tick(); // resent
    EXPECT_EQ(link_.sent.size(), 2u);
    EXPECT_EQ(link_.sent[1], link_.sent[0]);
    reader_.Stop();
    EXPECT_FALSE(reader_.Running());
    EXPECT_FALSE(reader_.Tick());
}

} // namespace
} // namespace qvr
