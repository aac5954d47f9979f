#include "e2e_fixture.h"

#include "../modal_answers.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "sim/control_commands.h"

#include "settings/sys_set_form.h"
#include "write/write_form.h"

#include "ui/language.h"
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

namespace qvr::test {
namespace {

// Accepts every message box that opens, also inside a handler's nested loop,
// and keeps the last text.
struct BoxWatcher {
    QTimer timer;
    QString text;
    int seen = 0;
    BoxWatcher() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // The write's question about its plan is the fixture's to answer.
            if (box && box->objectName() != "ConfirmBox") {
                text = box->text();
                ++seen;
                box->accept();
            }
        });
        timer.start();
    }
};

// The settings and write windows beside the main window, as the program entry
// creates them, against the simulated sensor.
class ParameterWrite : public EndToEndWithSettings {
protected:
    void StartWindows() {
        LastWrite = {};
        StartSensor();
        StartProgram();
        CreateSettingsWindows(ctx);
        AnswerConfirmations();
    }
    void Connect() {
        form->BBStartClick();
        ASSERT_TRUE(form->Link().PortConnected());
        ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; })); // polling runs
        settings->show();
        settings->PCMain->setCurrentWidget(settings->TSDirect);
        // Opening reads the sensor's set to compare the fields with it.
        ASSERT_TRUE(WaitFor([&] { return !settings->TimSensorRead->isActive(); }, 10000));
    }

    QStringList Log() const { return writer->MSts->toPlainText().split('\n'); }
    // The write's timer stops whenever a write ends, however it ends; a
    // question about the plan is answered with `confirmWith`.
    bool Ended() const { return !writer->Timer1->isActive() && !writer->ConfirmBox->isVisible(); }
    // The question about the plan, whenever it comes, is answered with `confirmWith`.
    QMessageBox::StandardButton confirmWith = QMessageBox::Yes;
    int confirmations = 0;
    QString confirmText;
    QTimer confirmer;
    void AnswerConfirmations() {
        confirmer.setInterval(20);
        QObject::connect(&confirmer, &QTimer::timeout, [this] {
            if (!writer || !writer->ConfirmBox->isVisible()) return;
            ++confirmations;
            confirmText = writer->ConfirmBox->text();
            writer->ConfirmBox->button(confirmWith)->click();
        });
        confirmer.start();
    }

    // Presses the send button; inside the modal write window runs the write
    // until it ends, lets `before` look at it, then leaves it with `leave`.
    // `atStart` runs just before "　書込み実行" is pressed.
    void SendAndWrite(const std::function<void()>& leave, const std::function<void()>& before = {},
                      const std::function<void()>& atStart = {}) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(writer->isVisible() && writer->isModal());
            // Start once the latest poll has its answer: a poll answer still on its
            // way would count as the first group's answer. Answers come in order.
            EXPECT_TRUE(WaitFor([&] {
                const Exchange& e = *ctx.exchange;
                return e.AnswerReceived && e.AnswerPairs[0].Key == e.RequestPairs[0].Key;
            }));
            if (atStart) atStart();
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
                     // The plan: exactly the keys typed, in the order they are sent;
                     // the calibrated ones are asked about before "Group-1".
                     const QStringList log = Log();
                     EXPECT_TRUE(log.first().startsWith("バックアップ: "));
                     EXPECT_EQ(log[1], "この書込みで変わる値（キー 名称: センサーの値 → 送る値）:");
                     QStringList planned;
                     for (const QString& line : log.mid(2, 6))
                         planned << line.mid(2, 3);
                     EXPECT_EQ(planned, (QStringList{"E01", "E02", "P01", "P20", "E16", "P32"}));
                     EXPECT_EQ(log[2], "  E01 0m/s.時温度差 (℃): 50.00 → 48.50");
                     EXPECT_EQ(log[8], "確認を受けて書き込みます");
                     EXPECT_EQ(log[9], "【書込み開始】");
                     EXPECT_EQ(confirmations, 1);
                     EXPECT_TRUE(confirmText.contains("E01") && confirmText.contains("E16"));
                     EXPECT_FALSE(confirmText.contains("E02"));
                     // The result is in sight at the window's default size, and
                     // so is the backup line, above the log.
                     const QScrollBar* bar = writer->MSts->verticalScrollBar();
                     EXPECT_GT(bar->maximum(), 0);
                     EXPECT_EQ(bar->value(), bar->maximum());
                     EXPECT_TRUE(writer->LBackup->isVisible());
                     EXPECT_TRUE(writer->LBackup->text().startsWith("バックアップ: "));
                     // No line of the log wraps, at any display scale.
                     for (QTextBlock b = writer->MSts->document()->begin(); b.isValid();
                          b = b.next())
                         EXPECT_EQ(b.layout()->lineCount(), 1) << b.text().toStdString();
                 });
    const std::pair<const char*, float> stored[] = {
        {"E02", 6.25f}, {"E01", 48.5f}, {"E16", -0.125f}, {"P32", 3.3f},
        {"P01", 1.5f},  {"P20", -2.0f}, {"E03", 20.0f},   {"P41", 9.0f}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(sensor->Parameter(key), value) << key;
    EXPECT_FALSE(sensor->WriteSessionOpen()); // "Finish" closed it
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Verified);
    EXPECT_EQ(LastWrite.Written.AdjWS, 6.25f);
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
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{"●●読戻し確認: 全30項目一致●●", "●●書込み完了しました！●●"}));
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
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.mid(log.size() - 6, 5),
              (QStringList{"Data Missmatch! : P02:0.00 ? 0.01",
                           "Group-2 ： 書込み失敗！ 送信データ不一致", "書込み停止しました！",
                           "Finish ： 書込み（センサーの書込みモードを閉じます）",
                           "Finish ： 書込み成功！"}));
    EXPECT_TRUE(log.last().startsWith("センサーには一部だけ書き込まれた設定が残っています。"));
    for (const auto& r : sensor->Requests())
        EXPECT_EQ(r.payload.rfind("RW,P05=", 0), std::string::npos) << "Group-3 was sent";
    EXPECT_FALSE(sensor->WriteSessionOpen()); // closed, the groups written stay written
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Failed);
    EXPECT_TRUE(ctx.exchange->Collecting);
}

