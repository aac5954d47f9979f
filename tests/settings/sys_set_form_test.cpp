#include "../local_state.h"
#include "../modal_answers.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "settings/sys_set_form.h"
#include "ui/language.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

QString CellText(QTableWidget* grid, int column, int row) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Answers the message box that opens next, also one that opens only after a
// file dialog has closed, and keeps its text and icon.
struct LateBox {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int seen = 0;
    QTimer poll;
    LateBox() {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            text = box->text();
            icon = box->icon();
            ++seen;
            poll.stop();
            box->accept();
        });
        poll.start();
    }
};

class SysSetFormTest : public ::testing::Test, protected LocalState {
protected:
    AppContext ctx = Context(SystemClock::Instance());
    std::string base = dir.File("BaseSetpoint.ini");
    MessageCatcher box;

    void SetUp() override { ResetPrm(prm); }
};

TEST_F(SysSetFormTest, CreationLoadsTheBaseFileAndShowingFillsTheEdits) {
    ReplaceFileBytes(base, "[Early]\r\nAdjWS=4.5\r\nDIV2=1.005\r\nVAL9=-3\r\n"
                           "[Exp16]\r\nATRev=8.75\r\n[System]\r\nChipStdV=2500\r\n");
    prm.DifT0m = 99; // reset by the load: a missing key is its default
    TSysSetForm form(ctx);
    EXPECT_EQ(prm.AdjWS, 4.5f);
    EXPECT_EQ(prm.DifT0m, 50.0f);
    EXPECT_TRUE(form.isHidden());
    EXPECT_TRUE(form.Tim1S->isActive());
    EXPECT_EQ(form.Tim1S->interval(), 1000);
    EXPECT_EQ(form.PCMain->tabText(0), "管理操作");
    EXPECT_EQ(form.PCMain->tabText(1), "直接操作");
    EXPECT_TRUE(form.SBDisconnection->isChecked());
    EXPECT_FALSE(form.SBConnection->isChecked());

    form.show();
    const std::pair<QLineEdit*, const char*> shown[] = {
        {form.EDifT0m, "50.00"},      {form.EAdjWS, "4.50"},   {form.EAdjDifT, "20.00"},
        {form.EHeaterWatt, "0.2000"}, {form.EATDif1, "0.000"}, {form.EATDif2, "0.000"},
        {form.EWDDif1, "0.000"},      {form.EWDDif2, "0.000"}, {form.EStdVolt, "2500.000"},
        {form.EATRev, "8.750"}};
    for (const auto& [edit, text] : shown)
        EXPECT_EQ(edit->text(), text) << edit->objectName().toStdString();
    EXPECT_EQ(CellText(form.SGRev, 0, 0), "補正点");
    EXPECT_EQ(CellText(form.SGRev, 1, 0), "補正量");
    EXPECT_EQ(CellText(form.SGRev, 0, 3), "1.00"); // DIV2: 1.005 held as 1.00499999...
    EXPECT_EQ(CellText(form.SGRev, 1, 10), "-3.00");
    EXPECT_EQ(CellText(form.SGRev, 0, 1), "0.00");
}

