#include "e2e_fixture.h"

#include "base/number_text.h"
#include "link/port_reconnect.h"
#include "serial/com_led.h"

#include <QCheckBox>
#include <QLabel>
#include "ui/log_view.h"
#include <QStatusBar>
#include "ui/plot.h"
#include <QTimer>
#include <cmath>

namespace qvr::test {
namespace {

QString PanelText(float value, const char* format) {
    return QString::fromStdString(FormatFloat(format, static_cast<double>(value)));
}

TEST_F(EndToEnd, StartShowsLiveValuesFromTheSensor) {
    sim::SensorConditions still;
    still.tunnelSpeed = 5.0;
    still.noise = 0.0;
    still.model = 19.09;
    StartSensor(still);
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(form->Link().PortConnected());

    // Every set has been asked for and answered after a few seconds.
    ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0 && current.TempDiff != 0; }));
    ASSERT_TRUE(WaitFor([&] { return std::abs(current.WindSpeed - 0.0f) > 0.01f; }));
    const sim::SensorReading truth = sensor->Measure();
    EXPECT_NEAR(current.WindSpeed, truth.windSpeed, 0.05);
    EXPECT_NEAR(current.TempDiff, truth.tempDiff, 0.1);
    EXPECT_FLOAT_EQ(current.ModelNo, 19.09f);

    // The readout follows at the next refresh.
    ASSERT_TRUE(WaitFor(
        [&] { return form->PWindSpeed->text() == PanelText(current.WindSpeed, "%1.3f m/s."); }));
    EXPECT_EQ(form->SBPanel[1]->text(), PanelText(current.ModelNo, "Sensor Model %1.2f") +
                                            PanelText(current.Version, " | Ver. %1.2f"));
    // A long path is elided in the middle; the tooltip holds it whole.
    const QString path = QString::fromStdString(dir.File("sensor"));
    EXPECT_TRUE(form->SBPanel[2]->text() == path ||
                (form->SBPanel[2]->text().contains(QChar(0x2026)) &&
                 form->SBPanel[2]->text().endsWith("/sensor")))
        << form->SBPanel[2]->text().toStdString();
    EXPECT_EQ(form->SBPanel[2]->toolTip(), path);
    EXPECT_EQ(form->windowTitle(),
              QString::fromStdString(dir.File("sensor")) + " | QVT-series monitor. Ver.0.94");
    EXPECT_TRUE(form->PWDir->isHidden());
    EXPECT_TRUE(current.Valid);

    // The trend fills one point a second, the newest entry not drawn.
    ASSERT_TRUE(WaitFor([&] { return form->Series1->dataCount() >= 3; }));
    EXPECT_LT(form->Series1->dataCount(), 12);
}

TEST_F(EndToEnd, TheWindDirectionModelShowsItsDirection) {
    sim::SensorConditions c;
    c.model = 19.10;
    c.windDirection = 135;
    c.noise = 0;
    StartSensor(c);
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return !form->PWDir->isHidden(); }));
    EXPECT_TRUE(sts.WindDirModel);
    EXPECT_FALSE(form->LWDir->isHidden());
    ASSERT_TRUE(WaitFor([&] { return form->PWDir->text() == "135 °"; }));

    sensor->SetModel(19.09);
    ASSERT_TRUE(WaitFor([&] { return form->PWDir->isHidden(); }));
    EXPECT_TRUE(form->LWDir->isHidden());
}

TEST_F(EndToEnd, StopKeepsTheLastValuesButNoLongerShowsThemAsReadings) {
    sim::SensorConditions c;
    c.tunnelSpeed = 3;
    StartSensor(c);
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return form->SBDataState->text() == "受信中"; }));
    form->BBStopClick();
    const QString caption = form->windowTitle();
    const float kept = current.WindSpeed;
    const int points = form->Series1->dataCount();
    QTest::qWait(1500);
    EXPECT_FALSE(current.Valid);
    EXPECT_EQ(current.WindSpeed, kept);
    EXPECT_EQ(form->PWindSpeed->text(), "-.--- m/s.");
    EXPECT_EQ(form->SBDataState->text(), "停止中");
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(form->Series1->dataCount(), points);
    EXPECT_FALSE(form->Link().PortConnected());
}

