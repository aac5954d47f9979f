// The hand-over between event threads and the owner thread, on its own.
#include "serial/com_hand_over.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace qvr::test {
namespace {

TEST(ComHandOver, ConcurrentCallersEachRunOnceOnTheOwnerThread) {
    TComHandOver handOver;
    std::atomic<int> wakeUps{0};
    handOver.SetWakeUp([&] { ++wakeUps; });
    constexpr int kCallers = 4;
    constexpr int kCalls = 400;
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<int> runs(kCallers * kCalls, 0); // written on the owner thread only
    int offOwner = 0;
    std::atomic<int> notYetRunOnReturn{0};
    std::atomic<int> finished{0};

    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([&, c] {
            for (int i = 0; i < kCalls; ++i) {
                bool ran = false;
                handOver.Call([&, n = c * kCalls + i] {
                    ++runs[static_cast<std::size_t>(n)];
                    if (std::this_thread::get_id() != owner) ++offOwner;
                    ran = true;
                });
                if (!ran) ++notYetRunOnReturn; // Call returns only after the run
            }
            ++finished;
            handOver.Notify();
        });
    }
    handOver.ServeUntil([&] { return finished.load() == kCallers; });
    for (auto& t : callers)
        t.join();

    EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), kCallers * kCalls);
    EXPECT_EQ(offOwner, 0);
    EXPECT_EQ(notYetRunOnReturn.load(), 0);
    EXPECT_EQ(wakeUps.load(), kCallers * kCalls);
    EXPECT_EQ(handOver.ProcessPending(), 0);
}

TEST(ComHandOver, TheOwnerCanTellWhileAHandedOverCallRuns) {
    TComHandOver handOver;
    bool inside = false;
    std::atomic<bool> done{false};
    std::thread caller([&] {
        handOver.Call([&] { inside = handOver.Running(); });
        done = true;
        handOver.Notify();
    });
    EXPECT_FALSE(handOver.Running());
    handOver.ServeUntil([&] { return done.load(); });
    caller.join();
    EXPECT_TRUE(inside);
    EXPECT_FALSE(handOver.Running());
}

} // namespace
} // namespace qvr::test
