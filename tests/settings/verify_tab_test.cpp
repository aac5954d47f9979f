#include "../core/calibration_history.h"
#include "../local_state.h"
#include "../modal_answers.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"
#include "tests/report/certificate_check.h"
#include "tests/report/pdf_text.h"
#include "ui/language.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

class VerifyTab : public ::testing::Test, protected LocalState {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 11, 9, 0, 0, 0})};
    AppContext ctx = Context(clock);
    MessageCatcher box;

    // `count` new readings around `mean` (±swing), one a second as the main
    // window's history step takes them, with the window's tick after each.
    void Push(TSysSetForm& form, int count, float mean, float swing = 0.01f) {
        for (int i = 0; i < count; ++i) {
            clock.AdvanceSeconds(1);
            std::move_backward(history.begin(), history.end() - 1, history.end());
            TSampleRec s = SteadySample(mean + swing * static_cast<float>(i % 3 - 1));
            s.Time = clock.Now();
            s.Run = run;
            history[0] = s;
            current = s;
            form.Tim1STimer();
        }
    }
    // Thirty new readings: enough for a point after the last one.
    void Wind(TSysSetForm& form, float mean, float swing = 0.01f) { Push(form, 30, mean, swing); }

    std::uint32_t run = 1;

    // Types the reference and presses the point button as the operator does.
    void Take(TSysSetForm& form, const char* reference, float mean) {
        Wind(form, mean);
        form.TabVerify->EVerRef->setText(reference);
        ASSERT_TRUE(form.TabVerify->BBVerPoint->isEnabled());
        form.TabVerify->BBVerPoint->click();
    }

    QString Cell(const TVerifyTab* tab, int row, int column) {
        return tab->SGVer->item(row, column)->text();
    }
};

TEST_F(VerifyTab, PointsComeFromSteadyFreshWindOnlyAndTheFitAndVerdictFollow) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    EXPECT_EQ(form.PCMain->tabText(form.PCMain->indexOf(tab)), "検証");
    EXPECT_EQ(tab->objectName(), "TabVerify");
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
    EXPECT_EQ(tab->PVerState->text().toStdString(), "センサーから新しい計測値がありません");

    Wind(form, 5.0f, 0.15f); // a span of 0.3 m/s
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
    EXPECT_TRUE(tab->PVerState->text().startsWith("変動中"))
        << tab->PVerState->text().toStdString();
    Wind(form, 2.03f);
    EXPECT_TRUE(tab->BBVerPoint->isEnabled());
    // The sensor falls silent: the readings it left are no point.
    clock.AdvanceSeconds(3);
    tab->EVerRef->setText("2");
    box.ArmOnce();
    tab->BBVerPointClick();
    EXPECT_TRUE(box.text.startsWith("風速が定常でないため")) << box.text.toStdString();
    EXPECT_TRUE(tab->Points().empty());
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());

    Take(form, "2", 2.03f);
    ASSERT_EQ(tab->SGVer->rowCount(), 1);
    EXPECT_EQ(Cell(tab, 0, 1).toStdString(), "2.000");
    EXPECT_EQ(Cell(tab, 0, 2).toStdString(), "2.030");
    EXPECT_EQ(Cell(tab, 0, 6).toStdString(), "30");
    EXPECT_EQ(Cell(tab, 0, 7).toStdString(), "0.030");
    EXPECT_EQ(Cell(tab, 0, 8).toStdString(), "1.50");
    // 2 sqrt((0.0083/sqrt 30)^2 + 0.001^2/12) = 0.0031: no reference uncertainty typed yet
    EXPECT_EQ(Cell(tab, 0, 9).toStdString(), "± 0.003");
    EXPECT_EQ(tab->PVerFit->text().toStdString(), "回帰：測定点が2点未満のため算出できません");
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(), "判定：測定点不足（1 / 5点）");
    // The same readings again are refused; a reference that is no number too.
    box.ArmOnce();
    tab->BBVerPointClick();
    EXPECT_TRUE(box.text.startsWith("風速が定常でないため")) << box.text.toStdString();
    Wind(form, 4.02f);
    tab->EVerRef->setText("4,0");
    box.ArmOnce();
    tab->BBVerPointClick();
    EXPECT_EQ(box.text, "基準風速を 0 から 100 m/s の数値で入力してください");
    EXPECT_EQ(tab->Points().size(), 1u);

    Take(form, "4", 4.02f);
    Take(form, "6", 6.07f);
    Take(form, "8", 8.05f);
    Take(form, "10", 10.11f);
    EXPECT_EQ(
        tab->PVerFit->text().toStdString(),
        "傾き 1.0095 ± 0.0035　オフセット -0.001 ± 0.024 m/s　r 0.999981　残差標準偏差 0.022 m/s");
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(), "判定：合格");

    // A point beyond 0.1 m/s + 2 %: marked, and the run fails until it is taken again.
    Take(form, "12", 12.5f);
    EXPECT_EQ(Cell(tab, 5, 10).toStdString(), "不合格");
    EXPECT_EQ(tab->SGVer->item(5, 2)->background().color(), QColor(255, 200, 200));
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(), "判定：不合格（1点が許容差外）");
    tab->SGVer->selectRow(5);
    tab->BBVerDel->click();
    EXPECT_EQ(tab->SGVer->rowCount(), 5);
    Take(form, "12", 12.2f);
    EXPECT_EQ(Cell(tab, 5, 10).toStdString(), "合格");
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(), "判定：合格");
}