TEST_F(ParameterWrite, ClosingTheWriteWindowByItsCloseBoxResumesPolling) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.mute = true;
    sensor->SetFaults(faults);
    bool ran = false;
    BoxWatcher box;
    QTimer::singleShot(0, [&] {
        writer->BBDo->click();
        EXPECT_TRUE(WaitFor([&] { return Log().contains("Group-1 ： 書込み"); }, 10000));
        writer->close(); // what the title bar's close box does
        ran = true;
    });
    settings->BBWrite->click();
    ASSERT_TRUE(ran);
    EXPECT_FALSE(writer->Timer1->isActive());
    EXPECT_TRUE(ctx.exchange->Collecting);
    // A silent sensor may still have taken Group-1: its write mode is closed again.
    EXPECT_EQ(box.seen, 1);
    EXPECT_TRUE(box.text.startsWith("センサーには一部だけ書き込まれた設定が残っています。"));
    EXPECT_TRUE(WaitFor([&] { return !sensor->WriteSessionOpen(); }));
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Stopped);
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
    // Connected with the window open: the sensor's set is read, then polling goes on.
    EXPECT_TRUE(settings->TimSensorRead->isActive());
    ASSERT_TRUE(WaitFor([&] { return !settings->TimSensorRead->isActive(); }, 10000));
    EXPECT_TRUE(ctx.exchange->Collecting);
    EXPECT_FALSE(settings->LSensorCompare->text().isEmpty());
    box.ArmOnce();
    settings->BBComSetStd->click();
    EXPECT_EQ(box.text, "ポートを変更するには、データ収集を停止してください。");

    settings->SBDisconnection->click();
    EXPECT_FALSE(form->Link().PortConnected());
    EXPECT_FALSE(ctx.exchange->Collecting);
    EXPECT_TRUE(settings->SBDisconnection->isChecked());
    EXPECT_FALSE(settings->SBConnection->isChecked());

    // Started and stopped from the main window, the buttons follow the port.
    form->BBStartClick();
    ASSERT_TRUE(form->Link().PortConnected());
    EXPECT_TRUE(settings->SBConnection->isChecked());
    form->BBStopClick();
    EXPECT_TRUE(WaitFor([&] { return settings->SBDisconnection->isChecked(); }));
    EXPECT_FALSE(settings->SBConnection->isChecked());
}

