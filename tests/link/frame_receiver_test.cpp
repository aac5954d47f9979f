#include "link/frame_codec.h"
#include "link/frame_receiver.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace qvr {
namespace {

// Collects what the receive machine hands to the check, as the link does.
struct Collector {
    FrameReceiver rx;
    std::vector<std::string> checked;
    std::vector<bool> good;

    void Feed(const std::string& chars) {
        for (char c : chars)
            rx.Feed(c, [this] {
                std::string text = rx.RxBuffer;
                good.push_back(frame::VerifyFrame(text));
                checked.push_back(text);
            });
    }
};

TEST(FrameReceiver, CollectsAFrameSplitOverSeveralEvents) {
    Collector c;
    c.Feed("<AD,M0");
    c.Feed("1=1.234,>C");
    EXPECT_TRUE(c.checked.empty());
    c.Feed("6\r\n");
    ASSERT_EQ(c.checked.size(), 1u);
    EXPECT_TRUE(c.good[0]);
    EXPECT_EQ(c.checked[0], "<AD,M01=1.234,>");
    EXPECT_EQ(c.rx.RxBuffer, ""); // CR LF arrive idle and are not stored
    EXPECT_EQ(c.rx.RxState, -2);
}

TEST(FrameReceiver, TwoFramesInOneEventAreBothChecked) {
    Collector c;
    c.Feed("<AD,M01=1.234,>C6\r\n<RD,M01,>EA\r\n");
    ASSERT_EQ(c.checked.size(), 2u);
    EXPECT_EQ(c.checked[1], "<RD,M01,>");
    EXPECT_TRUE(c.good[0] && c.good[1]);
}

TEST(FrameReceiver, IdleNoiseStaysInFrontOfTheNextFrameAndFailsIt) {
    Collector c;
    c.Feed("zz<RD,M01,>EA");
    ASSERT_EQ(c.checked.size(), 1u);
    EXPECT_FALSE(c.good[0]);
    EXPECT_EQ(c.checked[0], "zz<RD,M01,>");
    c.Feed("<RD,M01,>EA");
    EXPECT_TRUE(c.good[1]); // the buffer was emptied after the failed check
}

TEST(FrameReceiver, AFrameCutShortIsCheckedTogetherWithTheNext) {
    Collector c;
    c.Feed("<RD,M01,>E<RD,M01,>EA");
    ASSERT_EQ(c.checked.size(), 1u);
    EXPECT_EQ(c.checked[0], "<RD,M01,>E<RD,M01,>");
    EXPECT_FALSE(c.good[0]);
}

TEST(FrameReceiver, AnEndlessLineIsCappedAndTheNextFrameStillArrives) {
    Collector c;
    c.Feed(std::string(100000, 'x'));
    EXPECT_LE(c.rx.RxBuffer.size(), FrameReceiver::kMaxBuffer);
    c.Feed(std::string(5000, '<'));
    EXPECT_LE(c.rx.RxBuffer.size(), FrameReceiver::kMaxBuffer);
    c.rx.RxBuffer.clear(); // what a failed check of the junk would leave
    c.rx.RxState = -2;
    c.Feed("<RD,M01,>EA");
    ASSERT_FALSE(c.good.empty());
    EXPECT_TRUE(c.good.back());
}

TEST(FrameReceiver, AThrowingCheckLeavesBufferAndStateAsTheyWere) {
    FrameReceiver rx;
    const std::string chars = "<AD,>X";
    EXPECT_THROW(for (char c
                      : chars + "Y") rx.Feed(c, [] { throw std::runtime_error("listener"); }),
                 std::runtime_error);
    EXPECT_EQ(rx.RxBuffer, "<AD,>XY");
    EXPECT_EQ(rx.RxState, 2);
}

} // namespace
} // namespace qvr
