#include "app/main_form.h"

#include "app/app_globals.h"
#include "link/comm_ctrl_form.h"
#include "../base/temp_dir.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// A main window on local state, a manual clock and a temporary folder.
class MainFormTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TSampleRec current;
    TSampleHistory history{};
    TMySts sts;
    TWritePrm prm;
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx{current, history, sts, prm, clock, dir.Dir()};
};

TEST_F(MainFormTest, CreationPreparesTheLinkWindowAndTheSharedState) {
    current.WindSpeed = 3;
    current.AirTemp = 20;
    current.Valid = true;
    sts.MaintenanceMode = true;
    prm.DifT0m = 1;
    TMainForm form(ctx);
    EXPECT_EQ(form.Link().windowTitle(), QStringLiteral("ComPort 通信状態"));
    EXPECT_EQ(form.Link().Tag, 0);
    EXPECT_EQ(form.Link().PortSettingsFile(), dir.Dir() + "Port0.ini");
    EXPECT_EQ(current.WindSpeed, 0.0f);
    EXPECT_EQ(current.AirTemp, 0.0f);
    EXPECT_FALSE(current.Valid);
    EXPECT_EQ(prm.DifT0m, 50.0f);
    EXPECT_TRUE(form.Collecting);
    EXPECT_FALSE(sts.MaintenanceMode);
    EXPECT_TRUE(form.MainTimer->isActive());
    EXPECT_EQ(form.MainTimer->interval(), 250);
}

TEST_F(MainFormTest, ControlsCarryTheirNamesTextsAndHints) {
    TMainForm form(ctx);
    struct Named {
        const char* name;
        QString text;
    };
    const Named labels[] = {{"Label1", "風速"},         {"PWindSpeed", "0.000 m/s."},
                            {"LWDir", "風向"},          {"PWDir", "-00 °"},
                            {"Label2", "気温"},         {"PAirTemp", "0.00 ℃"},
                            {"Label3", "m/s."}};
    for (const auto& l : labels) {
        auto* w = form.findChild<QLabel*>(l.name);
        ASSERT_TRUE(w) << l.name;
        EXPECT_EQ(w->text(), l.text) << l.name;
    }
    const Named hints[] = {{"BBStart", "データ収取開始"},
                           {"BBStop", "データ収集終了"},
                           {"BBSaveData", "グラフプロットデータをファイルに保存"},
                           {"BBSetpoint", "設定変更"}};
    for (const auto& h : hints) {
        auto* b = form.findChild<QToolButton*>(h.name);
        ASSERT_TRUE(b) << h.name;
        EXPECT_EQ(b->toolTip(), h.text);
    }
    EXPECT_EQ(form.findChild<QCheckBox*>("CBAxisMan")->text(), "縦軸固定");
    EXPECT_FALSE(form.CBAxisMan->isChecked());
    EXPECT_EQ(form.findChild<QCheckBox*>("CBSecRec")->text(), "秒記録");
    auto* spin = form.findChild<QSpinBox*>("SEAxisMax");
    EXPECT_EQ(spin->minimum(), 1);
    EXPECT_EQ(spin->maximum(), 20);
    EXPECT_EQ(spin->value(), 10);
    EXPECT_TRUE(form.findChild<QChartView*>("RTCWindSpeed"));
    EXPECT_EQ(form.Series1->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(form.Series1->pen().width(), 2);
    EXPECT_EQ(form.PTop->height(), 57);
    EXPECT_EQ(form.PBottom->height(), 51);
    EXPECT_EQ(form.Image2->size(), QSize(50, 50));
    EXPECT_EQ(form.PWDir->palette().color(QPalette::WindowText), QColor(255, 255, 172));
    EXPECT_EQ(form.PAirTemp->palette().color(QPalette::WindowText), QColor(255, 151, 151));
    EXPECT_EQ(form.PWindSpeed->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    const int widths[] = {280, 180, 50, 50};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(form.SBPanel[i]->width(), widths[i]);
    for (const char* hidden : {"LWDir", "PWDir", "Label2", "PAirTemp"})
        EXPECT_TRUE(form.findChild<QWidget*>(hidden)->isHidden()) << hidden;
}

TEST_F(MainFormTest, FirstShowSetsCaptionCopyrightRecordBoxAndClearsTheHistory) {
    sts.SecRec = true;
    for (auto& e : history) {
        e.Valid = true;
        e.Time = 1;
        e.WindSpeed = 5;
    }
    TMainForm form(ctx);
    form.show();
    EXPECT_EQ(form.windowTitle(), "QVR-series Monitor. Ver.0.94");
    EXPECT_TRUE(form.SBPanel[0]->text().startsWith("Copyright"));
    EXPECT_TRUE(form.CBSecRec->isChecked());
    EXPECT_EQ(form.BottomAxis->format(), "hh:mm");
    for (const auto& e : history) {
        EXPECT_FALSE(e.Valid);
        EXPECT_EQ(e.Time, 0.0);
        EXPECT_EQ(e.WindSpeed, 0.0f);
    }
    // A second show does not run the first-show steps again.
    history[0].Valid = true;
    form.hide();
    form.show();
    EXPECT_TRUE(history[0].Valid);
}

TEST_F(MainFormTest, FastModeSetsUpTheAxisWithSeconds) {
    sts.FastMode = true;
    TMainForm form(ctx);
    form.show();
    EXPECT_EQ(form.BottomAxis->format(), "hh:mm:ss");
}

TEST_F(MainFormTest, LooksLikeAnInstrumentProgram) {
    TMainForm form(ctx);
    form.show();
    const QPixmap shot = form.grab();
    EXPECT_GE(shot.width(), 600);
    if (const char* out = std::getenv("QVR_SCREENSHOT_DIR")) {
        EXPECT_TRUE(shot.save(QString(out) + "/main-window.png"));
    }
}

} // namespace
} // namespace qvr
