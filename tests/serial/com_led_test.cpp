// Signal lamps on a real port over a pseudo-terminal, with Qt delivering the
// port's events.
#include "serial/com_led.h"
#include "serial/com_port.h"
#include "serial/led_glyphs.h"
#include "serial/qt_com_hand_over.h"
#include "tests/serial/pty_pair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class ComLedTest : public ::testing::Test {
protected:
    ComLedTest() {
        InstallQtComSupport();
        port = std::make_unique<TComPort>("ComPortM");
        port->SetPort(pty.Path());
        port->SetBaudRate(br38400);
        port->SetDiscardNull(true);
        ComLed2.SetLedSignal(lsConn);
        ComLed2.SetKind(lkYellowLight);
        ComLedTxD.SetLedSignal(lsTx);
        ComLedTxD.SetKind(lkRedLight);
        ComLedRxD.SetLedSignal(lsRx);
        ComLedRxD.SetKind(lkGreenLight);
        for (TComLed* led : {&ComLed2, &ComLedTxD, &ComLedRxD})
            led->SetComPort(port.get());
    }
    ~ComLedTest() override { port.reset(); }

    PtyPair pty;
    TComLed ComLed2, ComLedTxD, ComLedRxD;
    std::unique_ptr<TComPort> port;
};

TEST_F(ComLedTest, LampsFollowConnectionTransmitAndReceive) {
    EXPECT_EQ(ComLed2.State(), lsOff);
    port->Open();
    EXPECT_EQ(ComLed2.State(), lsOn);

    port->WriteStr(std::string("<RD:W,>00\r\n"));
    EXPECT_EQ(ComLedTxD.State(), lsOn); // lit until the transmitter is empty
    ASSERT_TRUE(WaitFor([&] { return ComLedTxD.State() == lsOff; }));

    int received = 0;
    port->OnRxChar = [&](TCustomComPort*, int count) { received = count; };
    pty.Send("<AD:W=1,>00\r\n");
    ASSERT_TRUE(WaitFor([&] { return received == 13; }));
    EXPECT_EQ(ComLedRxD.State(), lsOn); // bytes still waiting
    std::string s;
    port->ReadStr(s, 5);
    EXPECT_EQ(ComLedRxD.State(), lsOn);
    port->ReadStr(s, 100);
    EXPECT_EQ(ComLedRxD.State(), lsOff);

    port->Close();
    EXPECT_EQ(ComLed2.State(), lsOff);
    port->OnRxChar = nullptr;
}

TEST_F(ComLedTest, FailedOpenLeavesTheConnectionLampOff) {
    std::vector<TLedState> changes;
    ComLed2.OnChange = [&](TComLed*, TLedState s) { changes.push_back(s); };
    port->SetPort("/dev/qvr-no-such-device");
    EXPECT_THROW(port->Open(), EComPort);
    EXPECT_EQ(ComLed2.State(), lsOff);
    EXPECT_TRUE(changes.empty());
    ComLed2.OnChange = nullptr;
}

TEST_F(ComLedTest, EveryChangeProcessesPendingMessages) {
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    port->Open(); // the connection lamp lights inside Open
    EXPECT_TRUE(timerRan);
}

TEST_F(ComLedTest, ATimerClosingThePortInsideOpenIsHarmless) {
    QTimer::singleShot(0, [&] { port->Close(); });
    port->Open(); // the timer runs while the connection lamp lights
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(ComLed2.State(), lsOff);
    port->Open();
    EXPECT_TRUE(port->Connected());
    EXPECT_EQ(ComLed2.State(), lsOn);
}

TEST_F(ComLedTest, BindingTakesTheStateAndABoundLampRefusesHandChanges) {
    port->Open();
    TComLed late;
    std::vector<TLedState> changes;
    late.OnChange = [&](TComLed* sender, TLedState s) {
        EXPECT_EQ(sender, &late);
        changes.push_back(s);
    };
    late.SetComPort(port.get());
    EXPECT_EQ(late.State(), lsOn);
    try {
        late.SetState(lsOff);
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 19);
        EXPECT_STREQ(e.what(), "Cannot change led state if ComPort is selected");
    }
    late.SetComPort(nullptr);
    EXPECT_EQ(late.State(), lsOff);
    late.SetState(lsOn);
    EXPECT_EQ(late.State(), lsOn);
    EXPECT_EQ(changes, (std::vector<TLedState>{lsOn, lsOff, lsOn}));

    // A lamp outliving its port drops the binding.
    late.SetComPort(port.get());
    port.reset();
    EXPECT_EQ(late.ComPort(), nullptr);
    EXPECT_EQ(ComLed2.ComPort(), nullptr);
    late.SetState(lsOff);
}

TEST(LedGlyphs, TwelvePicturesOfFifteenPixelsWithTransparentBackground) {
    const char* kinds[] = {"RED", "GREEN", "BLUE", "YELLOW", "PURPLE", "BULB"};
    for (const char* kind : kinds) {
        const QPixmap on = LedGlyph(QString("LED%1ON").arg(kind));
        const QPixmap off = LedGlyph(QString("LED%1OFF").arg(kind));
        for (const QPixmap* p : {&on, &off}) {
            ASSERT_FALSE(p->isNull()) << kind;
            EXPECT_EQ(p->size(), QSize(15, 15)) << kind;
            const QImage image = p->toImage().convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(qAlpha(image.pixel(0, 14)), 0) << kind;
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << kind;
            EXPECT_EQ(qAlpha(image.pixel(7, 7)), 255) << kind;
        }
        EXPECT_NE(on.toImage().pixel(7, 7), off.toImage().pixel(7, 7)) << kind;
    }
    EXPECT_TRUE(LedGlyph("LEDORANGEON").isNull());
}

TEST(ComLedPaint, CentredPictureAndADisabledLampLooksOff) {
    TComLed led;
    led.resize(25, 25);
    led.SetKind(lkGreenLight);
    auto centre = [&] { return led.grab().toImage().pixel(5 + 7, 5 + 7); };
    const QRgb onColour = LedGlyph("LEDGREENON").toImage().pixel(7, 7);
    const QRgb offColour = LedGlyph("LEDGREENOFF").toImage().pixel(7, 7);
    EXPECT_EQ(centre(), offColour);
    led.SetState(lsOn);
    EXPECT_EQ(centre(), onColour);
    // The picture's top-left corner sits at 5, 5: the ring of the light starts there.
    const QImage image = led.grab().toImage();
    EXPECT_EQ(image.pixel(5 + 7, 5 + 1), LedGlyph("LEDGREENON").toImage().pixel(7, 1));
    led.setEnabled(false);
    EXPECT_EQ(centre(), offColour);
    led.setEnabled(true);
    EXPECT_EQ(centre(), onColour);

    // Custom pictures only for lkCustom.
    QPixmap square(15, 15);
    square.fill(Qt::blue);
    led.SetGlyphOn(square);
    EXPECT_EQ(centre(), onColour);
    led.SetKind(lkCustom);
    QImage custom(15, 15, QImage::Format_RGB32);
    custom.fill(Qt::white);
    custom.setPixel(7, 7, qRgb(1, 2, 3));
    led.SetGlyphOn(QPixmap::fromImage(custom));
    EXPECT_EQ(centre(), qRgb(1, 2, 3));
    EXPECT_EQ(qAlpha(led.GlyphOn().toImage().convertToFormat(QImage::Format_ARGB32).pixel(0, 0)),
              0);
}

} // namespace
} // namespace qvr::test
