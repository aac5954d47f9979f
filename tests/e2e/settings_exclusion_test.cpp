// The settings window's own guards against the simulated sensor: a number that
// does not convert sends nothing, and a parameter read and a write never share
// the line.

#include "e2e_fixture.h"

#include "../modal_answers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace qvr::test {
namespace {

class SettingsGuards : public EndToEndWithSettings {
protected:
    void SetUp() override {
        ResetPrm(prm);
        StartSensor();
        StartProgram();
        CreateSettingsWindows(ctx);
        form->BBStartClick();
        ASSERT_TRUE(form->Link().PortConnected());
        ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; })); // polling runs
        settings->show();
        settings->PCMain->setCurrentWidget(settings->TSDirect);
        // Showing the window reads the sensor's set; its send buttons wait for it.
        ASSERT_TRUE(WaitFor([&] { return settings->BBWrite->isEnabled(); }));
        sensor->ClearRequests();
    }

    bool AnyWriteRequest() const {
        for (const auto& r : sensor->Requests())
            if (r.payload.rfind("RW,", 0) == 0) return true;
        return false;
    }

    MessageCatcher box;
};

TEST_F(SettingsGuards, ACommaInTheHeaterFieldSendsAndSavesNothing) {
    const auto heater = sensor->Parameter("E04");
    const auto volt = sensor->Parameter("P32");
    const TWritePrm before = prm;
    settings->EHeaterWatt->setText("0,21");
    settings->EStdVolt->setText("3.3");

    box.ArmOnce();
    settings->BBWrite->click();
    EXPECT_EQ(box.seen, 1);
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("ヒータ出力 (W)：「0,21」")))
        << box.text.toStdString();
    EXPECT_FALSE(writer->isVisible());
    EXPECT_EQ(settings->focusWidget(), settings->EHeaterWatt);
    EXPECT_EQ(settings->EHeaterWatt->text(), "0,21");
    EXPECT_EQ(settings->EStdVolt->text(), "3.3");
    EXPECT_EQ(prm.HeaterWatt, before.HeaterWatt);
    EXPECT_EQ(prm.ChipStdV, before.ChipStdV);

    // The calibration tab's send button is the same send.
    settings->PCMain->setCurrentWidget(settings->TSCalibration);
    box.ArmOnce();
    settings->BitBtn6->click();
    EXPECT_EQ(box.seen, 2);
    EXPECT_EQ(settings->PCMain->currentWidget(), settings->TSDirect); // back to the field

    EXPECT_TRUE(WaitFor([&] { return ctx.exchange->AnswerReceived; }));
    EXPECT_FALSE(AnyWriteRequest());
    EXPECT_EQ(sensor->Parameter("E04"), heater);
    EXPECT_EQ(sensor->Parameter("P32"), volt);
}

TEST_F(SettingsGuards, NoSendWhileAReadRunsAndNoReadWhileTheWriteWindowIsOpen) {
    settings->BBSensorRead->click();
    ASSERT_TRUE(settings->TimSensorRead->isActive());
    EXPECT_FALSE(settings->BBWrite->isEnabled());
    EXPECT_FALSE(settings->BitBtn6->isEnabled());
    // A send that gets through anyway (a keyboard shortcut, a queued click) is refused.
    box.ArmOnce();
    settings->BBWriteClick();
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("センサー読込中のため、送出できません")))
        << box.text.toStdString();
    EXPECT_FALSE(writer->isVisible());

    ASSERT_TRUE(WaitFor([&] { return !settings->TimSensorRead->isActive(); }, 10000));
    EXPECT_TRUE(settings->BBWrite->isEnabled());
    EXPECT_TRUE(settings->BitBtn6->isEnabled());
    EXPECT_TRUE(ctx.exchange->Collecting);
    EXPECT_FALSE(AnyWriteRequest());

    // With the write window open, a read is refused and polling is left to the write.
    bool refused = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(writer->isVisible());
        const bool collecting = ctx.exchange->Collecting;
        MessageCatcher inner;
        inner.ArmOnce();
        settings->BBSensorReadClick();
        refused = inner.text == QStringLiteral("書込み中のため、読込できません");
        EXPECT_FALSE(settings->TimSensorRead->isActive());
        EXPECT_EQ(ctx.exchange->Collecting, collecting);
        writer->reject();
    });
    settings->BBWrite->click();
    EXPECT_TRUE(refused);
}

TEST_F(SettingsGuards, ClosingThePortDuringAReadStaysClosed) {
    ASSERT_TRUE(sensor->SetParameter("E02", 6.5f));
    const QString shown = settings->EAdjWS->text();
    settings->BBSensorRead->click();
    ASSERT_TRUE(settings->TimSensorRead->isActive());
    settings->SBDisconnection->click();
    EXPECT_FALSE(settings->TimSensorRead->isActive());
    EXPECT_TRUE(settings->BBSensorRead->isEnabled());
    EXPECT_TRUE(settings->BBWrite->isEnabled());
    // Time enough for the read to have ended had it gone on: nothing undoes the close.
    EXPECT_FALSE(WaitFor([&] { return ctx.exchange->Collecting; }, 1500));
    EXPECT_FALSE(form->Link().PortConnected());
    EXPECT_EQ(settings->EAdjWS->text(), shown); // a read cut short shows nothing
}

} // namespace
} // namespace qvr::test
