#include "../core/calibration_history.h"
#include "../local_state.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"
#include "tests/report/pdf_text.h"
#include "ui/language.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

// A calibration through the tab's buttons, from start to "作業完了".
class CalibrationReport : public ::testing::Test, protected LocalState {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 10, 8, 30, 5, 0})};
    AppContext ctx = Context(clock);
    QString boxText;

    void SetUp() override {
        ResetPrm(prm);
        TWritePrm defaults;
        ResetPrm(defaults);
        defaults.HeaterWatt = 0.25f;
        SaveSetpointFile(defaults, dir.File("DefaultPrm.qvr"));
        current = SteadySample();
        current.ModelNo = 19.1f;
        current.Version = 1.23f;
    }

    void Ticks(TSysSetForm& form, const TSampleRec& sample, int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceSeconds(1);
            current = sample;
            current.ModelNo = 19.1f;
            current.Version = 1.23f;
            history = HistoryOf(30, sample, clock.Now());
            form.Tim1STimer();
        }
    }

    void Calibrate(TSysSetForm& form) {
        form.ESNum->setText("A12");
        form.BBCalStart->click();
        Ticks(form, SteadySample(), 5);
        for (QPushButton* b : {form.BBATRcvFin, form.BBWSTRcvFin, form.BB0mCalFin}) {
            ASSERT_TRUE(b->isEnabled()) << b->objectName().toStdString();
            b->click();
            Ticks(form, SteadySample(), 1);
        }
        Ticks(form, SteadySample(0.0f), 1); // the sensor reads 0 with the new value: step 5
        TSampleRec windy = SteadySample(5.0f);
        windy.TempDiff = 18.25f;
        Ticks(form, windy, 5);
        ASSERT_TRUE(form.BB4mCalFin->isEnabled());
        form.BB4mCalFin->click();
        Ticks(form, windy, 1);
        ASSERT_TRUE(form.BBFin->isEnabled());
    }

    // The write window's part: the finished set sent and read back equal now.
    void WriteVerified() { LastWrite = {TWriteRecord::Outcome::Verified, clock.Now(), prm}; }
    void TearDown() override { LastWrite = {}; }

    void AnswerNextBox() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            boxText = box->text();
            box->accept();
        });
    }
};

