#include "e2e_fixture.h"

#include "../modal_answers.h"
#include "base/ini_file.h"

#include "settings/sys_set_form.h"
#include "write/write_form.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

namespace qvr::test {
namespace {

// The settings and write windows beside the main window, as the program entry
// creates them, against the simulated sensor.
class ParameterWrite : public EndToEnd {
protected:
    std::unique_ptr<TSysSetForm> settings;
    std::unique_ptr<TWriteForm> writer;

    void StartWindows() {
        StartSensor();
        StartProgram();
        settings = std::make_unique<TSysSetForm>(ctx);
        writer = std::make_unique<TWriteForm>(ctx);
        SysSetForm = settings.get();
        WriteForm = writer.get();
    }
    void Connect() {
        form->BBStartClick();
        ASSERT_TRUE(form->Link().PortConnected());
        ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; })); // polling runs
        settings->show();
        settings->PCMain->setCurrentWidget(settings->TSDirect);
    }

    void TearDown() override {
        WriteForm = nullptr;
        SysSetForm = nullptr;
        writer.reset();
        settings.reset();
        EndToEnd::TearDown();
    }

    QStringList Log() const { return writer->MSts->toPlainText().split('\n'); }
    bool Ended() const {
        const QString last = Log().last();
        return last == "●●書込み完了しました！●●" || last == "書込み停止しました！";
    }

    // Presses the send button; inside the modal write window runs the write
    // until it ends, lets `before` look at it, then leaves it with `leave`.
    void SendAndWrite(const std::function<void()>& leave,
                      const std::function<void()>& before = {}) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(writer->isVisible() && writer->isModal());
            // Start once the latest poll has its answer: a poll answer still on its
            // way would count as the first group's answer. Answers come in order.
            EXPECT_TRUE(WaitFor([&] {
                const Exchange& e = *ctx.exchange;
                return e.AnswerReceived && e.AnswerPairs[0].Key == e.RequestPairs[0].Key;
            }));
            writer->BBDo->click();
            EXPECT_FALSE(ctx.exchange->Collecting);
            EXPECT_TRUE(WaitFor([&] { return Ended(); }, 20000)) << Log().join('\n').toStdString();
            if (before) before();
            ran = true;
            leave();
            if (writer->isVisible()) { // never hang on a window that would not close
                ADD_FAILURE() << "the write window stayed open: " << Log().join('\n').toStdString();
                writer->reject();
            }
        });
        settings->BBWrite->click();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(writer->isVisible());
    }

    // Polling has resumed: the sensor is asked again.
    bool PollingResumes() {
        sensor->ClearRequests();
        return WaitFor([&] {
            for (const auto& r : sensor->Requests())
                if (r.payload.rfind("RD,", 0) == 0) return true;
            return false;
        });
    }
};

