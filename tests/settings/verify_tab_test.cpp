#include "../core/calibration_history.h"
#include "../local_state.h"
#include "../modal_answers.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"
#include "tests/report/pdf_text.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

class VerifyTab : public ::testing::Test, protected LocalState {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 11, 9, 0, 0, 0})};
    AppContext ctx = Context(clock);
    MessageCatcher box;

    // A second of wind around `mean` (±0.01 m/s), then the window's tick.
    void Wind(TSysSetForm& form, float mean, float swing = 0.01f) {
        clock.AdvanceSeconds(1);
        history = HistoryOf(30, SteadySample(mean), clock.Now());
        for (int i = 0; i < 30; ++i)
            history[static_cast<std::size_t>(i)].WindSpeed =
                mean + swing * static_cast<float>(i % 3 - 1);
        current = history[0];
        form.Tim1STimer();
    }

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
    EXPECT_EQ(tab->PVerState->text(), "センサーから新しい計測値がありません");

    Wind(form, 5.0f, 0.15f); // a span of 0.3 m/s
    EXPECT_FALSE(tab->BBVerPoint->isEnabled());
    EXPECT_TRUE(tab->PVerState->text().startsWith("変動中")) << tab->PVerState->text().toStdString();
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
    EXPECT_EQ(Cell(tab, 0, 1), "2.000");
    EXPECT_EQ(Cell(tab, 0, 2), "2.030");
    EXPECT_EQ(Cell(tab, 0, 6), "30");
    EXPECT_EQ(Cell(tab, 0, 7), "0.030");
    EXPECT_EQ(Cell(tab, 0, 8), "1.50");
    EXPECT_EQ(tab->PVerFit->text(), "回帰：測定点が2点以上必要です");
    EXPECT_EQ(tab->PVerVerdict->text(), "判定：測定点不足（1 / 5点）");
    // The same readings again are refused; a reference that is no number too.
    box.ArmOnce();
    tab->BBVerPointClick();
    EXPECT_TRUE(box.text.startsWith("前の測定点と同じ計測値です")) << box.text.toStdString();
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
    EXPECT_EQ(tab->PVerFit->text(), "傾き 1.0095　オフセット -0.001 m/s　r 0.999981　標準誤差 0.022 m/s");
    EXPECT_EQ(tab->PVerVerdict->text(), "判定：合格");

    // A point beyond 0.1 m/s + 2 %: marked, and the run fails until it is taken again.
    Take(form, "12", 12.5f);
    EXPECT_EQ(Cell(tab, 5, 9), "不合格");
    EXPECT_EQ(tab->SGVer->item(5, 2)->background().color(), QColor(255, 200, 200));
    EXPECT_EQ(tab->PVerVerdict->text(), "判定：不合格（1点が許容差外）");
    tab->SGVer->selectRow(5);
    tab->BBVerDel->click();
    EXPECT_EQ(tab->SGVer->rowCount(), 5);
    Take(form, "12", 12.2f);
    EXPECT_EQ(Cell(tab, 5, 9), "合格");
    EXPECT_EQ(tab->PVerVerdict->text(), "判定：合格");
}

TEST_F(VerifyTab, TheToleranceIsEditedOnTheTabAndKept) {
    TSysSetForm form(ctx);
    TVerifyTab* tab = form.TabVerify;
    EXPECT_EQ(tab->EVerTolA->text(), "0.1");
    EXPECT_EQ(tab->EVerTolB->text(), "2");
    Take(form, "10", 10.25f);
    EXPECT_EQ(Cell(tab, 0, 9), "合格");

    tab->EVerTolB->setText("1");
    Q_EMIT tab->EVerTolB->editingFinished();
    EXPECT_EQ(Cell(tab, 0, 9), "不合格");
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
    EXPECT_TRUE(box.text.startsWith("シリアル番号に使えない文字があります")) << box.text.toStdString();

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
    const std::string report = dir.File("Report") + "/A12_20261211_090002_VER.pdf";
    ASSERT_TRUE(FileExists(log));
    ASSERT_TRUE(FileExists(report));
    EXPECT_EQ(tab->LVerFile->text(),
              QString::fromStdString("ログ: " + log + "\nレポート: " + report));
    EXPECT_EQ(ReadTextLines(log).size(), 4u + 2u + 5u);
    const QString text = PdfText(QString::fromStdString(report));
    for (const char* expected : {"検証報告書", "A12", "2.030", "6.070", "判定：測定点不足",
                                 "合格には5点以上の測定点が必要です", "A12_VER.csv"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(text.contains("キャリブレーション報告書"));
    EXPECT_EQ(tab->SGVer->rowCount(), 2);
}

} // namespace
} // namespace qvr::test