TEST_F(VerifyTab, TheToleranceIsEditedOnTheTabAndKept) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    EXPECT_EQ(tab->EVerTolA->text(), "0.1");
    EXPECT_EQ(tab->EVerTolB->text(), "2");
    Take(form, "10", 10.25f);
    EXPECT_EQ(Cell(tab, 0, 10).toStdString(), "合格");

    tab->EVerTolB->setText("1");
    Q_EMIT tab->EVerTolB->editingFinished();
    EXPECT_EQ(Cell(tab, 0, 10).toStdString(), "不合格");
    const IniFile ini(dir.File("BaseSetpoint.ini"));
    EXPECT_EQ(ini.ReadString("Verify", "B", ""), "1");
    EXPECT_EQ(ini.ReadString("Verify", "A", ""), "0.1");

    tab->EVerTolA->setText("-1");
    box.ArmOnce();
    Q_EMIT tab->EVerTolA->editingFinished();
    EXPECT_TRUE(box.text.startsWith("許容差は")) << box.text.toStdString();
    EXPECT_EQ(tab->EVerTolA->text(), "0.1");
    EXPECT_EQ(tab->Tolerance().A, 0.1);

    // A new window reads what was kept.
    TSysSetForm again(ctx);
    EXPECT_EQ(again.TabVerify->EVerTolB->text(), "1");
}