TEST_F(ParameterWrite, AnEchoCutShortFailsItsGroup) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.echoPairs = 2; // "Finish" has two pairs: its echo stays whole
    sensor->SetFaults(faults);
    SendAndWrite([&] { writer->BBCancel->click(); });
    const QStringList log = Log();
    const auto failed = log.indexOf("Group-1 ： 書込み失敗！ 送信データ不一致");
    ASSERT_GE(failed, 3) << log.join('\n').toStdString();
    EXPECT_EQ(log.mid(failed - 3, 3),
              (QStringList{"No Data! : E01:", "No Data! : E02:", "No Data! : E03:"}));
    EXPECT_FALSE(log.contains("●●書込み完了しました！●●"));
    EXPECT_FALSE(log.contains("Group-2 ： 書込み"));
    EXPECT_FALSE(sensor->WriteSessionOpen());
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Failed);
}

TEST_F(ParameterWrite, AWriteTheSensorAcknowledgesButDoesNotStoreIsNotComplete) {
    StartWindows();
    Connect();
    settings->EAdjDifT->setText("25.12");
    sim::SensorFaults faults;
    faults.unstoredWrites = {"E03"};
    sensor->SetFaults(faults);
    SendAndWrite([&] { writer->BBCancel->click(); },
                 [&] {
                     EXPECT_FALSE(writer->BBClose->isEnabled());
                     EXPECT_TRUE(writer->BBCancel->isEnabled());
                 });
    const QStringList log = Log();
    EXPECT_TRUE(log.contains("Finish ： 書込み成功！"));
    EXPECT_TRUE(log.contains("読戻し不一致! : E03:25.12 ? 20.00")) << log.join('\n').toStdString();
    EXPECT_FALSE(log.contains("●●書込み完了しました！●●"));
    EXPECT_EQ(log.last(), "書込み停止しました！");
    EXPECT_EQ(sensor->Parameter("E03"), 20.0f);
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Failed);
    EXPECT_TRUE(ctx.exchange->Collecting);
}

TEST_F(ParameterWrite, AnswersLateEnoughToMissTheirTickAreNotTakenForTheNextGroup) {
    StartWindows();
    Connect();
    settings->EAdjWS->setText("6.25");
    sim::SensorFaults faults;
    faults.delayMs = 400; // after the check of its own group, before the next one's
    // Late from the write on: the backup's read answers trail into Group-1 too.
    SendAndWrite([&] { writer->BBClose->click(); }, {}, [&] { sensor->SetFaults(faults); });
    const QStringList log = Log();
    EXPECT_TRUE(log.filter("Missmatch").isEmpty()) << log.join('\n').toStdString();
    EXPECT_FALSE(log.filter("の遅れた応答を無視しました").isEmpty());
    EXPECT_EQ(log.last(), "●●書込み完了しました！●●");
    EXPECT_EQ(sensor->Parameter("E02"), 6.25f);
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Verified);
}