TEST_F(ParameterWrite, EditedValuesReachTheSensor) {
    StartWindows();
    Connect();
    EXPECT_TRUE(settings->SBConnection->isChecked()); // the start button connected through it
    settings->EAdjWS->setText("6.25");
    settings->EDifT0m->setText("48.5");
    settings->EATDif1->setText("-0.125");
    settings->EStdVolt->setText("3.3");
    settings->SGRev->item(1, 0)->setText("1.5"); // DIV0
    settings->SGRev->item(10, 1)->setText("-2"); // VAL9

    SendAndWrite([&] { writer->BBClose->click(); },
                 [&] {
                     EXPECT_TRUE(writer->BBClose->isEnabled());
                     EXPECT_FALSE(writer->BBCancel->isEnabled());
                     EXPECT_EQ(Log().first(), "【書込み開始】");
                 });
    const std::pair<const char*, float> stored[] = {
        {"E02", 6.25f}, {"E01", 48.5f}, {"E16", -0.125f}, {"P32", 3.3f},
        {"P01", 1.5f},  {"P20", -2.0f}, {"E03", 20.0f},   {"P41", 9.0f}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(sensor->Parameter(key), value) << key;
    EXPECT_FALSE(sensor->WriteSessionOpen()); // "Finish" closed it
    EXPECT_EQ(prm.AdjWS, 6.25f);
    EXPECT_TRUE(ctx.exchange->Collecting);
    EXPECT_TRUE(PollingResumes());
}

TEST_F(ParameterWrite, ASetpointFileGoesToTheSensorAndOkKeepsTheBaseFile) {
    std::ofstream(dir.File("BaseSetpoint.ini")) << "[Record]\r\nSecRec=1\r\n";
    StartWindows();
    Connect();
    // Typed values kept in a setpoint file, the typing then lost to a reset.
    settings->EAdjDifT->setText("18.75");
    settings->SGRev->item(2, 1)->setText("0.5"); // VAL1
    const QString file = QString::fromStdString(dir.File("A12"));
    AnswerDialog(settings->SaveDlg, file);
    settings->BBSetpointSave->click();
    ResetPrm(prm);
    settings->ParamsToEdits();
    EXPECT_EQ(settings->EAdjDifT->text(), "20.00");

    AnswerDialog(settings->LoadDlg, file + ".qvr");
    settings->BBSetpointLoad->click();
    EXPECT_EQ(settings->EAdjDifT->text(), "18.75");
    SendAndWrite([&] { writer->BBClose->click(); });
    EXPECT_EQ(sensor->Parameter("E03"), 18.75f);
    EXPECT_EQ(sensor->Parameter("P04"), 0.5f);

    settings->BBOk->click();
    EXPECT_TRUE(settings->isHidden());
    const IniFile base(dir.File("BaseSetpoint.ini"));
    EXPECT_EQ(base.ReadString("Early", "AdjDifT", ""), "18.75");
    EXPECT_EQ(base.ReadString("Early", "VAL1", ""), "0.5");
    EXPECT_EQ(base.ReadString("Record", "SecRec", ""), "1");
}

TEST_F(ParameterWrite, LostAnswersAreResentAndTheWriteSucceeds) {
    StartWindows();
    Connect();
    settings->EHeaterWatt->setText("0.25");
    sim::SensorFaults faults;
    faults.dropWrites = 3; // Group-1 gets through at its fourth sending
    sensor->SetFaults(faults);
    SendAndWrite([&] { writer->BBClose->click(); });
    const QStringList log = Log();
    // Three answers lost; a loaded machine may find a further one late.
    const auto resends = log.count("Group-1 ： 応答なし 再書き込み！");
    EXPECT_GE(resends, 3);
    EXPECT_EQ(log.count("Group-1 ： 書込み"), resends + 1);
    EXPECT_EQ(log.last(), "●●書込み完了しました！●●");
    EXPECT_EQ(sensor->Parameter("E04"), 0.25f);
}

TEST_F(ParameterWrite, AValueTheSensorHoldsOtherwiseStopsTheWrite) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.wrongWrites["P02"] = "0.01";
    sensor->SetFaults(faults);
    sensor->ClearRequests();
    SendAndWrite([&] { writer->BBCancel->click(); },
                 [&] {
                     EXPECT_FALSE(writer->BBClose->isEnabled());
                     EXPECT_TRUE(writer->BBCancel->isEnabled());
                 });
    const QStringList log = Log();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{"Data Missmatch! : P02:0.00 ? 0.01",
                           "Group-2 ： 書込み失敗！ 送信データ不一致", "書込み停止しました！"}));
    for (const auto& r : sensor->Requests())
        EXPECT_EQ(r.payload.rfind("RW,P05=", 0), std::string::npos) << "Group-3 was sent";
    EXPECT_TRUE(sensor->WriteSessionOpen()); // nothing is undone in the sensor
    EXPECT_TRUE(ctx.exchange->Collecting);
}

TEST_F(ParameterWrite, ClosingTheWriteWindowByItsCloseBoxResumesPolling) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.mute = true;
    sensor->SetFaults(faults);
    bool ran = false;
    QTimer::singleShot(0, [&] {
        writer->BBDo->click();
        EXPECT_TRUE(WaitFor([&] { return Log().contains("Group-1 ： 書込み"); }));
        writer->close(); // what the title bar's close box does
        ran = true;
    });
    settings->BBWrite->click();
    ASSERT_TRUE(ran);
    EXPECT_FALSE(writer->Timer1->isActive());
    EXPECT_TRUE(ctx.exchange->Collecting);
    sensor->SetFaults({});
    EXPECT_TRUE(PollingResumes());
    EXPECT_TRUE(WaitFor([&] { return current.Valid; }));
}

TEST_F(ParameterWrite, SendAndPortSetupAskForTheRightPortState) {
    StartWindows();
    settings->show();
    MessageCatcher box;
    // Not connected: the edits are taken, the write window stays shut.
    settings->EAdjWS->setText("7");
    box.ArmOnce();
    settings->BBWrite->click();
    EXPECT_EQ(box.text, "接続していないので、実行できません！");
    EXPECT_EQ(prm.AdjWS, 7.0f);
    EXPECT_FALSE(writer->isVisible());

    settings->SBConnection->click();
    ASSERT_TRUE(form->Link().PortConnected());
    EXPECT_TRUE(ctx.exchange->Collecting);
    box.ArmOnce();
    settings->BBComSetStd->click();
    EXPECT_EQ(box.text, "接続中は変更できません");

    settings->SBDisconnection->click();
    EXPECT_FALSE(form->Link().PortConnected());
    EXPECT_FALSE(ctx.exchange->Collecting);
    EXPECT_TRUE(settings->SBDisconnection->isChecked());
    EXPECT_FALSE(settings->SBConnection->isChecked());
}

} // namespace
} // namespace qvr::test