TEST_F(VerifyTab, FinishingWritesTheLogAndAReportOfItsOwnOrSaysWhyNot) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    Take(form, "2", 2.03f);
    Take(form, "6", 6.07f);

    form.ESNum->setText("A/12");
    box.ArmOnce();
    tab->BBVerFin->click();
    EXPECT_TRUE(box.text.startsWith("シリアル番号に使えない文字があります"))
        << box.text.toStdString();

    // The log's name taken by a folder: the message names it and the points stay.
    form.ESNum->setText("A12");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.File("A12_VER.csv"))));
    box.ArmOnce();
    tab->BBVerFin->click();
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(box.text.contains("A12_VER.csv")) << box.text.toStdString();
    EXPECT_EQ(tab->SGVer->rowCount(), 2);
    ASSERT_TRUE(QDir(QString::fromStdString(dir.File("A12_VER.csv"))).removeRecursively());

    tab->BBVerFin->click();
    const std::string log = dir.File("A12_VER.csv");
    const std::string report = dir.File("Report") + "/A12_20261211_090100_VER.pdf";
    ASSERT_TRUE(FileExists(log));
    ASSERT_TRUE(FileExists(report));
    EXPECT_EQ(
        tab->LVerFile->text().toStdString(),
        "ログ: " + log +
            "\n証明書は書き出していません：証明書には校正機関名が必要です\nレポート: " + report);
    EXPECT_EQ(ReadTextLines(log).size(), 6u + 2u + 5u);
    const QString text = PdfText(QString::fromStdString(report));
    for (const char* expected : {"検証報告書", "A12", "2.030", "6.070", "判定：測定点不足",
                                 "合格には5点以上の測定点が必要です", "A12_VER.csv"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(text.contains("キャリブレーション報告書"));
    EXPECT_EQ(tab->SGVer->rowCount(), 2);
}

// Everything on the tab is in sight in the settings window as it opens, in
// both languages: nothing is pushed past its right edge.
TEST_F(VerifyTab, TheTabFitsTheSettingsWindowInBothLanguages) {
    for (const bool english : {false, true}) {
        if (english) {
            ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
        }
        TSysSetForm form(ctx);
        form.show(); // on the calibration tab, as the program opens it
        QApplication::processEvents();
        form.PCMain->setCurrentWidget(form.TabVerify);
        TVerifyTab* tab = form.TabVerify;
        tab->EVerRefUnc->setText("0.05");
        Q_EMIT tab->EVerRefUnc->editingFinished();
        for (const char* ref : {"2", "4", "6", "8", "10", "12"})
            Take(form, ref, static_cast<float>(std::atof(ref) * 0.974 + 0.112));
        QApplication::processEvents();
        for (int page = 0; page < 2; ++page) {
            tab->PCVer->setCurrentIndex(page);
            QWidget* shown = tab->PCVer->currentWidget();
            EXPECT_LE(shown->minimumSizeHint().width(), shown->width())
                << (english ? "en" : "ja") << " page " << page << " window " << form.width();
            for (QWidget* child : shown->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (child->minimumSizeHint().width() > shown->width())
                    ADD_FAILURE() << child->objectName().toStdString() << " "
                                  << child->metaObject()->className() << " "
                                  << child->minimumSizeHint().width();
        }
        for (QWidget* w :
             {static_cast<QWidget*>(tab->BBVerFin), static_cast<QWidget*>(tab->BBVerPoint),
              static_cast<QWidget*>(tab->EVerTolB)}) {
            tab->PCVer->setCurrentIndex(0);
            const QRect inTab(w->mapTo(tab, QPoint(0, 0)), w->size());
            EXPECT_TRUE(tab->rect().contains(inTab))
                << (english ? "en " : "ja ") << w->objectName().toStdString();
        }
    }
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

// Answers the question box that opens next with `answer` and keeps its text.
struct QuestionAnswer {
    QString text;
    void ArmOnce(QMessageBox::StandardButton answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            box->button(answer)->click();
        });
    }
};

TEST_F(VerifyTab, APointNeedsThirtyReadingsOfItsOwnAndTheStateLineCountsThemDown) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    Push(form, 12, 3.456f);
    EXPECT_EQ(tab->PVerState->text().toStdString(),
              "風速の計測値が30件に達していません（あと18件）");
    Push(form, 18, 3.456f);
    Take(form, "3.456", 3.456f);
    ASSERT_EQ(tab->Points().size(), 1u);
    // A second press on the same readings takes nothing; the button waits.
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
    EXPECT_EQ(tab->PVerState->text().toStdString(), "次の測定点まで新しい計測値があと30件必要です");
    box.ArmOnce();
    tab->BBVerPointClick();
    EXPECT_TRUE(box.text.contains("あと30件")) << box.text.toStdString();
    EXPECT_EQ(tab->Points().size(), 1u);
    Push(form, 29, 3.456f);
    EXPECT_EQ(tab->PVerState->text().toStdString(), "次の測定点まで新しい計測値があと1件必要です");
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
    Push(form, 1, 3.456f);
    EXPECT_TRUE(tab->BBVerPoint->isEnabled());

    // A stop and a start: readings of the run before do not count.
    Push(form, 15, 3.456f);
    ++run;
    Push(form, 3, 3.6f);
    EXPECT_EQ(tab->PVerState->text().toStdString(), "次の測定点まで新しい計測値があと27件必要です");
    // Another serial number typed: the readings before it are another sensor's.
    Push(form, 26, 3.6f);
    form.ESNum->setText("B7");
    Push(form, 2, 3.6f); // the first is the one the change was seen with
    EXPECT_EQ(tab->PVerState->text().toStdString(), "次の測定点まで新しい計測値があと29件必要です");
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
}