TEST_F(ParameterWrite, ASensorFallenSilentMidwayGetsTheClosingGroupOnce) {
    StartWindows();
    Connect();
    SendAndWrite([&] { writer->BBCancel->click(); }, {},
                 [&] {
                     // Silent from Group-3 on; it still takes what it receives.
                     QTimer::singleShot(0, [&] {
                         EXPECT_TRUE(WaitFor(
                             [&] { return Log().contains("Group-2 ： 書込み成功！"); }, 20000));
                         sim::SensorFaults faults;
                         faults.silentAfterMs = 0;
                         sensor->SetFaults(faults);
                     });
                 });
    const QStringList log = Log();
    EXPECT_EQ(log.count("Group-3 ： 書込み"), 4);
    ASSERT_GE(log.size(), 5);
    EXPECT_EQ(log.mid(log.size() - 5, 4),
              (QStringList{"Group-3 ： 応答なし 書込み失敗！", "書込み停止しました！",
                           "Finish ： 書込み（センサーの書込みモードを閉じます）",
                           "Finish ： 応答なし"}));
    EXPECT_TRUE(log.last().startsWith("センサーには一部だけ書き込まれた設定が残っています。"));
    int closings = 0;
    for (const auto& r : sensor->Requests())
        closings += r.payload == "RW,E91=0,P99=0,";
    EXPECT_EQ(closings, 1);
    EXPECT_FALSE(sensor->WriteSessionOpen());
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Failed);
}

TEST_F(ParameterWrite, CancelAfterGroupTwoClosesTheWriteModeAndNamesTheBackup) {
    StartWindows();
    prm.SerialNo = "A12";
    Connect();
    settings->EDifT0m->setText("44");
    settings->SGRev->item(2, 1)->setText("0.5");  // VAL1, in Group-2
    settings->SGRev->item(3, 1)->setText("0.75"); // VAL2, in Group-3
    bool ran = false;
    BoxWatcher box;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(WaitFor([&] {
            const Exchange& e = *ctx.exchange;
            return e.AnswerReceived && e.AnswerPairs[0].Key == e.RequestPairs[0].Key;
        }));
        writer->BBDo->click();
        EXPECT_TRUE(WaitFor([&] { return Log().contains("Group-2 ： 書込み成功！"); }, 20000));
        writer->BBCancel->click();
        ran = true;
    });
    settings->BBWrite->click();
    ASSERT_TRUE(ran);
    const QStringList log = Log();
    const QString first = log.first();
    ASSERT_TRUE(first.startsWith("バックアップ: " + QString::fromStdString(dir.File("Backup"))));
    const QString backup = first.mid(QStringLiteral("バックアップ: ").size());
    EXPECT_EQ(box.text,
              "センサーには一部だけ書き込まれた設定が残っています。元に戻すにはバックアップ " +
                  backup + " を読み込んで送出してください");
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{"書込みを中止しました",
                           "Finish ： 書込み（センサーの書込みモードを閉じます）", box.text}));
    EXPECT_TRUE(WaitFor([&] { return !sensor->WriteSessionOpen(); }));
    EXPECT_EQ(sensor->Parameter("E01"), 44.0f);
    EXPECT_EQ(sensor->Parameter("P04"), 0.5f);
    EXPECT_EQ(sensor->Parameter("P06"), 0.0f); // Group-3 never went out
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Stopped);
    EXPECT_TRUE(PollingResumes());
}

TEST_F(ParameterWrite, TheBackupOfAWriteLoadedAndSentRestoresTheSensor) {
    StartWindows();
    const std::pair<const char*, float> earlier[] = {
        {"E01", 47.5f}, {"E04", 0.25f}, {"E16", 0.125f}, {"P05", 2.0f}, {"P20", -1.25f}};
    for (const auto& [key, value] : earlier)
        ASSERT_TRUE(sensor->SetParameter(key, value));
    const auto before = sensor->Parameters();
    prm.SerialNo = "A12";
    Connect();
    settings->EDifT0m->setText("44");
    settings->EStdVolt->setText("3.3");
    SendAndWrite([&] { writer->BBClose->click(); });
    ASSERT_EQ(sensor->Parameter("E01"), 44.0f);
    ASSERT_EQ(sensor->Parameter("E04"), 0.2f);

    const QString first = Log().first();
    ASSERT_TRUE(first.startsWith("バックアップ: ")) << first.toStdString();
    const QString backup = first.mid(QStringLiteral("バックアップ: ").size());
    EXPECT_TRUE(backup.startsWith(QString::fromStdString(dir.File("Backup") + "/A12_")));
    EXPECT_TRUE(backup.endsWith(".qvr"));
    ASSERT_TRUE(FileExists(backup.toStdString()));

    AnswerDialog(settings->LoadDlg, backup);
    settings->BBSetpointLoad->click();
    EXPECT_EQ(settings->EDifT0m->text(), "47.50");
    SendAndWrite([&] { writer->BBClose->click(); });
    EXPECT_EQ(Log().last(), "●●書込み完了しました！●●");
    EXPECT_EQ(sensor->Parameters(), before);
}

