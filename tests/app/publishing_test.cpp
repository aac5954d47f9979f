// The desktop program's recorder publishing to a real broker, as [MQTT] in
// BaseSetpoint.ini asks.

#include "tests/base/temp_dir.h"
#include "tests/local_state.h"
#include "tests/logger/broker.h"

#include "app/publishing.h"
#include "core/sample_validity.h"
#include "records/recorder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qvr::test {
namespace {

using nlohmann::json;

TEST(Publishing, TheRecordersSamplesAndMinuteRowsGoToTheBrokerAndOfflineAtTheEnd) {
    LocalState st;
    Broker broker(st.dir.Dir());
    ASSERT_TRUE(broker.Start());
    Subscriber sub(broker.Port(), "qvr/D7/#");
    ASSERT_TRUE(sub.WaitSubscribed());
    std::ofstream(st.dir.File("BaseSetpoint.ini"), std::ios::binary)
        << "[MQTT]\r\nEnabled=1\r\nUrl=" << broker.Url() << "\r\n";

    ManualClock clock;
    clock.Set(DateTimeParts{2026, 12, 11, 10, 0, 58, 0});
    AppContext ctx = st.Context(clock);
    Recorder recorder(ctx);
    std::vector<std::string> said;
    auto publishing =
        StartPublishing(st.dir.File("BaseSetpoint.ini"), st.dir.File("mqtt-queue"), "D7", st.sts,
                        recorder, [&](const std::string& l) { said.push_back(l); });
    ASSERT_TRUE(publishing);
    st.current.Valid = true;
    st.current.WindSpeed = 2.5f;
    st.current.Sent = FieldBit(SampleField::WindSpeed);
    for (int s = 0; s < 10; ++s) { // through second 6 of the next minute: a minute row
        recorder.RecordTick();
        clock.AdvanceSeconds(1);
    }
    st.current.Valid = false; // not valid: not recorded, not published
    recorder.RecordTick();
    ASSERT_TRUE(WaitUntil([&] { return sub.Payloads("qvr/D7/sample").size() == 10; }))
        << ::testing::PrintToString(said);
    ASSERT_TRUE(WaitUntil([&] { return sub.Payloads("qvr/D7/minute").size() == 1; }));
    EXPECT_EQ(json::parse(sub.Payloads("qvr/D7/sample")[0])["M01"].dump(), "2.5");
    EXPECT_EQ(json::parse(sub.Payloads("qvr/D7/minute")[0])["count"], 9);
    publishing.reset();
    EXPECT_FALSE(recorder.OnSample) << "the recorder no longer points at the publisher";
    ASSERT_TRUE(WaitUntil([&] {
        const auto status = sub.Payloads("qvr/D7/status");
        return !status.empty() && json::parse(status.back())["state"] == "offline";
    }));
}

TEST(Publishing, OffOrUnusableSettingsPublishNothing) {
    LocalState st;
    ManualClock clock;
    AppContext ctx = st.Context(clock);
    Recorder recorder(ctx);
    std::vector<std::string> said;
    auto say = [&](const std::string& l) { said.push_back(l); };
    EXPECT_FALSE(
        StartPublishing(st.dir.File("none.ini"), st.dir.File("q"), "", st.sts, recorder, say));
    EXPECT_TRUE(said.empty());
    std::ofstream(st.dir.File("bad.ini"), std::ios::binary)
        << "[MQTT]\r\nEnabled=1\r\nUrl=ftp://x\r\n";
    EXPECT_FALSE(
        StartPublishing(st.dir.File("bad.ini"), st.dir.File("q"), "", st.sts, recorder, say));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "MQTT: unknown scheme in \"ftp://x\" (mqtt:// or mqtts://); not publishing");
    EXPECT_FALSE(recorder.OnSample);
}

} // namespace
} // namespace qvr::test
