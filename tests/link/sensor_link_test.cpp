#include "link/sensor_link.h"

#include "link/frame_codec.h"
#include "serial/com_hand_over.h"
#include "tests/serial/pty_pair.h"

#include <chrono>
#include <gtest/gtest.h>
#include <vector>

namespace qvr {
namespace {

std::string Framed(const std::string& payload) {
    return *frame::BuildFrame(payload);
}

// The link without any window: what reaches the listener and the logs. The
// test thread owns the port's hand-over and serves it while it waits.
class SensorLinkTest : public ::testing::Test {
protected:
    std::string portName = "before";
    TComHandOver handOver;
    SensorLink link{portName, "/nonexistent-folder/", &handOver};
    std::vector<std::string> frames, sendLog, receiveLog, events;

    void SetUp() override {
        link.OnFrame = [this](const std::string& text) { frames.push_back(text); };
        link.OnSendLog = [this](const std::string& line) { sendLog.push_back(line); };
        link.OnReceiveLog = [this](const std::string& line) { receiveLog.push_back(line); };
        link.OnPortOpened = [this] { events.push_back("opened"); };
        link.OnPortClosing = [this] { events.push_back("closing"); };
        link.OnLineFailed = [this] { events.push_back("line failed"); };
    }
    bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            handOver.WaitAndProcess(std::chrono::milliseconds(10));
        }
        return true;
    }
};

TEST_F(SensorLinkTest, FramesReachTheListenerAndTheReceiveLogAcrossReads) {
    const std::string a = Framed("AD,M01=1.5,");
    const std::string b = Framed("AW,E01=50,");
    link.FeedReceived(a.substr(0, 5));
    link.FeedReceived(a.substr(5) + b); // the rest of one and all of the next
    EXPECT_EQ(frames, (std::vector<std::string>{"<AD,M01=1.5,>", "<AW,E01=50,>"}));

    // Junk before "<" stays in front of the frame and spoils its sum.
    link.FeedReceived("x" + a);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(receiveLog.back(), "SumCheck Error! : x<AD,M01=1.5,>");
    EXPECT_EQ(receiveLog.size(), 3u);
    EXPECT_EQ(link.RxBuffer(), "");
    EXPECT_EQ(link.RxState(), -2);
}

TEST_F(SensorLinkTest, AListenerThatFailsEndsTheBatchAndLeavesTheStateAsItWas) {
    link.OnFrame = [](const std::string&) { throw std::runtime_error("listener"); };
    link.FeedReceived(Framed("AD,") + "<AD");
    EXPECT_EQ(link.RxState(), 2); // stopped inside the check of the first frame
    EXPECT_EQ(link.RxBuffer(), "<AD,>");
}

TEST_F(SensorLinkTest, AClosedLinkSendsAndLogsNothingAndAPortThatWillNotOpenSaysWhy) {
    link.SendFrame("RD,M01,");
    EXPECT_TRUE(sendLog.empty());
    link.ComPortM->SetPort("/dev/qvr-no-such-port");
    EXPECT_FALSE(link.OpenPort());
    EXPECT_FALSE(link.LinkOpen);
    EXPECT_FALSE(link.PortFailure.empty());
    EXPECT_EQ(portName, "before");
    EXPECT_TRUE(events.empty());
}

TEST_F(SensorLinkTest, AnOpenLinkWritesFramesAndHearsAnswersOnTheLine) {
    test::PtyPair pty;
    link.ComPortM->SetPort(pty.Path());
    ASSERT_TRUE(link.OpenPort());
    EXPECT_TRUE(link.LinkOpen);
    EXPECT_EQ(portName, pty.Path());
    EXPECT_TRUE(link.PortFailure.empty());

    link.SendFrame("RD,M01,");
    EXPECT_EQ(pty.Receive(13), "<RD,M01,>EA\r\n");
    EXPECT_EQ(sendLog, (std::vector<std::string>{"<RD,M01,>EA"}));
    link.SendFrame("RW," + std::string(60, '1')); // too long: no trace at all
    EXPECT_EQ(pty.Receive(1, std::chrono::milliseconds(200)), "");
    EXPECT_EQ(sendLog.size(), 1u);

    pty.Send(Framed("AD,M01=2.5,"));
    ASSERT_TRUE(PumpUntil([&] { return !frames.empty(); }));
    EXPECT_EQ(frames[0], "<AD,M01=2.5,>");

    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(link.LinkOpen);
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "closing"}));
}

TEST_F(SensorLinkTest, BytesAlreadyReceivedAreHandedOverBeforeThePortCloses) {
    test::PtyPair pty;
    link.ComPortM->SetPort(pty.Path());
    ASSERT_TRUE(link.OpenPort());
    link.OnPortClosing = [this] {
        events.push_back("closing after " + std::to_string(frames.size()));
    };
    // The answer is in, its event not yet handled (this thread serves no
    // hand-over): as when the stop button comes while a burst settles.
    const std::string answer = Framed("AD,M01=2.5,");
    pty.Send(answer);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (link.ComPortM->InputCount() < static_cast<int>(answer.size()) &&
           std::chrono::steady_clock::now() < end) {
    }
    ASSERT_EQ(link.ComPortM->InputCount(), static_cast<int>(answer.size()));
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(frames, (std::vector<std::string>{"<AD,M01=2.5,>"}));
    EXPECT_EQ(receiveLog, frames);
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "closing after 1"}));
}

TEST_F(SensorLinkTest, AListenerThatClosesThePortFeedsNothingNestedInItsOwnBatch) {
    test::PtyPair pty;
    link.ComPortM->SetPort(pty.Path());
    ASSERT_TRUE(link.OpenPort());
    // The first frame's listener closes the port while a second frame waits
    // in the port: that one is not fed in the middle of the first one's check.
    const std::string second = Framed("AD,M01=2,");
    link.OnFrame = [&](const std::string& text) { // the link's own buffer
        frames.push_back(text);
        if (frames.size() > 1) return;
        pty.Send(second);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (link.ComPortM->InputCount() < static_cast<int>(second.size()) &&
               std::chrono::steady_clock::now() < end) {
        }
        link.ClosePort();
        EXPECT_EQ(link.RxBuffer(), frames[0]);
    };
    pty.Send(Framed("AD,M01=1,"));
    ASSERT_TRUE(PumpUntil([&] { return !frames.empty(); }));
    EXPECT_FALSE(link.PortConnected());
    EXPECT_EQ(frames, (std::vector<std::string>{"<AD,M01=1,>"}));
    EXPECT_EQ(link.RxState(), -2);
}

TEST_F(SensorLinkTest, AFailedWriteClosesThePortSaysSoAndIsStillLogged) {
    test::PtyPair pty;
    link.ComPortM->SetPort(pty.Path());
    ASSERT_TRUE(link.OpenPort());
    pty.HangUp();
    // The hang-up may only show at the second write.
    for (int i = 0; i < 2 && link.LinkOpen; ++i)
        link.SendFrame("RD,");
    EXPECT_FALSE(link.LinkOpen);
    EXPECT_FALSE(link.PortConnected());
    EXPECT_FALSE(link.PortFailure.empty());
    EXPECT_EQ(events.back(), "line failed");
    EXPECT_EQ(sendLog.back(), "<RD,>C4");
}

} // namespace
} // namespace qvr