TEST_F(VerifyTab, FivePointsAtOneSpeedAreNoRangeAndZeroIsAReference) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    Take(form, "0", 0.0f);
    ASSERT_EQ(tab->Points().size(), 1u);
    EXPECT_EQ(Cell(tab, 0, 1).toStdString(), "0.000");
    EXPECT_EQ(Cell(tab, 0, 8).toStdString(), "—");
    tab->SGVer->selectRow(0);
    tab->BBVerDel->click();
    for (int i = 0; i < 5; ++i)
        Take(form, "3.456", 3.456f);
    ASSERT_EQ(tab->Points().size(), 5u);
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(),
              "判定：風速範囲不足（0.50 m/s以上離れた基準風速 1 / 5種類）");
    EXPECT_EQ(tab->PVerFit->text().toStdString(),
              "回帰：基準風速の幅が0.01 m/s未満のため傾きを算出できません");
    for (const char* ref : {"4", "5", "6", "7"})
        Take(form, ref, static_cast<float>(std::atof(ref)));
    EXPECT_EQ(tab->PVerVerdict->text().toStdString(), "判定：合格");
}

TEST_F(VerifyTab, AnUnchangedReferenceUnderAMovedSensorIsAskedAbout) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    Take(form, "5", 5.0f);
    Wind(form, 2.036f); // the tunnel went down; the reference was not retyped
    QuestionAnswer question;
    question.ArmOnce(QMessageBox::No);
    tab->BBVerPoint->click();
    EXPECT_EQ(question.text, "基準風速が前の測定点（5.000 m/s）から変わっていませんが、センサーは "
                             "2.036 m/s を示しています。このまま記録しますか？");
    EXPECT_EQ(tab->Points().size(), 1u);
    question.ArmOnce(QMessageBox::Yes);
    tab->BBVerPoint->click();
    ASSERT_EQ(tab->Points().size(), 2u);
    EXPECT_EQ(tab->Points()[1].Reference, 5.0);
    // A typed new reference asks nothing.
    Wind(form, 3.0f);
    tab->EVerRef->setText("3");
    tab->BBVerPoint->click();
    EXPECT_EQ(tab->Points().size(), 3u);
}

TEST_F(VerifyTab, FinishingWritesACertificateThatValidatesOrSaysWhatItLacks) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    form.ESNum->setText("A12");
    Push(form, 1, 2.0f); // readings before the serial number was seen are another sensor's
    tab->EVerRefUnc->setText("1");
    tab->CBVerRefUncUnit->setCurrentIndex(1); // % of reading
    Q_EMIT tab->CBVerRefUncUnit->activated(1);
    for (const char* ref : {"2", "4", "6", "8", "10"})
        Take(form, ref, static_cast<float>(std::atof(ref) * 1.01 + 0.02));
    // U at 10 m/s: 2 sqrt((0.05)^2 + (0.00830/sqrt 30)^2 + 0.001^2/12)
    EXPECT_EQ(Cell(tab, 4, 9).toStdString(), "± 0.100");
    tab->BBVerFin->click();
    EXPECT_TRUE(tab->LVerFile->text().contains(
        "証明書は書き出していません：証明書には校正機関名が必要です"))
        << tab->LVerFile->text().toStdString();
    EXPECT_FALSE(FileExists(dir.File("A12_VER.json")));

    tab->PCVer->setCurrentIndex(1);
    const std::pair<QLineEdit*, const char*> texts[] = {{tab->EVerLabName, "風洞校正室"},
                                                        {tab->EVerCustomer, "Example Customer"},
                                                        {tab->EVerTunnel, "Tunnel 1"},
                                                        {tab->EVerMountDiameter, "33.7"},
                                                        {tab->EVerCustomerRef, "PO-42"}};
    for (const auto& [edit, text] : texts) {
        edit->setText(QString::fromUtf8(text));
        Q_EMIT edit->editingFinished();
    }
    tab->BBVerFin->click();
    const std::string json = dir.File("A12_VER.json");
    ASSERT_TRUE(FileExists(json)) << tab->LVerFile->text().toStdString();
    EXPECT_EQ(CertificateErrors(json), "");
    EXPECT_TRUE(tab->LVerFile->text().contains(QString::fromStdString("証明書: " + json)));
    const std::string certificate = ReadFileBytes(json);
    EXPECT_NE(certificate.find("\"風洞校正室\""), std::string::npos);
    EXPECT_NE(certificate.find("\"PO-42\""), std::string::npos);
    // Kept for the next run, and shown again by a new window.
    TSysSetForm again(ctx);
    EXPECT_EQ(again.TabVerify->EVerLabName->text(), "風洞校正室");
    EXPECT_EQ(again.TabVerify->EVerRefUnc->text(), "1");
    EXPECT_EQ(again.TabVerify->CBVerRefUncUnit->currentIndex(), 1);
}

} // namespace
} // namespace qvr::test