TEST_F(ParameterWrite, AHeaterOutputTheSensorHoldsOtherwiseShowsInTheReadBack) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.wrongWrites["E04"] = "0.3000";
    sensor->SetFaults(faults);
    SendAndWrite([&] { writer->BBCancel->click(); },
                 [&] { EXPECT_FALSE(writer->BBClose->isEnabled()); });
    const QStringList log = Log();
    EXPECT_TRUE(log.contains("Group-1 ： 書込み成功！")); // the echo check skips E04
    EXPECT_FALSE(log.contains("●●書込み完了しました！●●"));
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log.mid(log.size() - 4, 2),
              (QStringList{"読戻し不一致! : E04:0.2000 ? 0.3000",
                           "●●読戻し確認: 30項目中 不一致 1、読めず 0●●"}));
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Failed);
    EXPECT_TRUE(ctx.exchange->Collecting);
    EXPECT_TRUE(PollingResumes());
}

TEST_F(ParameterWrite, ASensorThatDoesNotReportItsParametersIsWrittenWithoutABackup) {
    StartWindows();
    Connect();
    sim::SensorFaults faults;
    faults.emptyReadKeys = {"P41"};
    sensor->SetFaults(faults);
    SendAndWrite([&] { writer->BBCancel->click(); });
    const QStringList log = Log();
    EXPECT_EQ(log.first(), "バックアップ: センサーが P41 を返さないため保存していません");
    EXPECT_FALSE(log.contains("●●書込み完了しました！●●"));
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{"読戻しなし! : P41:9.000", "●●読戻し確認: 30項目中 不一致 0、読めず 1●●",
                           "●●書込み未確認: 読戻しで確かめられませんでした●●"}));
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Unverified);
    EXPECT_FALSE(DirectoryExists(dir.File("Backup")));
}

TEST_F(ParameterWrite, TheReadButtonShowsWhatTheSensorHoldsAndWritesNothing) {
    StartWindows();
    Connect();
    ASSERT_TRUE(sensor->SetParameter("E02", 6.5f));
    ASSERT_TRUE(sensor->SetParameter("P19", 12.5f));
    ASSERT_TRUE(sensor->SetParameter("E04", 0.3f));
    ASSERT_TRUE(sensor->SetParameter("E01", settings->EDifT0m->text().toFloat())); // as shown
    sim::SensorFaults faults;
    faults.emptyReadKeys = {"E04", "P02"};
    sensor->SetFaults(faults);
    settings->EHeaterWatt->setText("0.2500"); // typed, not yet taken
    sensor->ClearRequests();
    BoxWatcher box;
    settings->BBSensorRead->click();
    EXPECT_FALSE(settings->BBSensorRead->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return box.seen == 1; }, 10000));
    EXPECT_TRUE(settings->BBSensorRead->isEnabled());
    EXPECT_TRUE(box.text.endsWith("E04, P02")) << box.text.toStdString();
    EXPECT_EQ(settings->EAdjWS->text(), "6.50");
    EXPECT_EQ(settings->SGRev->item(10, 0)->text(), "12.50");
    EXPECT_EQ(settings->EHeaterWatt->text(), "0.2500"); // not read: kept
    EXPECT_EQ(prm.AdjWS, 5.0f);                         // shown, not taken
    // What the read changed is marked, and the status line says it is done.
    EXPECT_TRUE(settings->EAdjWS->property("changedByRead").toBool());
    EXPECT_TRUE(settings->SGRev->item(10, 0)->data(TSysSetForm::kChangedByReadRole).toBool());
    EXPECT_FALSE(settings->EDifT0m->property("changedByRead").toBool());
    EXPECT_FALSE(settings->EHeaterWatt->property("changedByRead").toBool());
    EXPECT_TRUE(settings->LStatus->text().startsWith("センサー読込完了: ") &&
                settings->LStatus->text().endsWith(" 項目の値が変わりました"))
        << settings->LStatus->text().toStdString();
    for (const auto& r : sensor->Requests())
        EXPECT_EQ(r.payload.rfind("RW,", 0), std::string::npos) << r.payload;
    EXPECT_TRUE(ctx.exchange->Collecting);
    EXPECT_TRUE(PollingResumes());

    sensor->SetFaults({});
    settings->SBDisconnection->click();
    MessageCatcher closed;
    closed.ArmOnce();
    settings->BBSensorRead->click();
    EXPECT_EQ(closed.text, "接続していないので、実行できません！");
}

