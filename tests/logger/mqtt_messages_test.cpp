#include "core/sample_validity.h"
#include "logger/mqtt_messages.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qvr::test {
namespace {

using nlohmann::json;

class MqttMessages : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        oldTz_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }
    void TearDown() override {
        if (hadTz_)
            ::setenv("TZ", oldTz_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::string oldTz_;
    bool hadTz_ = false;
};

TEST_F(MqttMessages, ASampleHoldsWhatTheSensorSentWithItsDigitsAndTheTimeInUtc) {
    TSampleRec s;
    s.Valid = true;
    s.WindSpeed = 7.919f;
    s.AirTemp = -0.1f;
    s.AdCount = 1200;
    s.ModelNo = 19.1f;
    s.DaOutput = 1e7f; // absurd but sent: published as sent
    s.Sent = FieldBit(SampleField::WindSpeed) | FieldBit(SampleField::AirTemp) |
             FieldBit(SampleField::AdCount) | FieldBit(SampleField::ModelNo) |
             FieldBit(SampleField::DaOutput);
    const TDateTime t = EncodeDateTime({2026, 12, 11, 9, 0, 5, 250}); // 09:00 in Tokyo
    const std::string text = SampleMessage(t, s, false);
    const json j = json::parse(text);
    EXPECT_EQ(j["time"], "2026-12-11T00:00:05.250Z");
    EXPECT_NE(text.find("\"M01\":7.919,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"M11\":-0.1,"), std::string::npos) << text;
    EXPECT_EQ(j["C52"], 1200);
    EXPECT_EQ(j["C53"].get<double>(), 1e7);
    EXPECT_EQ(j["S00"].dump(), "19.1");
    EXPECT_FALSE(j.contains("C11")) << "a field not sent is left out";
    EXPECT_TRUE(j["valid"].get<bool>());
    EXPECT_FALSE(j["fast"].get<bool>());
    EXPECT_EQ(IsoUtcText(EncodeDateTime({2027, 1, 1, 8, 59, 59, 999})), "2026-12-31T23:59:59.999Z");
}

TEST_F(MqttMessages, TheMinuteCarriesTheRowsOwnDigitsAndTheStatusWhoIsOnline) {
    const std::string row = "2026/12/11 10:00,3.250,4.100,2.000,21.5,21.6,21.4,";
    const json m = json::parse(MinuteMessage(EncodeDateTime({2026, 12, 11, 10, 0, 7, 0}), row, 60));
    EXPECT_EQ(m["minute"], "2026/12/11 10:00");
    EXPECT_EQ(m["count"], 60);
    EXPECT_EQ(m["average"].dump(), R"({"M01":3.25,"M11":21.5})");
    EXPECT_EQ(m["maximum"].dump(), R"({"M01":4.1,"M11":21.6})");
    EXPECT_EQ(m["minimum"].dump(), R"({"M01":2.0,"M11":21.4})");

    TSampleRec s;
    s.ModelNo = 19.1f;
    s.Version = 1.23f;
    const json before = json::parse(StatusOnlineMessage(s, "A12"));
    EXPECT_EQ(before["state"], "online");
    EXPECT_FALSE(before.contains("model")) << "not sent yet";
    s.Sent = FieldBit(SampleField::ModelNo) | FieldBit(SampleField::Version);
    const json after = json::parse(StatusOnlineMessage(s, "A12"));
    EXPECT_EQ(after["model"].dump(), "19.1");
    EXPECT_EQ(after["firmware"].dump(), "1.23");
    EXPECT_EQ(after["serial"], "A12");
    EXPECT_EQ(after["units"]["C51"], "V");
    EXPECT_EQ(json::parse(StatusOfflineMessage())["state"], "offline");
}

} // namespace
} // namespace qvr::test