TEST_F(SysSetFormTest, ANumberThatDoesNotConvertStopsOkSaveAndSendAndKeepsEveryEdit) {
    ReplaceFileBytes(base, "[Record]\r\nSecRec=1\r\n");
    const std::string baseBefore = ReadFileBytes(base);
    TSysSetForm form(ctx);
    form.show();
    const TWritePrm before = prm;
    form.EDifT0m->setText("48.25");
    form.EAdjWS->setText("1,5");
    form.EAdjDifT->setText("18");
    form.SGRev->item(1, 0)->setText("2.5");
    form.EStdVolt->setText("3.3");
    const auto expectNothingTaken = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(box.seen, 1);
        EXPECT_EQ(box.text, "変換できない文字がありました\n設定数値を確認してください！\n\n"
                            "基準風速値 (m/s)：「1,5」");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(prm.DifT0m, before.DifT0m);
        EXPECT_EQ(prm.AdjWS, before.AdjWS);
        EXPECT_EQ(prm.ChipStdV, before.ChipStdV);
        EXPECT_EQ(form.EDifT0m->text(), "48.25");
        EXPECT_EQ(form.EAdjWS->text(), "1,5");
        EXPECT_EQ(form.SGRev->item(1, 0)->text(), "2.5");
        EXPECT_EQ(form.EStdVolt->text(), "3.3");
        EXPECT_EQ(form.focusWidget(), form.EAdjWS);
        EXPECT_TRUE(form.EAdjWS->property("unconverted").toBool());
        EXPECT_FALSE(form.EDifT0m->property("unconverted").toBool());
        EXPECT_EQ(ReadFileBytes(base), baseBefore);
        EXPECT_TRUE(form.isVisible());
        box.seen = 0;
    };
    box.ArmOnce();
    form.BBOk->click();
    expectNothingTaken("OK");
    box.ArmOnce(); // not connected: without the bad number this would say so instead
    form.BBWrite->click();
    expectNothingTaken("send");
    const std::string saved = dir.File("saved.qvr");
    QTimer::singleShot(0, [&] {
        form.SaveDlg->selectFile(QString::fromStdString(saved));
        box.ArmOnce(); // the warning comes once the dialog has closed
        static_cast<QDialog*>(form.SaveDlg)->accept();
    });
    form.BBSetpointSave->click();
    expectNothingTaken("save");
    EXPECT_FALSE(FileExists(saved));

    // Corrected, OK takes every edit and the mark goes.
    form.EAdjWS->setText("1.5");
    form.BBOk->click();
    EXPECT_EQ(box.seen, 0);
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(prm.DifT0m, 48.25f);
    EXPECT_EQ(prm.AdjWS, 1.5f);
    EXPECT_EQ(prm.DIV[0], 2.5f);
    EXPECT_EQ(prm.ChipStdV, 3.3f);
    EXPECT_FALSE(form.EAdjWS->property("unconverted").toBool());
    const IniFile ini(base);
    EXPECT_EQ(ini.ReadString("Early", "DifT0m", ""), "48.25");
    EXPECT_EQ(ini.ReadString("Record", "SecRec", ""), "1");
}

TEST_F(SysSetFormTest, EveryTextThatIsNotASinglePrecisionNumberStoresNothing) {
    TSysSetForm form(ctx);
    form.show();
    // A bad text in grid cell VAL3, between good edits before and after it.
    for (const char* bad : {"", "1,5", "inf", "nan", "1e39", "0x1A", "2 m"}) {
        ResetPrm(prm);
        form.ParamsToEdits();
        form.EHeaterWatt->setText(" 0.25 ");
        form.SGRev->item(4, 0)->setText("7.5"); // DIV3
        form.SGRev->item(4, 1)->setText(bad);   // VAL3
        form.SGRev->item(5, 0)->setText("9");   // DIV4
        form.EATRev->setText("1");
        box.ArmOnce();
        EXPECT_FALSE(form.EditsToParams()) << bad;
        EXPECT_TRUE(box.text.endsWith(QStringLiteral("補正量4 (m/s)：「") + bad + "」")) << bad;
        EXPECT_EQ(prm.HeaterWatt, 0.2f) << bad;
        EXPECT_EQ(prm.DIV[3], 0.0f) << bad;
        EXPECT_EQ(prm.ATRev, 9.0f) << bad;
        EXPECT_TRUE(form.SGRev->item(4, 1)->data(Qt::UserRole).toBool()) << bad;
        EXPECT_EQ(form.SGRev->currentItem(), form.SGRev->item(4, 1)) << bad;
    }
    // Blanks around, an exponent and a sign are numbers.
    box.seen = 0;
    form.EATRev->setText(" -1.25e1 ");
    form.SGRev->item(4, 1)->setText("+3");
    EXPECT_TRUE(form.EditsToParams());
    EXPECT_EQ(box.seen, 0);
    EXPECT_EQ(prm.ATRev, -12.5f);
    EXPECT_EQ(prm.VAL[3], 3.0f);
    EXPECT_EQ(prm.HeaterWatt, 0.25f);
    EXPECT_FALSE(form.SGRev->item(4, 1)->data(Qt::UserRole).toBool());
}

TEST_F(SysSetFormTest, CancelDropsTheTypingAndTheNextShowShowsTheParameterSet) {
    TSysSetForm form(ctx);
    form.show();
    form.EAdjWS->setText("7.77");
    form.BBCancel->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(prm.AdjWS, 5.0f);
    EXPECT_FALSE(FileExists(base));
    prm.AdjWS = 6.5f;
    form.show();
    EXPECT_EQ(form.EAdjWS->text(), "6.50");
}

