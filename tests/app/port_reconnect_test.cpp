#include "link/port_reconnect.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace qvr {
namespace {

constexpr int kFastMs = 10;

TEST(PortReconnect, TriesUntilThePortOpensThenRests) {
    int attempts = 0;
    PortReconnect reconnect([&] { return ++attempts == 3; }, kFastMs);
    EXPECT_FALSE(reconnect.Active());
    reconnect.LineFailed();
    EXPECT_TRUE(reconnect.Active());
    EXPECT_EQ(attempts, 0); // the first attempt waits one interval
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reconnect.Active(); }, 5000));
    EXPECT_EQ(attempts, 3);
    QTest::qWait(5 * kFastMs);
    EXPECT_EQ(attempts, 3);
}

TEST(PortReconnect, AClosedLinkIsNotReopened) {
    int attempts = 0;
    PortReconnect reconnect([&] { return ++attempts > 100; }, kFastMs);
    reconnect.LineFailed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return attempts >= 2; }, 5000));
    reconnect.Stop();
    const int made = attempts;
    QTest::qWait(5 * kFastMs);
    EXPECT_EQ(attempts, made);
    EXPECT_FALSE(reconnect.Active());
}

// Opening lets pending events run: a slow open must not start a second one
// inside itself.
TEST(PortReconnect, ASlowOpenIsNotEnteredAgain) {
    int inside = 0;
    int deepest = 0;
    int attempts = 0;
    PortReconnect reconnect(
        [&] {
            ++inside;
            deepest = std::max(deepest, inside);
            QTest::qWait(4 * kFastMs);
            --inside;
            return ++attempts == 2;
        },
        kFastMs);
    reconnect.LineFailed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reconnect.Active(); }, 5000));
    EXPECT_EQ(deepest, 1);
}

} // namespace
} // namespace qvr
