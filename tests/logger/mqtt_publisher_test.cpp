// The publisher against a real broker that is away while its bounded queue
// overflows: the oldest go, their count is published, the rest arrive in order.

#include "tests/base/temp_dir.h"
#include "tests/logger/broker.h"
#include "tests/wait_until.h"

#include "logger/mqtt_publisher.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qvr::test {
namespace {

using namespace std::chrono_literals;

TEST(MqttPublisher, AnOverflowingOutageDropsTheOldestAndPublishesTheirCount) {
    TempDir dir;
    Broker broker(dir.Dir(), {"persistence true", "persistence_location " + dir.Dir()});
    ASSERT_TRUE(broker.Start());
    Subscriber sub(broker.Port(), "q/#", "overflow-checker");
    ASSERT_TRUE(sub.WaitSubscribed());
    broker.Stop();

    MqttSettings settings;
    settings.Enabled = true;
    settings.Url = broker.Url();
    settings.QueueMegabytes = 1; // segments of 128 KB: two of these messages each
    std::vector<std::string> said;
    std::mutex saidMutex;
    MqttPublisher publisher(settings, "q", dir.File("queue"), [&](const std::string& line) {
        const std::lock_guard lock(saidMutex);
        said.push_back(line);
    });
    std::string error;
    ASSERT_TRUE(publisher.Start(error)) << error;
    const std::string pad(50 * 1024, 'x');
    for (int i = 0; i < 40; ++i)
        publisher.Publish("sample", nlohmann::json{{"n", i}, {"pad", pad}}.dump());
    const std::uint64_t kept = publisher.Pending();
    EXPECT_LT(kept, 40u);
    EXPECT_GT(kept, 10u);

    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitUntil([&] { return sub.Payloads("q/sample").size() >= kept; }, 20s));
    ASSERT_TRUE(WaitUntil([&] { return !sub.Payloads("q/dropped").empty(); }));
    EXPECT_EQ(nlohmann::json::parse(sub.Payloads("q/dropped")[0])["dropped"], 40 - kept);
    std::vector<int> numbers;
    for (const auto& p : sub.Payloads("q/sample"))
        numbers.push_back(nlohmann::json::parse(p)["n"].get<int>());
    ASSERT_EQ(numbers.size(), kept);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(numbers[i], static_cast<int>(40 - kept + i)) << "the newest, in order";
    publisher.Stop();
    EXPECT_EQ(publisher.Pending(), 0u);
}

} // namespace
} // namespace qvr::test
