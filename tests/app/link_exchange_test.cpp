#include "../local_state.h"
#include "../serial/pty_pair.h"
#include "app/main_form.h"
#include "link/comm_ctrl_form.h"
#include "link/frame_codec.h"
#include "serial/com_led.h"

#include "ui/log_view.h"
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

namespace qvr {
namespace {

std::string Framed(const std::string& payload) {
    return *frame::BuildFrame(payload);
}

// The main window and its link on a real pseudo-terminal; the test plays the
// sensor on the master side and drives the handlers itself.
class LinkExchangeTest : public ::testing::Test, protected test::LocalState {
protected:
    test::PtyPair pty;
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx = Context(clock);
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        std::ofstream(dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << pty.Path() << "\r\n";
        form = std::make_unique<TMainForm>(ctx);
        form->MainTimer->stop();
        form->BBStartClick();
        ASSERT_TRUE(form->Link().PortConnected());
    }
    TCommCtrlForm& Link() { return form->Link(); }
    bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }
};

TEST_F(LinkExchangeTest, StartOpensThePortNamedInThePortSettingsFile) {
    EXPECT_TRUE(Link().LinkOpen);
    EXPECT_EQ(sts.PortName, pty.Path());
    EXPECT_TRUE(form->Collecting);
}

TEST_F(LinkExchangeTest, AReadRequestAsksForEveryLeadingKey) {
    form->ClearRequest();
    const char* keys[] = {"M01", "M11", "C01", "C11", "C12"};
    for (int i = 0; i < 5; ++i)
        form->RequestPairs[i].Key = keys[i];
    form->SendReadRequest();
    const std::string expected = "<RD,M01,M11,C01,C11,C12,>9C\r\n";
    EXPECT_EQ(pty.Receive(expected.size()), expected);

    // Keys left behind pairs 6 to 20 by a write are asked for too.
    form->RequestPairs[5] = {"E01", "50"};
    form->SendReadRequest();
    EXPECT_EQ(pty.Receive(200, std::chrono::milliseconds(300)),
              Framed("RD,M01,M11,C01,C11,C12,E01,"));
}

TEST_F(LinkExchangeTest, AWriteRequestStopsAtTheFirstPairWithoutAValue) {
    form->ClearRequest();
    form->RequestPairs[0] = {"E01", "1"};
    form->RequestPairs[1] = {"E02", "2"};
    form->RequestPairs[2] = {"E03", "3"};
    form->RequestPairs[3] = {"E04", ""};
    form->RequestPairs[4] = {"E05", "5"};
    form->SendWriteRequest();
    EXPECT_EQ(pty.Receive(200, std::chrono::milliseconds(300)), Framed("RW,E01=1,E02=2,E03=3,"));

    // A pair list of 60 characters passes the list builder but makes a frame too long.
    form->ClearRequest();
    form->RequestPairs[0] = {"P01", std::string(55, '1')};
    form->AnswerReceived = true;
    form->SendWriteRequest();
    EXPECT_EQ(pty.Receive(1, std::chrono::milliseconds(300)), "");
    EXPECT_FALSE(form->AnswerReceived);
}

TEST_F(LinkExchangeTest, OnlyTheFirstAnswerToARequestIsTaken) {
    form->ClearRequest();
    form->RequestPairs[0].Key = "M01";
    form->SendReadRequest();
    Link().CBReciveLog->setChecked(true); // shows when the second answer has been handled
    pty.Send(Framed("AD,M01=1.5,") + Framed("AD,M01=2.5,X=1,"));
    ASSERT_TRUE(WaitFor([&] { return Link().MRecive->lineCount() >= 2; }));
    EXPECT_TRUE(form->AnswerReceived);
    EXPECT_EQ(form->AnswerPairs[0], (TKeyValStr{"M01", "1.5"}));
    EXPECT_EQ(form->AnswerPairs[1], TKeyValStr{});
}

TEST_F(LinkExchangeTest, AnswersOfOtherKindsAndEmptyAnswers) {
    form->SendReadRequest();
    // A request is no answer: had it been taken, its pair would stand in
    // front of the empty answer that follows.
    pty.Send(Framed("RD,M01=1,") + Framed("AW,"));
    ASSERT_TRUE(WaitFor([&] { return form->AnswerReceived; }));
    for (const auto& pair : form->AnswerPairs)
        EXPECT_EQ(pair, TKeyValStr{});
}

TEST_F(LinkExchangeTest, LogsShowFramesAndChecksumErrors) {
    Link().CBSendLog->setChecked(true);
    Link().CBReciveLog->setChecked(true);
    form->ClearRequest();
    form->RequestPairs[0].Key = "M01";
    form->SendReadRequest();
    EXPECT_EQ(Link().MSend->toPlainText(), "<RD,M01,>EA");
    pty.Send("<AD,M01=1.234,>C6\r\n<AD,M01=9,>00\r\n");
    ASSERT_TRUE(WaitFor([&] { return Link().MRecive->lineCount() >= 2; }));
    EXPECT_EQ(Link().MRecive->toPlainText(), "<AD,M01=1.234,>\nSumCheck Error! : <AD,M01=9,>");
    EXPECT_EQ(form->AnswerPairs[0].Value, "1.234");
    EXPECT_EQ(Link().MSend->maximumLineCount(), TCommCtrlForm::kMaxLogLines);
}

TEST_F(LinkExchangeTest, WithTheLinkClosedNothingIsSentOrLogged) {
    Link().CBSendLog->setChecked(true);
    form->BBStopClick();
    EXPECT_FALSE(form->Collecting);
    EXPECT_FALSE(Link().PortConnected());
    form->SendReadRequest();
    EXPECT_EQ(Link().MSend->toPlainText(), "");
}

TEST_F(LinkExchangeTest, AFailedWriteClosesThePortAndIsStillLogged) {
    Link().CBSendLog->setChecked(true);
    pty.HangUp();
    form->SendReadRequest();
    form->SendReadRequest(); // the hang-up may only show at the second write
    EXPECT_TRUE(WaitFor([&] { return !Link().PortConnected(); }));
    EXPECT_FALSE(Link().LinkOpen);
    EXPECT_GE(Link().MSend->lineCount(), 1);
    EXPECT_EQ(Link().MSend->toPlainText().split('\n').first(), "<RD,>C4");
}

TEST_F(LinkExchangeTest, SetupIsRefusedWhileConnected) {
    QString shown, title;
    QTimer::singleShot(100, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            title = box->windowTitle();
            box->accept();
        }
    });
    form->BBSetpointClick(false);
    // It names the port and says what to do.
    EXPECT_EQ(shown, "ポートを変更するには、データ収集を停止してください。");
    EXPECT_EQ(title, "ポート設定");
}