TEST_F(CalibrationReport, FinishWritesTheReportBesideItsLogAndShowsWhereItIs) {
    TSysSetForm form(ctx);
    Calibrate(form);
    WriteVerified();
    TSampleRec windy = SteadySample(5.0f);
    windy.TempDiff = 18.25f;
    Ticks(form, windy, 15); // the completion check on readings all after the write
    form.BBFin->click();

    const std::string path = dir.File("Report") + "/A12_20261210_083035.pdf";
    EXPECT_EQ(form.ReportPath, path);
    ASSERT_TRUE(FileExists(path));
    // Shown as before, as a link that opens the PDF.
    QTextDocument shown;
    shown.setHtml(form.LReport->text());
    EXPECT_EQ(shown.toPlainText(), QString::fromStdString("レポート: " + path));
    EXPECT_TRUE(form.LReport->text().contains(
        "href=\"" + QUrl::fromLocalFile(QString::fromStdString(path)).toString() + "\""));
    EXPECT_TRUE(form.LReport->openExternalLinks());
    EXPECT_TRUE(FileExists(dir.File("A12_Fin.csv")));

    const QString text = PdfText(QString::fromStdString(path));
    for (const char* expected :
         {"A12", "19.10", "1.23", "2026/12/10 08:30:05", "判定：合格", "気温器差確定",
          "-0.250 / 0.250", "0m/s.調整確定", "Nm/s.調整確定", "18.250", "作業完了"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }
    // Both sets: DefaultPrm.qvr's heater output stays, the confirmed values change.
    EXPECT_TRUE(text.contains(QRegularExpression("E01 +\\S+ +50\\.00 +46\\.00 +変更")));
    EXPECT_TRUE(text.contains(QRegularExpression("E03 +\\S+ +20\\.00 +18\\.25 +変更")));
    EXPECT_TRUE(text.contains(QRegularExpression("E04 +\\S+ +0\\.2500 +0\\.2500\\s")));

    // Pressed again: a second report, the first kept.
    form.BBFin->click();
    EXPECT_EQ(form.ReportPath, dir.File("Report") + "/A12_20261210_083035_2.pdf");
    EXPECT_TRUE(FileExists(path));
}

TEST_F(CalibrationReport, AVerificationAfterTheCalibrationAddsItsPageToTheSameReport) {
    TSysSetForm form(ctx);
    Calibrate(form);
    WriteVerified();
    Ticks(form, SteadySample(5.0f), 15);
    form.BBFin->click();
    const std::string path = form.ReportPath;
    ASSERT_TRUE(FileExists(path));

    TVerifyTab* tab = form.TabVerify;
    for (const int speed : {2, 4, 6, 8, 10}) {
        Ticks(form, SteadySample(static_cast<float>(speed) + 0.04f), 30); // readings of its own
        tab->EVerRef->setText(QString::number(speed));
        tab->BBVerPoint->click();
    }
    ASSERT_EQ(tab->Points().size(), 5u);
    tab->BBVerFin->click();
    EXPECT_EQ(form.ReportPath, path);
    EXPECT_TRUE(tab->LVerFile->text().endsWith(QString::fromStdString(path)));
    const QString text = PdfText(QString::fromStdString(path));
    for (const char* expected : {"キャリブレーション報告書", "気温器差確定", "A12_VER.csv",
                                 "10.040", "傾き 1.0000", "オフセット 0.040 m/s"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(text.count(QStringLiteral("判定：合格")),
              2); // the calibration's and the verification's
}

// In English the report's headings, verdict, steps and parameter names are
// English; values, the serial number and the file name are as in Japanese.
TEST_F(CalibrationReport, InEnglishTheReportSpeaksEnglishAroundTheSameValues) {
    ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
    TSysSetForm form(ctx);
    Calibrate(form);
    WriteVerified();
    TSampleRec windy = SteadySample(5.0f);
    windy.TempDiff = 18.25f;
    Ticks(form, windy, 15);
    form.BBFin->click();
    qDeleteAll(qApp->findChildren<QTranslator*>());

    const std::string path = dir.File("Report") + "/A12_20261210_083035.pdf";
    ASSERT_EQ(form.ReportPath, path);
    QTextDocument shown;
    shown.setHtml(form.LReport->text());
    EXPECT_EQ(shown.toPlainText(), QString::fromStdString("Report: " + path));
    const QString text = PdfText(QString::fromStdString(path));
    for (const char* expected :
         {"Calibration report", "A12", "19.10", "1.23", "2026/12/10 08:30:05", "Verdict: PASS",
          "Air temp. error", "Wind speed error", "-0.250 / 0.250", "0 m/s", "N m/s", "18.250",
          "Finished", "Temp. diff. at 0 m/s", "Calibrated by"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }
    EXPECT_TRUE(text.contains(QRegularExpression("E01 +.+ +50\\.00 +46\\.00 +changed")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]")))
        << text.toStdString();
}

TEST_F(CalibrationReport, NoPassWithoutAWriteOrWithoutACheckAfterIt) {
    TSysSetForm form(ctx);
    Calibrate(form);
    form.BBFin->click(); // complete on the tab, but nothing sent
    QString text = PdfText(QString::fromStdString(form.ReportPath));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：未書込")));
    EXPECT_FALSE(text.contains(QStringLiteral("判定：合格")));

    WriteVerified();
    Ticks(form, SteadySample(5.0f), 13); // the average still holds readings from before
    form.BBFin->click();
    text = PdfText(QString::fromStdString(form.ReportPath));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：未確認")));

    // The readings stop: a frozen window measures nothing.
    Ticks(form, SteadySample(5.0f), 1);
    clock.AdvanceSeconds(3);
    form.Tim1STimer();
    form.BBFin->click();
    text = PdfText(QString::fromStdString(form.ReportPath));
    EXPECT_FALSE(text.contains(QStringLiteral("判定：合格")));
    EXPECT_TRUE(text.contains(QStringLiteral("風速の15件平均がありません")));
}

TEST_F(CalibrationReport, AReportThatCannotBeWrittenIsReportedAndTheLogStays) {
    TSysSetForm form(ctx);
    Calibrate(form);
    WriteTextLines(dir.File("Report"), {"a file where the folder belongs"});
    AnswerNextBox();
    form.BBFin->click();
    EXPECT_NE(boxText.indexOf("Report"), -1) << boxText.toStdString();
    EXPECT_TRUE(FileExists(dir.File("A12_Fin.csv")));
    EXPECT_TRUE(form.ReportPath.empty());
    EXPECT_TRUE(form.LReport->text().isEmpty());
}

} // namespace
} // namespace qvr::test
