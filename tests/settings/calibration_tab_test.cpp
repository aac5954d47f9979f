#include "../core/calibration_history.h"
#include "../local_state.h"
#include "../modal_answers.h"
#include "base/text_file.h"
#include "settings/sys_set_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

const QColor kGreen(160, 255, 160), kYellow(255, 255, 128), kGrey(192, 192, 192);

QColor Background(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

QString Cell(const QTableWidget* grid, int column, int row) {
    return grid->item(row, column)->text();
}

class CalibrationTab : public ::testing::Test, protected LocalState {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 10, 8, 30, 5, 0})};
    AppContext ctx = Context(clock);
    MessageCatcher box;

    void SetUp() override {
        ResetPrm(prm);
        current = SteadySample();
    }

    // Seconds of a sensor that keeps answering: each a new history step, then the tick.
    void Seconds(TSysSetForm& form, const TSampleRec& sample, int n) {
        for (int i = 0; i < n; ++i) {
            clock.AdvanceSeconds(1);
            current = sample;
            history = HistoryOf(30, sample, clock.Now());
            form.Tim1STimer();
        }
    }
};

TEST_F(CalibrationTab, TheTickEvaluatesTheHistoryWhileTheWindowIsHidden) {
    TSysSetForm form(ctx);
    ASSERT_TRUE(form.isHidden());
    EXPECT_EQ(form.PFinish->text(), "キャリブレーション中: Step-0");
    // The real timer, on readings that keep coming: five ticks fill the short
    // window with the same results.
    QTimer sensor;
    QObject::connect(&sensor, &QTimer::timeout, [&] {
        clock.AdvanceSeconds(1);
        history = HistoryOf(30, SteadySample(), clock.Now());
    });
    sensor.start(200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.BBATRcvFin->isEnabled(); }, 10000));
    sensor.stop();
    EXPECT_TRUE(form.isHidden());

    EXPECT_EQ(Cell(form.SGCalData, 0, 0), "項目");
    EXPECT_EQ(Cell(form.SGCalData, 0, 2), "気温１");
    EXPECT_EQ(Cell(form.SGCalData, 2, 2), "20.300");
    EXPECT_EQ(Cell(form.SGCalData, 3, 10), " ");
    EXPECT_EQ(form.SGCalData->columnWidth(0), 70);
    EXPECT_EQ(form.SGCalData->columnWidth(4), 50);
    for (int row = 1; row <= 9; ++row)
        EXPECT_EQ(form.SGCalData->item(row, 0)->background().color(), kGreen) << row;
    EXPECT_EQ(form.SGCalData->item(10, 3)->background().color(), kYellow); // far from 5 m/s

    EXPECT_EQ(form.PATRev->text(), "-0.250 / 0.250");
    EXPECT_EQ(Background(form.PATRev), kGreen);
    EXPECT_EQ(form.PWS0Cal->text(), "46.000");
    EXPECT_EQ(Background(form.PWS4Cal), kYellow);
    EXPECT_TRUE(form.BBWSTRcvFin->isEnabled());
    EXPECT_FALSE(form.BB4mCalFin->isEnabled());
    EXPECT_FALSE(form.BBFin->isEnabled());
    EXPECT_EQ(Background(form.PFinish), kYellow);
    EXPECT_EQ(form.PWSAS15->text(), "0.000");
    EXPECT_EQ(form.NmGage15->value(), 0);
}