// A sensor silent from the start, then answering, then silent again: the
// readout is a number only while it answers, and the state panel says why not.
TEST_F(EndToEnd, TheReadoutsShowOnlyWhatTheSensorIsSayingNow) {
    sim::SensorConditions c;
    c.tunnelSpeed = 3;
    StartSensor(c);
    sim::SensorFaults mute;
    mute.mute = true;
    sensor->SetFaults(mute);
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return form->SBDataState->text() == "接続中…"; }));
    ASSERT_TRUE(WaitFor([&] { return form->SBDataState->text().startsWith("応答なし（"); }));
    EXPECT_EQ(form->PWindSpeed->text(), "-.--- m/s.");
    EXPECT_EQ(form->SBPanel[1]->text(), "Sensor Model -.-- | Ver. -.--");

    sensor->SetFaults({});
    ASSERT_TRUE(WaitFor([&] { return form->SBDataState->text() == "受信中"; }));
    EXPECT_NE(form->PWindSpeed->text(), "-.--- m/s.");

    sensor->SetFaults(mute);
    ASSERT_TRUE(WaitFor([&] { return form->SBDataState->text() == "応答なし（3 秒）"; }));
    EXPECT_EQ(form->PWindSpeed->text(), "-.--- m/s.");
    EXPECT_FALSE(current.Valid);
}

TEST_F(EndToEnd, ACorruptedAnswerIsLoggedAndNotDecoded) {
    StartSensor();
    sim::SensorFaults faults;
    faults.corruptShare = 1.0;
    sensor->SetFaults(faults);
    StartProgram();
    form->Link().CBReciveLog->setChecked(true);
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return form->Link().MRecive->lineCount() >= 3; }));
    EXPECT_TRUE(form->Link().MRecive->toPlainText().startsWith("SumCheck Error! : <AD,"));
    EXPECT_EQ(current.TempDiff, 0.0f);
    EXPECT_EQ(current.ModelNo, 0.0f);
    EXPECT_FALSE(form->AnswerReceived);
}

TEST_F(EndToEnd, AfterAHangUpTheLinkReopensItselfBehindTheSameName) {
    StartSensor();
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; }));

    sensor->HangUp(); // and a fresh line behind the same link, as a replugged adapter
    // A write into the hung-up line fails and closes the link; the window goes on
    // and says that it reconnects.
    ASSERT_TRUE(WaitFor([&] { return !form->Link().PortConnected(); }));
    EXPECT_TRUE(form->SensorLinkLogic().Reconnect.Active());
    EXPECT_EQ(form->Link().ComLed2->State(), lsOff);
    ASSERT_TRUE(WaitFor([&] { return form->SBPanel[2]->toolTip().contains("再接続"); }));
    EXPECT_FALSE(current.Valid);

    // Without the operator: reopened at one of the 2 s attempts, and polled again.
    current.ModelNo = 0;
    ASSERT_TRUE(WaitFor([&] { return form->Link().PortConnected(); }, 10000));
    EXPECT_EQ(form->Link().ComLed2->State(), lsOn);
    EXPECT_TRUE(WaitFor([&] { return current.ModelNo != 0; }));
    EXPECT_FALSE(form->SensorLinkLogic().Reconnect.Active());
    // The warning goes: the tooltip names the port alone again.
    EXPECT_TRUE(WaitFor([&] {
        return form->SBPanel[2]->toolTip() == QString::fromStdString(dir.File("sensor"));
    }));
}

TEST_F(EndToEnd, AfterTheOperatorStopsOnlyStartReopensTheLink) {
    StartSensor();
    StartProgram();
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; }));
    sensor->HangUp();
    ASSERT_TRUE(WaitFor([&] { return !form->Link().PortConnected(); }));
    const int before = form->Series1->dataCount();
    form->BBStopClick();
    EXPECT_FALSE(form->SensorLinkLogic().Reconnect.Active());
    // Ticks, not time: a loaded machine may run few ticks in a given time,
    // and a reconnect attempt (or the tick that ends a valid reading) would
    // not have come yet.
    int ticks = 0;
    QObject::connect(form->MainTimer, &QTimer::timeout, form.get(), [&] { ++ticks; });
    ASSERT_TRUE(WaitFor([&] { return ticks > PortReconnect::kTicksPerAttempt; }, 60000));
    EXPECT_FALSE(form->Link().PortConnected());
    EXPECT_FALSE(current.Valid);
    EXPECT_EQ(form->Series1->dataCount(), before);

    current.ModelNo = 0;
    form->BBStartClick();
    ASSERT_TRUE(form->Link().PortConnected());
    EXPECT_TRUE(WaitFor([&] { return current.ModelNo != 0; }));
}

} // namespace
} // namespace qvr::test
