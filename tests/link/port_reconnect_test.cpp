#include "link/port_reconnect.h"

#include <gtest/gtest.h>
#include <vector>

namespace qvr {
namespace {

constexpr int kEvery = PortReconnect::kTicksPerAttempt;

TEST(PortReconnect, TriesEveryTwoSecondsUntilThePortOpensThenRests) {
    std::vector<int> attemptTicks;
    int tick = 0;
    PortReconnect reconnect([&] {
        attemptTicks.push_back(tick);
        return attemptTicks.size() == 3;
    });
    for (tick = 1; tick <= kEvery; ++tick) // nothing has failed yet
        reconnect.Tick();
    EXPECT_TRUE(attemptTicks.empty());
    EXPECT_FALSE(reconnect.Active());

    reconnect.LineFailed();
    EXPECT_TRUE(reconnect.Active());
    for (tick = 1; tick <= 6 * kEvery; ++tick)
        reconnect.Tick();
    EXPECT_EQ(attemptTicks, (std::vector<int>{kEvery, 2 * kEvery, 3 * kEvery}));
    EXPECT_FALSE(reconnect.Active());
}

TEST(PortReconnect, AClosedLinkIsNotReopened) {
    int attempts = 0;
    PortReconnect reconnect([&] { return ++attempts > 100; });
    reconnect.LineFailed();
    for (int i = 0; i < 2 * kEvery; ++i)
        reconnect.Tick();
    EXPECT_EQ(attempts, 2);
    reconnect.Stop();
    for (int i = 0; i < 4 * kEvery; ++i)
        reconnect.Tick();
    EXPECT_EQ(attempts, 2);
    EXPECT_FALSE(reconnect.Active());
}

// Opening lets pending events run: ticks nested in a slow open start no
// second open inside it.
TEST(PortReconnect, TicksInsideAnOpenStartNoOtherOpen) {
    int inside = 0;
    int deepest = 0;
    int attempts = 0;
    PortReconnect* self = nullptr;
    PortReconnect reconnect([&] {
        ++inside;
        deepest = std::max(deepest, inside);
        for (int i = 0; i < 3 * kEvery; ++i)
            self->Tick();
        --inside;
        return ++attempts == 2;
    });
    self = &reconnect;
    reconnect.LineFailed();
    for (int i = 0; i < 4 * kEvery && reconnect.Active(); ++i)
        reconnect.Tick();
    EXPECT_FALSE(reconnect.Active());
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(deepest, 1);
}

} // namespace
} // namespace qvr