// A calibrated sensor meets a program started afresh (the start-up set of
// "BaseSetpoint.ini" in its fields): the window shows where they differ, and a
// write names the calibrated values it would replace and waits for a yes.
TEST_F(ParameterWrite, AFreshStartShowsTheCalibratedSensorAndAWriteAsksBeforeUndoingIt) {
    StartWindows();
    sim::ControlCommands commands(*sensor);
    for (const char* line : {"set E01 46.00", "set E03 17.47", "set E16 -0.226", "set E17 0.125",
                             "set E12 -0.382", "set E13 0.25"})
        ASSERT_TRUE(commands.Execute(line).ok) << line;
    Connect(); // opening the window reads the sensor's set
    EXPECT_EQ(settings->LSensorCompare->text(), "6 項目の値がセンサーと異なります");
    for (QLineEdit* e : {settings->EDifT0m, settings->EAdjDifT, settings->EATDif1,
                         settings->EATDif2, settings->EWDDif1, settings->EWDDif2})
        EXPECT_TRUE(e->property("differsFromSensor").toBool()) << e->objectName().toStdString();
    EXPECT_EQ(settings->EDifT0m->toolTip(), "センサーの値: 46.00");
    EXPECT_FALSE(settings->EAdjWS->property("differsFromSensor").toBool());
    EXPECT_FALSE(settings->SGRev->item(1, 0)->data(TSysSetForm::kDiffersRole).toBool());

    sensor->ClearRequests();
    confirmWith = QMessageBox::No;
    SendAndWrite(
        [&] { writer->BBCancel->click(); },
        [&] {
            EXPECT_EQ(confirmations, 1);
            for (const char* key : {"E01", "E03", "E12", "E13", "E16", "E17"}) {
                EXPECT_TRUE(confirmText.contains(QString(key) + " ")) << key;
                // Named in the log's plan, once.
                EXPECT_EQ(Log().filter(QRegularExpression(QString("^  ") + key + " ")).size(), 1)
                    << key;
            }
            EXPECT_TRUE(confirmText.contains("46.00 → 50.00"));
            EXPECT_EQ(Log().last(), "書込みを取りやめました（センサーには何も送っていません）");
            EXPECT_FALSE(Log().contains("【書込み開始】"));
        });
    for (const auto& r : sensor->Requests())
        EXPECT_EQ(r.payload.rfind("RW,", 0), std::string::npos) << r.payload;
    EXPECT_EQ(sensor->Parameter("E01"), 46.0f);
    // The backup of the calibrated set begins with what the write would have changed.
    const QStringList backups =
        QDir(QString::fromStdString(dir.File("Backup"))).entryList({"*.qvr"}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(backups[0].startsWith("no-serial_")) << backups[0].toStdString();
    const std::vector<std::string> backup =
        ReadTextLines(dir.File("Backup/" + backups[0].toStdString()));
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(backup[0].rfind(
                  "; 書込み前のセンサーの設定。この後の書込みで変わる値: E01 46.00 → 50.00", 0),
              0u)
        << backup[0];
    EXPECT_TRUE(PollingResumes());

    // Read from the sensor: the fields take its set and agree with it.
    settings->BBSensorRead->click();
    ASSERT_TRUE(WaitFor([&] { return !settings->TimSensorRead->isActive(); }, 10000));
    EXPECT_EQ(settings->EDifT0m->text(), "46.00");
    EXPECT_EQ(settings->LSensorCompare->text(), "すべての値がセンサーと一致しています");
    EXPECT_FALSE(settings->EDifT0m->property("differsFromSensor").toBool());
    // A value typed then stands out at once.
    settings->EAdjWS->setText("6.00");
    EXPECT_TRUE(settings->EAdjWS->property("differsFromSensor").toBool());
    EXPECT_EQ(settings->LSensorCompare->text(), "1 項目の値がセンサーと異なります");
}

// A write that changes nothing says so and sends nothing unless the operator insists.
TEST_F(ParameterWrite, AWriteThatChangesNothingSendsNothingUnlessConfirmed) {
    StartWindows();
    Connect();
    EXPECT_EQ(settings->LSensorCompare->text(), "すべての値がセンサーと一致しています");
    sensor->ClearRequests();
    confirmWith = QMessageBox::No;
    SendAndWrite([&] { writer->BBCancel->click(); },
                 [&] {
                     EXPECT_EQ(confirmations, 1);
                     EXPECT_TRUE(confirmText.contains("それでも書き込みますか？"));
                     EXPECT_TRUE(Log().contains(
                         "この書込みで変わる値: なし（センサーは送る値をすべて持っています）"));
                 });
    for (const auto& r : sensor->Requests())
        EXPECT_EQ(r.payload.rfind("RW,", 0), std::string::npos) << r.payload;

    confirmWith = QMessageBox::Yes; // insisted: written and verified
    SendAndWrite([&] { writer->BBClose->click(); });
    EXPECT_EQ(LastWrite.Result, TWriteRecord::Outcome::Verified);
}

// Pictures for the user guide, taken on a real X server when QVR_SHOTS names a
// folder (scripts/screenshots-plan.sh): the menu bar, the settings window
// against a calibrated sensor and the write's plan with its question.
TEST_F(ParameterWrite, PicturesOfTheMenuAndThePlan) {
    const QString out = qEnvironmentVariable("QVR_SHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "QVR_SHOTS names no folder";
    const QString tag = qEnvironmentVariable("QVR_SHOTS_TAG");
    const auto shoot = [&](const QString& name, QRect area) {
        QScreen* screen = QGuiApplication::primaryScreen();
        area = area.intersected(screen->geometry());
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        EXPECT_TRUE(shot.save(out + "/" + name + "-" + tag + ".png")) << name.toStdString();
    };
    const auto settle = [] { QTest::qWait(400); };
    if (qEnvironmentVariable("QVR_SHOTS_LANG") == "en")
        ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
    StartWindows();
    sim::ControlCommands commands(*sensor);
    for (const char* line : {"set E01 46.00", "set E03 17.47", "set E16 -0.226", "set E17 0.125",
                             "set E12 -0.382", "set E13 0.25", "speed 3.2"})
        ASSERT_TRUE(commands.Execute(line).ok) << line;
    form->move(40, 40);
    form->BBStartClick();
    ASSERT_TRUE(WaitFor([&] { return current.ModelNo != 0; }));
    settle();
    form->MMWindows->popup(form->mapToGlobal(
        form->menuBar()->actionGeometry(form->MMWindows->menuAction()).bottomLeft()));
    settle();
    shoot("menu", form->frameGeometry().united(form->MMWindows->geometry()).adjusted(-4, -4, 4, 4));
    form->MMWindows->hide();

    settings->move(60, 20);
    Connect();
    settle();
    shoot("settings-compare", settings->frameGeometry());

    confirmer.stop();
    bool shot = false;
    QTimer::singleShot(0, [&] {
        writer->move(80, 60);
        writer->BBDo->click();
        EXPECT_TRUE(WaitFor([&] { return writer->ConfirmBox->isVisible(); }, 20000));
        settle();
        shoot("write-plan", writer->frameGeometry().united(writer->ConfirmBox->frameGeometry()));
        shot = true;
        writer->ConfirmBox->button(QMessageBox::No)->click();
        settle();
        writer->BBCancel->click();
    });
    settings->BBWrite->click();
    EXPECT_TRUE(shot);
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

} // namespace
} // namespace qvr::test