TEST_F(LinkExchangeTest, ThePollCycleAsksSetOneFirstAndDecodesTheAnswerAtTheNextTick) {
    form->MainTimerTimer();
    EXPECT_EQ(pty.Receive(200, std::chrono::milliseconds(300)), Framed("RD,C32,C50,C51,C52,C53,"));
    EXPECT_FALSE(current.Valid); // nothing from the sensor yet
    pty.Send(Framed("AD,C32=30.5,C50=12,C51=12.1,C52=3.99,C53=1.25,"));
    ASSERT_TRUE(WaitFor([&] { return form->AnswerReceived; }));
    form->MainTimerTimer();
    EXPECT_EQ(current.TempDiff, 30.5f);
    EXPECT_EQ(current.AdCount, 3);
    EXPECT_EQ(pty.Receive(200, std::chrono::milliseconds(300)), Framed("RD,S00,S01,S11,S12,S13,"));
}

// The operator stops while the connection lamp is lit inside an open (a
// reconnect, say): the link stays closed and does not reconnect on its own.
TEST(LinkOpen, AStopInsideTheOpenLeavesTheLinkClosed) {
    test::LocalState state;
    test::PtyPair pty;
    std::ofstream(state.dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << pty.Path() << "\r\n";
    SensorLink sensor(state.sts.PortName, state.dir.Dir());
    TCommCtrlForm link(sensor);
    link.LoadPortSettings();
    link.ComLed2->OnChange = [&](TComLed*, TLedState lit) {
        if (lit == lsOn) link.ClosePort();
    };
    EXPECT_FALSE(link.OpenPort());
    EXPECT_FALSE(link.LinkOpen);
    EXPECT_FALSE(link.PortConnected());
    link.SendFrame("RD,M01,");
    EXPECT_FALSE(sensor.Reconnect.Active());
    EXPECT_EQ(pty.Receive(1, std::chrono::milliseconds(100)), "");
}

// The link window on its own, as the operator reads its logs.
class LinkWindowLogs : public ::testing::Test, protected test::LocalState {
protected:
    SensorLink sensor{sts.PortName, dir.Dir()};
    TCommCtrlForm link{sensor};
    // The longest frame there is, and the same with a wrong checksum.
    const std::string good = Framed("AD,M01=12.34567,M11=25.25,C01=1.301,C11=25.213,C12=25.500,");
    const std::string bad = good.substr(0, good.size() - 4) + "00\r\n";

    void SetUp() override {
        ASSERT_EQ(good.size(), 64u);
        link.CBReciveLog->setChecked(true);
    }
    void Receive(int frames) {
        for (int i = 0; i < frames; ++i)
            sensor.FeedReceived(i % 2 ? bad : good);
        QApplication::processEvents();
    }
};

TEST_F(LinkWindowLogs, AFullFrameAndItsChecksumErrorFitTheWindowAsItOpens) {
    link.show();
    Receive(40);
    EXPECT_EQ(link.MRecive->horizontalScrollBar()->maximum(), 0);
}

TEST_F(LinkWindowLogs, LinesStayShownFromTheirStartsWithTheNewestInView) {
    // Lines logged while the window was hidden, then a narrow window.
    link.resize(260, link.height());
    Receive(40);
    link.show();
    Receive(40);
    QScrollBar* across = link.MRecive->horizontalScrollBar();
    QScrollBar* down = link.MRecive->verticalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    EXPECT_EQ(across->value(), 0);
    EXPECT_EQ(down->value(), down->maximum());
    // Where the operator scrolled across, the next line leaves it there.
    across->setValue(40);
    Receive(1);
    EXPECT_EQ(across->value(), 40);
}

TEST_F(LinkWindowLogs, EachLogKeepsAWorkingDayOfLines) {
    // 8 hours at 4 lines a second.
    EXPECT_GE(link.MSend->maximumLineCount(), 8 * 3600 * 4);
    EXPECT_GE(link.MRecive->maximumLineCount(), 8 * 3600 * 4);
}

} // namespace
} // namespace qvr