TEST_F(SysSetFormTest, SaveAndLoadGoThroughTheirDialogs) {
    TSysSetForm form(ctx);
    for (QFileDialog* d : {form.SaveDlg, form.LoadDlg}) {
        EXPECT_EQ(d->nameFilters(), QStringList{"qvr setpoint File (*.qvr)"});
        EXPECT_EQ(d->defaultSuffix(), "qvr");
    }
    EXPECT_EQ(form.SaveDlg->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(form.SaveDlg->testOption(QFileDialog::DontConfirmOverwrite));
    form.show();
    form.EATDif1->setText("0.125");
    form.EAdjWS->setText("6");

    // A name typed without extension gets ".qvr"; the typing is saved.
    AnswerDialog(form.SaveDlg, QString::fromStdString(dir.File("sensor")));
    form.BBSetpointSave->click();
    const std::string saved = dir.File("sensor.qvr");
    ASSERT_TRUE(FileExists(saved));
    TWritePrm back;
    LoadSetpointFile(back, saved);
    EXPECT_EQ(back.ATRevice0, 0.125f);
    EXPECT_EQ(back.AdjWS, 6.0f);
    // Confirmed in the status line, the file named in the title.
    EXPECT_EQ(form.LStatus->text(), "保存しました: sensor.qvr");
    EXPECT_EQ(form.windowTitle(), "System Setting - sensor.qvr");

    // A file without "Exp16" loads its defaults into the four errors and ATRev.
    ReplaceFileBytes(dir.File("partial.qvr"), "[Early]\r\nAdjWS=3\r\n");
    form.EATRev->setText("1.000");
    AnswerDialog(form.LoadDlg, QString::fromStdString(dir.File("partial.qvr")));
    LateBox defaulted;
    form.BBSetpointLoad->click();
    EXPECT_EQ(defaulted.seen, 1);
    EXPECT_TRUE(defaulted.text.contains("気温器差-1 (℃)")) << defaulted.text.toStdString();
    EXPECT_EQ(prm.AdjWS, 3.0f);
    EXPECT_EQ(prm.ATRevice0, 0.0f);
    EXPECT_EQ(form.EAdjWS->text(), "3.00");
    for (QLineEdit* e : {form.EATDif1, form.EATDif2, form.EWDDif1, form.EWDDif2})
        EXPECT_EQ(e->text(), "0.000");
    EXPECT_EQ(form.EATRev->text(), "9.000");
    EXPECT_EQ(form.LStatus->text(), "読み込みました: partial.qvr");
    EXPECT_EQ(form.windowTitle(), "System Setting - partial.qvr");

    // A cancelled dialog changes nothing.
    prm.AdjWS = 8;
    QTimer::singleShot(0, [&] { static_cast<QDialog*>(form.LoadDlg)->reject(); });
    form.BBSetpointLoad->click();
    EXPECT_EQ(prm.AdjWS, 8.0f);
    EXPECT_EQ(form.LStatus->text(), "読み込みました: partial.qvr");
}

// A chosen file that lacks fields is loaded and they are named; one with no
// field to load, or far too large, is refused with its name and changes nothing.
TEST_F(SysSetFormTest, ALoadedFileNamesItsDefaultedFieldsOrIsRefused) {
    TSysSetForm form(ctx);
    form.show();
    TWritePrm file;
    ResetPrm(file);
    file.DifT0m = 48.5f;
    file.AdjWS = 5.5f;
    file.HeaterWatt = 0.3f;
    const std::string chosen = dir.File("sensor.qvr");
    SaveSetpointFile(file, chosen);
    IniText text(ReadFileBytes(chosen));
    text.SetValue("Early", "DIV0", "");
    text.SetValue("Exp16", "ATRevice1", "n/a");
    text.SetValue("System", "ChipStdV", "");
    text.Write(chosen);
    {
        AnswerDialog(form.LoadDlg, QString::fromStdString(chosen));
        LateBox late;
        form.BBSetpointLoad->click();
        EXPECT_EQ(late.seen, 1);
        EXPECT_EQ(late.icon, QMessageBox::Information);
        EXPECT_TRUE(late.text.contains(QString::fromStdString(chosen))) << late.text.toStdString();
        EXPECT_TRUE(late.text.endsWith("補正点1 (m/s), 気温器差-2 (℃), 基準電圧 (V)"))
            << late.text.toStdString();
        EXPECT_EQ(form.EDifT0m->text(), "48.50");
        EXPECT_EQ(form.EHeaterWatt->text(), "0.3000");
    }

    const std::string refused[] = {"[Record]\r\nSecRec=1\r\n",
                                   "[Early]\r\nDifT0m=1\r\n" + std::string(1 << 20, ';')};
    for (const std::string& bytes : refused) {
        ReplaceFileBytes(chosen, bytes);
        form.EAdjWS->setText("7");
        AnswerDialog(form.LoadDlg, QString::fromStdString(chosen));
        LateBox late;
        form.BBSetpointLoad->click();
        EXPECT_EQ(late.seen, 1);
        EXPECT_EQ(late.icon, QMessageBox::Critical);
        EXPECT_TRUE(late.text.contains(QString::fromStdString(chosen))) << late.text.toStdString();
        EXPECT_EQ(prm.DifT0m, 48.5f);
        EXPECT_EQ(form.EAdjWS->text(), "7"); // the typing stays too
    }
}

// In English the load messages give their first line and the parameter names in
// English and the file name as the operator chose it.
TEST_F(SysSetFormTest, InEnglishALoadedFileNamesItsDefaultedFieldsInEnglish) {
    ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
    TSysSetForm form(ctx);
    form.show();
    TWritePrm file;
    ResetPrm(file);
    const std::string chosen = dir.File("センサー.qvr");
    SaveSetpointFile(file, chosen);
    IniText text(ReadFileBytes(chosen));
    text.SetValue("Early", "DIV0", "");
    text.SetValue("System", "ChipStdV", "");
    text.Write(chosen);
    const QString name = QString::fromStdString(chosen);
    const struct {
        QString expected;
        QMessageBox::Icon icon;
    } loads[] = {
        {"Items missing from the setpoint file or not numbers took their defaults:\n" + name +
             "\nCorrection point 1 (m/s), Reference voltage (V)",
         QMessageBox::Information},
        {"The setpoint file holds no readable value, so nothing was loaded:\n" + name,
         QMessageBox::Critical},
    };
    for (const auto& load : loads) {
        AnswerDialog(form.LoadDlg, name);
        LateBox late;
        form.BBSetpointLoad->click();
        EXPECT_EQ(late.seen, 1);
        EXPECT_EQ(late.icon, load.icon);
        EXPECT_EQ(late.text, load.expected);
        ReplaceFileBytes(chosen, "[Record]\r\nSecRec=1\r\n");
    }
    // The same refusal when a calibration starts from such defaults.
    const std::string defaults = dir.File("DefaultPrm.qvr");
    ReplaceFileBytes(defaults, "[Record]\r\nSecRec=1\r\n");
    form.ESNum->setText("A12");
    LateBox late;
    form.BBCalStart->click();
    EXPECT_EQ(late.seen, 1);
    EXPECT_EQ(late.text, "The setpoint file holds no readable value, so nothing was loaded:\n" +
                             QString::fromStdString(defaults));
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

// A settings file far too large is named at start; the program goes on with
// the built-in set and will not overwrite the file.
TEST_F(SysSetFormTest, AnOversizedBaseFileIsNamedAtCreationAndKept) {
    const std::string huge = "[System]\r\nChipStdV=3\r\n" + std::string(2 << 20, ';');
    ReplaceFileBytes(base, huge);
    prm.ChipStdV = 7;
    box.ArmOnce();
    TSysSetForm form(ctx);
    EXPECT_EQ(box.seen, 1);
    EXPECT_TRUE(box.text.contains("BaseSetpoint.ini")) << box.text.toStdString();
    EXPECT_EQ(prm.ChipStdV, 7.0f);
    form.show();
    box.ArmOnce();
    form.BBOk->click();
    EXPECT_EQ(box.seen, 2);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(ReadFileBytes(base), huge);
}

TEST_F(SysSetFormTest, ASaveFailureIsShownAndOkLeavesTheWindowOpen) {
    std::filesystem::create_directory(base); // a folder where the file should be
    TSysSetForm form(ctx);
    form.show();
    box.ArmOnce();
    form.BBOk->click();
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(box.text.contains("BaseSetpoint.ini")) << box.text.toStdString();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(SysSetFormTest, WithoutALinkWindowItActsAsNeverConnected) {
    TSysSetForm form(ctx);
    form.show();
    form.SBConnection->click();
    // No port opened, so the button does not stay pressed.
    EXPECT_FALSE(form.SBConnection->isChecked());
    EXPECT_TRUE(form.SBDisconnection->isChecked());
    form.EAdjWS->setText("4");
    box.ArmOnce();
    form.BBWrite->click();
    EXPECT_EQ(box.text, "接続していないので、実行できません！");
    EXPECT_EQ(prm.AdjWS, 4.0f);
    form.SBDisconnection->click();
    EXPECT_TRUE(form.SBDisconnection->isChecked());
    EXPECT_FALSE(form.SBConnection->isChecked());
}

// The calibration saves "<serial>.qvr" beside the program; after a restart the
// window offers it for the serial number typed, while the fields hold other values.
TEST_F(SysSetFormTest, TheSerialNumbersOwnSetpointFileIsOffered) {
    TWritePrm calibrated;
    ResetPrm(calibrated);
    calibrated.DifT0m = 46.0f;
    calibrated.WDTRevice0 = -0.382f;
    SaveSetpointFile(calibrated, dir.File("W01.qvr"));
    TSysSetForm form(ctx);
    form.show();
    EXPECT_FALSE(form.BBLoadSerialFile->isVisible()); // "xxxxxx.qvr" is not there
    form.ESNum->setText("W01");
    ASSERT_TRUE(form.BBLoadSerialFile->isVisible());
    EXPECT_TRUE(form.BBLoadSerialFile->text().contains("W01.qvr"));
    form.ESNum->setText("W02");
    EXPECT_FALSE(form.BBLoadSerialFile->isVisible());
    form.ESNum->setText("W01");
    form.BBLoadSerialFile->click();
    EXPECT_EQ(prm.DifT0m, 46.0f);
    EXPECT_EQ(form.EDifT0m->text(), "46.00");
    EXPECT_EQ(form.EWDDif1->text(), "-0.382");
    EXPECT_EQ(form.LStatus->text(), "読み込みました: W01.qvr");
    // The fields hold the file now: nothing more to offer.
    EXPECT_FALSE(form.BBLoadSerialFile->isVisible());
    // A one-off status line goes at the next action.
    MessageCatcher refused;
    refused.ArmOnce();
    form.BBSensorRead->click(); // not connected: refused with a message
    EXPECT_EQ(refused.seen, 1);
    EXPECT_TRUE(form.LStatus->text().isEmpty());
}

// Every parameter's label in the window comes from the one table, in either language.
TEST_F(SysSetFormTest, EachFieldIsLabelledWithItsQuantityAndUnit) {
    TSysSetForm form(ctx);
    const std::pair<const char*, const char*> labels[] = {{"LEDifT0m", "0m/s.時温度差 (℃)"},
                                                          {"LEAdjWS", "基準風速値 (m/s)"},
                                                          {"LEWDDif1", "素子温度器差-1 (℃)"},
                                                          {"LEStdVolt", "基準電圧 (V)"},
                                                          {"LEHeaterWatt", "ヒータ出力 (W)"}};
    for (const auto& [name, text] : labels) {
        auto* label = form.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), QString::fromUtf8(text)) << name;
    }
    ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
    TSysSetForm translated(ctx);
    qDeleteAll(qApp->findChildren<QTranslator*>());
    const std::pair<const char*, const char*> english_labels[] = {
        {"LEWDDif1", "Element temp. correction 1 (°C)"},
        {"LEAdjWS", "Reference wind speed (m/s)"},
        {"LEATDif1", "Air temp. correction 1 (°C)"}};
    for (const auto& [name, text] : english_labels)
        EXPECT_EQ(translated.findChild<QLabel*>(name)->text(), QString::fromUtf8(text)) << name;
    EXPECT_EQ(translated.BBSensorRead->text(), " Read from sensor");
    EXPECT_EQ(translated.findChild<QLabel*>("LLanguageNote")->text(), "(from the next start)");
    EXPECT_EQ(translated.BB4mCalFin->text(), "Confirm 5.00 m/s");
}

} // namespace
} // namespace qvr::test