TEST_F(CalibrationTab, StepButtonsStoreShowAndSaveThroughTheWindow) {
    TSysSetForm form(ctx);
    form.show();
    form.ESNum->setText("A12");
    box.ArmOnce();
    form.BBCalStart->click();
    EXPECT_EQ(box.text, "DefaultPrm.qvrが見つかりません。");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(form.Cal.CalStep, 1);
    EXPECT_TRUE(FileExists(dir.File("A12.qvr")));
    EXPECT_EQ(form.PFinish->text(), "キャリブレーション中: Step-1");
    // One line says what comes next at each step.
    EXPECT_TRUE(form.LCalNext->text().contains("「気温器差確定」"))
        << form.LCalNext->text().toStdString();

    Seconds(form, SteadySample(), 5);
    form.BBATRcvFin->click();
    EXPECT_EQ(form.Cal.CalStep, 2);
    EXPECT_EQ(form.EATDif1->text(), "-0.250"); // the edit fields follow at once
    EXPECT_FALSE(form.BBATRcvFin->isEnabled());
    EXPECT_EQ(Background(form.PATRevSet), kGrey);
    EXPECT_TRUE(FileExists(dir.File("A12_ATR.csv")));
    Seconds(form, SteadySample(), 1);
    EXPECT_EQ(form.PATRevSet->text(), "Set: -0.250 / 0.250");

    // Still air without the simplification needs a steady short window; here it is.
    EXPECT_TRUE(form.BB0mCalFin->isEnabled());
    form.BB0mCalFin->click();
    EXPECT_EQ(form.Cal.CalStep, 4);
    EXPECT_EQ(form.EDifT0m->text(), "46.00");
    EXPECT_TRUE(
        form.LCalNext->text().contains("「設定送出」")); // the new value must reach the sensor

    // The sensor reads 0.000: step 5.
    Seconds(form, SteadySample(0.0f), 1);
    EXPECT_EQ(form.Cal.CalStep, 5);
    EXPECT_EQ(Background(form.PWS0CalSet), kGrey);
    // The reference-speed stage names its speed.
    EXPECT_TRUE(form.LCalNext->text().contains("「5.00 m/s 調整確定」"))
        << form.LCalNext->text().toStdString();
    EXPECT_EQ(form.BB4mCalFin->text(), "5.00 m/s 調整確定");
}

TEST_F(CalibrationTab, CompletionShowsOnThePanelAndTheGauges) {
    TSysSetForm form(ctx);
    form.Cal.CalStep = 6;
    struct Case {
        float wind;
        const char* finish;
        int gauge;
        QColor bar;
    };
    const Case cases[] = {{5.0f, "キャリブレーション完了", 100, QColor(0, 255, 0)},
                          {5.004f, "キャリブレーション完了", 91, QColor(0, 255, 0)},
                          {5.012f, "キャリブレーション完了", 75, QColor(255, 255, 0)},
                          {5.02f, "キャリブレーション中: Step-6", 60, QColor(255, 221, 140)},
                          {5.025f, "キャリブレーション中: Step-6", 49, QColor(255, 0, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wind);
        Seconds(form, SteadySample(c.wind), 1);
        EXPECT_EQ(form.PFinish->text(), c.finish);
        const bool complete = form.Cal.CalStep == 7;
        EXPECT_EQ(form.BBFin->isEnabled(), complete);
        EXPECT_EQ(Background(form.PFinish), complete ? kGreen : kYellow);
        EXPECT_EQ(form.SGCalData->item(10, 0)->background().color(), complete ? kGreen : kYellow);
        EXPECT_EQ(form.NmGage15->value(), c.gauge);
        EXPECT_EQ(form.NmGage15->palette().color(QPalette::Highlight), c.bar);
        EXPECT_EQ(form.PWSAS5->text(), QString::number(c.wind, 'f', 3));
    }
}

TEST_F(CalibrationTab, AFileThatCannotBeWrittenEndsTheStepWithAMessage) {
    TSysSetForm form(ctx);
    form.ESNum->setText("A12");
    box.ArmOnce();
    form.BBCalStart->click(); // DefaultPrm.qvr is missing
    Seconds(form, SteadySample(), 5);
    ASSERT_TRUE(ForceDirectories(dir.File("A12_WTR.csv")));
    box.ArmOnce();
    form.BBWSTRcvFin->click();
    EXPECT_NE(box.text.indexOf("A12_WTR.csv"), -1) << box.text.toStdString();
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(form.Cal.CalStep, 1);
}

} // namespace
} // namespace qvr::test
