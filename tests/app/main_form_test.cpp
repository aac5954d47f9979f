#include "app/main_form.h"

#include "../local_state.h"
#include "../serial/pty_pair.h"
#include "base/text_file.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"
#include "settings/sys_set_form.h"
#include "ui/app_globals.h"
#include "ui/language.h"

#include "ui/plot.h"
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDateTime>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <system_error>

namespace qvr {
namespace {

// The chart as the operator sees it: its time labels, its drawn points (NaN
// points only break the line) and its left axis's grid lines.
QString TimeFormat(const TMainForm& form) {
    return qSharedPointerCast<QCPAxisTickerDateTime>(form.BottomAxis->ticker())->dateTimeFormat();
}
QList<QPointF> Points(const TMainForm& form) {
    QList<QPointF> points;
    for (const QCPGraphData& d : *form.Series1->data())
        if (!std::isnan(d.value)) points.append(QPointF(d.key, d.value));
    return points;
}
int Breaks(const TMainForm& form) {
    int n = 0;
    for (const QCPGraphData& d : *form.Series1->data())
        n += std::isnan(d.value);
    return n;
}
int TickCount(const QCPAxis& axis) {
    const double step = qSharedPointerCast<QCPAxisTickerFixed>(axis.ticker())->tickStep();
    return static_cast<int>(std::lround(axis.range().size() / step)) + 1;
}

// A main window on local state, a manual clock and a temporary folder.
class MainFormTest : public ::testing::Test, protected test::LocalState {
protected:
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx = Context(clock);
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
    const Named labels[] = {{"Label1", "風速"}, {"PWindSpeed", "-.--- m/s."}, {"LWDir", "風向"},
                            {"PWDir", "-00 °"}, {"Label2", "気温"},           {"PAirTemp", "-.- ℃"},
                            {"Label3", "m/s."}, {"SBDataState", "停止中"}};
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
    EXPECT_TRUE(form.findChild<QCustomPlot*>("RTCWindSpeed"));
    EXPECT_EQ(form.Series1->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(form.Series1->pen().width(), 2);
    EXPECT_EQ(form.PTop->height(), 57);
    EXPECT_EQ(form.PBottom->height(), 51);
    EXPECT_EQ(form.Image2->size(), QSize(50, 50));
    EXPECT_EQ(form.PWDir->palette().color(QPalette::WindowText), QColor(255, 255, 172));
    // Before any reading, the readouts' dashes are muted; a reading takes their own colour.
    EXPECT_EQ(form.PAirTemp->property("liveColor").value<QColor>(), QColor(255, 151, 151));
    EXPECT_EQ(form.PWindSpeed->property("liveColor").value<QColor>(), QColor(0, 255, 255));
    EXPECT_NE(form.PWindSpeed->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    EXPECT_EQ(form.SBPanel[1]->width(), 180);
    EXPECT_EQ(form.SBPanel[3]->width(), 50);
    // The copyright and a device path are readable whole.
    const struct {
        int panel;
        QString text;
    } whole[] = {{0, "Copyright (C) QVR Instruments Co., Ltd."}, {2, "/tmp/qvr-sensor"}};
    for (const auto& w : whole) {
        QLabel* panel = form.SBPanel[w.panel];
        EXPECT_LE(panel->fontMetrics().horizontalAdvance(w.text), panel->contentsRect().width())
            << w.panel;
    }
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
    EXPECT_EQ(TimeFormat(form), "hh:mm");
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
    EXPECT_EQ(TimeFormat(form), "hh:mm:ss");
}

TEST_F(MainFormTest, APortThatCannotOpenShowsItsNameInWarningWithTheSystemsReason) {
    const std::string missing = dir.File("no-such-port");
    std::ofstream(dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << missing << "\r\n";
    TMainForm form(ctx);
    form.MainTimer->stop();
    form.show();
    const QColor normal = form.SBPanel[2]->palette().color(QPalette::WindowText);
    form.BBStartClick();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // nothing to answer
    EXPECT_TRUE(form.Collecting);
    QLabel* panel = form.SBPanel[2];
    // A long path keeps both ends in the panel and is whole in the tooltip.
    const QString whole = QString::fromStdString(missing);
    EXPECT_TRUE(panel->text() == whole ||
                (panel->text().contains(QChar(0x2026)) && panel->text().startsWith("/tm") &&
                 panel->text().endsWith("ort")))
        << panel->text().toStdString();
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width());
    EXPECT_NE(panel->palette().color(QPalette::WindowText), normal);
    EXPECT_TRUE(panel->toolTip().startsWith(whole + "\n"));
    EXPECT_TRUE(
        panel->toolTip().contains(QString::fromStdString(std::system_category().message(ENOENT))))
        << panel->toolTip().toStdString();
    EXPECT_FALSE(panel->toolTip().contains("dialout")) << "only a refused port needs the group";

    // The port appears: the next start opens it and the warning goes.
    test::PtyPair pty;
    std::ofstream(dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << pty.Path() << "\r\n";
    form.BBStartClick();
    ASSERT_TRUE(form.Link().PortConnected());
    EXPECT_EQ(panel->palette().color(QPalette::WindowText), normal);
    form.RefreshReadout();
    EXPECT_EQ(panel->text().toStdString(), pty.Path());
    EXPECT_EQ(panel->toolTip().toStdString(), pty.Path());
}

// A device the system refuses to open (on Linux a serial device belongs to the
// dialout group): the reason says how to get access. A read-only file of the
// kernel's settings refuses writing even to root.
TEST_F(MainFormTest, APortThatTheSystemRefusesSaysHowToGetAccess) {
    const std::string refused = "/proc/sys/kernel/osrelease";
    std::ofstream(dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << refused << "\r\n";
    TMainForm form(ctx);
    form.MainTimer->stop();
    form.show();
    form.BBStartClick();
    ASSERT_FALSE(form.Link().PortConnected());
    const QString tip = form.SBPanel[2]->toolTip();
    EXPECT_TRUE(tip.contains(QString::fromStdString(std::system_category().message(EACCES))))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains("dialout")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("sudo usermod -a -G dialout $USER")) << tip.toStdString();
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

namespace qvr {
namespace {

class ChartTest : public MainFormTest {
protected:
    // Fills the history with `count` valid entries, `step` seconds apart, newest now.
    void Fill(int count, double step) {
        for (int i = 0; i < count; ++i) {
            history[i].Valid = true;
            history[i].Time = clock.Now() - i * step / 86400.0;
            history[i].WindSpeed = static_cast<float>(i % 7);
        }
    }
};

TEST_F(ChartTest, DrawsTheLastTenMinutesWithoutTheNewestEntry) {
    TMainForm form(ctx);
    form.show();
    history[0].Valid = true; // the first second of collection: nothing to draw
    history[0].Time = clock.Now();
    form.RedrawChart();
    EXPECT_EQ(Points(form).size(), 0);

    Fill(1024, 1.0);
    form.RedrawChart();
    const auto points = Points(form);
    ASSERT_EQ(points.size(), 599);
    EXPECT_EQ(Breaks(form), 0);
    EXPECT_NEAR(points.last().x() - points.first().x(), 598.0, 0.01);
    EXPECT_LT(points.first().x(), points.last().x());
    EXPECT_NEAR(form.BottomAxis->range().size(), 600.0, 0.001);
    EXPECT_NEAR(points.last().x(), form.BottomAxis->range().upper - 1.0, 0.001);
    // The axis labels the local clock time of the samples.
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(std::llround(form.BottomAxis->range().upper * 1000))
                  .toString("yyyy/MM/dd hh:mm:ss"),
              "2024/05/29 12:00:00");
}

TEST_F(ChartTest, FastModeDrawsTheLastMinuteFromQuarterSeconds) {
    sts.FastMode = true;
    TMainForm form(ctx);
    form.show();
    Fill(1024, 0.25);
    form.RedrawChart();
    const auto points = Points(form);
    ASSERT_EQ(points.size(), 239);
    EXPECT_EQ(Breaks(form), 0);
    EXPECT_NEAR(form.BottomAxis->range().upper - points.first().x(), 59.75, 0.01);
}

TEST_F(ChartTest, TheFixedAxisSpansZeroToTheChosenMaximum) {
    TMainForm form(ctx);
    form.show();
    Fill(100, 1.0);
    form.RedrawChart();
    form.CBAxisMan->setChecked(true);
    form.ApplyAxisMode();
    EXPECT_EQ(form.LeftAxis->range().lower, 0.0);
    EXPECT_EQ(form.LeftAxis->range().upper, 10.0);
    form.SEAxisMax->setValue(7); // the spin edit applies at once
    EXPECT_EQ(form.LeftAxis->range().upper, 7.0);
    form.CBAxisMan->setChecked(false);
    form.ApplyAxisMode();
    form.SEAxisMax->setValue(3); // unchecked: the scale follows the data
    EXPECT_GE(form.LeftAxis->range().upper, 6.0);
}

TEST_F(ChartTest, AnyReadingLeavesAFewGridLinesOnAFiniteLeftAxis) {
    TMainForm form(ctx);
    form.show();
    // A line of ordinary wind with one absurd reading that passed the checksum.
    for (const float reading : {60.0f, 1e4f, 1e6f, 1e9f, -1e9f, 3.4e38f, -3.4e38f}) {
        Fill(100, 1.0);
        history[50].WindSpeed = reading;
        form.RedrawChart();
        const double low = form.LeftAxis->range().lower;
        const double high = form.LeftAxis->range().upper;
        EXPECT_TRUE(std::isfinite(low) && std::isfinite(high)) << reading;
        EXPECT_LE(low, std::min(0.0f, reading)) << reading;
        EXPECT_GE(high, std::max(6.0f, reading)) << reading;
        EXPECT_LE(high - low, 3 * std::fabs(static_cast<double>(reading)) + 10) << reading;
        EXPECT_GE(TickCount(*form.LeftAxis), 2) << reading;
        EXPECT_LE(TickCount(*form.LeftAxis), 21) << reading;
    }
    // Ordinary wind (up to 6 m/s) keeps its scale: 0 to 8, a line every 2 m/s.
    Fill(100, 1.0);
    form.RedrawChart();
    EXPECT_EQ(form.LeftAxis->range().lower, 0.0);
    EXPECT_EQ(form.LeftAxis->range().upper, 8.0);
    EXPECT_EQ(TickCount(*form.LeftAxis), 5);
    // A rough step of exactly 2 or 5 (a sixth of the span) is the step itself.
    struct Boundary {
        float low, high; // readings
        double min, max;
        int ticks;
    };
    for (const Boundary b : {Boundary{-1, 10, -2, 12, 8},     // -1 to 11: rough step 2
                             Boundary{-8, 20, -10, 25, 8}}) { // -8 to 22: rough step 5
        Fill(100, 1.0);
        history[10].WindSpeed = b.low;
        history[20].WindSpeed = b.high;
        form.RedrawChart();
        EXPECT_EQ(form.LeftAxis->range().lower, b.min) << b.high;
        EXPECT_EQ(form.LeftAxis->range().upper, b.max) << b.high;
        EXPECT_EQ(TickCount(*form.LeftAxis), b.ticks) << b.high;
    }
    // The fixed axis at its largest stays within the same bound.
    form.CBAxisMan->setChecked(true);
    for (const int top : {19, 20}) {
        form.SEAxisMax->setValue(top);
        EXPECT_EQ(form.LeftAxis->range().upper, top);
        EXPECT_LE(TickCount(*form.LeftAxis), 21);
    }
}

TEST_F(ChartTest, AxisControlsOnAStoppedChartChangeOnlyTheLeftAxis) {
    TMainForm form(ctx);
    form.show();
    Fill(100, 1.0);
    form.RedrawChart();
    form.BBStopClick();
    const QCPRange time = form.BottomAxis->range();
    const auto line = Points(form);
    ASSERT_EQ(line.size(), 99);
    clock.AdvanceSeconds(3600); // an hour's pause: redrawn now, the chart would be empty
    auto unchanged = [&](const char* step) {
        EXPECT_EQ(form.BottomAxis->range(), time) << step;
        EXPECT_EQ(Points(form), line) << step;
    };
    form.CBAxisMan->click();
    EXPECT_EQ(form.LeftAxis->range().upper, 10.0);
    unchanged("fixed");
    form.SEAxisMax->setValue(4);
    EXPECT_EQ(form.LeftAxis->range().upper, 4.0);
    unchanged("spin edit");
    form.CBAxisMan->click();
    EXPECT_EQ(form.LeftAxis->range().upper, 8.0); // automatic again, from the line on show
    unchanged("automatic");
    form.SEAxisMax->setValue(12);
    EXPECT_EQ(form.LeftAxis->range().upper, 8.0);
    unchanged("spin edit while automatic");
}

TEST_F(ChartTest, ThePopupMenuChangesLineWidthWithinItsLimitsAndColours) {
    TMainForm form(ctx);
    EXPECT_FALSE(form.N_FrameColor->isVisible());
    for (int i = 0; i < 12; ++i)
        form.N_LinePlusClick();
    EXPECT_EQ(form.Series1->pen().width(), 10);
    for (int i = 0; i < 12; ++i)
        form.N_LineDecClick();
    EXPECT_EQ(form.Series1->pen().width(), 1);

    auto answer = [&](const QColor& color, bool ok) {
        QTimer::singleShot(50, [&form, color, ok] {
            form.ClrD1->setCurrentColor(color);
            ok ? form.ClrD1->accept() : form.ClrD1->reject();
        });
    };
    answer(QColor(200, 30, 30), true);
    form.N1_LineColorClick();
    EXPECT_EQ(form.Series1->pen().color(), QColor(200, 30, 30));
    EXPECT_EQ(form.PWindSpeed->property("liveColor").value<QColor>(), QColor(200, 30, 30));
    answer(QColor(0, 200, 0), false);
    form.N1_LineColorClick();
    EXPECT_EQ(form.Series1->pen().color(), QColor(200, 30, 30));
    answer(QColor(250, 250, 200), true);
    form.N2_BGColorClick();
    EXPECT_EQ(form.ChartBackground(), QColor(250, 250, 200));
    form.RTCWindSpeed->replot();
    EXPECT_EQ(form.RTCWindSpeed->grab().toImage().pixelColor(2, 2), QColor(250, 250, 200));
}

// Samples missing for more than 2 s break the line; the jitter of the
// one-second step (2 s between two samples) does not.
TEST_F(ChartTest, TheLineBreaksWhereSamplesAreMissing) {
    TMainForm form(ctx);
    form.show();
    const double ages[] = {0, 1, 2, 3, 5, 6, 7, 15, 16, 17, 17.25};
    for (std::size_t i = 0; i < std::size(ages); ++i) {
        history[i].Valid = true;
        history[i].Time = clock.Now() - ages[i] / 86400.0;
        history[i].WindSpeed = 3;
    }
    form.RedrawChart();
    EXPECT_EQ(Points(form).size(), 10);
    ASSERT_EQ(Breaks(form), 1);
    // The break lies between the samples 15 s and 7 s old.
    const double end = form.BottomAxis->range().upper;
    for (const QCPGraphData& d : *form.Series1->data()) {
        if (std::isnan(d.value)) {
            EXPECT_NEAR(end - d.key, 11.0, 0.01);
        }
    }
    // Drawn, the gap is the background: a column of the chart's middle holds
    // no line colour there, while one through the line does.
    form.CBAxisMan->setChecked(true);
    form.SEAxisMax->setValue(6);
    form.RTCWindSpeed->replot();
    const QImage shot = form.RTCWindSpeed->grab().toImage();
    const auto lineIn = [&](double age) {
        const int x = static_cast<int>(form.BottomAxis->coordToPixel(end - age) *
                                       form.RTCWindSpeed->devicePixelRatioF());
        for (int y = 0; y < shot.height(); ++y)
            if (shot.pixelColor(x, y).blue() > 200 && shot.pixelColor(x, y).red() < 100)
                return true;
        return false;
    };
    EXPECT_TRUE(lineIn(4));
    EXPECT_FALSE(lineIn(11));
}

TEST_F(MainFormTest, ShiftOpensTheMaintenanceWindowsAndSecondRecordingShowsInTheStatusBar) {
    TMainForm form(ctx);
    TSysSetForm settings(ctx);
    TMonForm monitor(ctx);
    SysSetForm = &settings;
    MonForm = &monitor;
    form.BBSetpointClick(true);
    EXPECT_TRUE(settings.isVisible());
    EXPECT_TRUE(sts.MaintenanceMode);

    sts.MaintenanceMode = false;
    form.SBStatusDblClick(false);
    EXPECT_FALSE(monitor.isVisible());
    EXPECT_FALSE(sts.MaintenanceMode);
    form.SBStatusDblClick(true);
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_TRUE(sts.MaintenanceMode);
    SysSetForm = nullptr;
    MonForm = nullptr;

    form.CBSecRec->click();
    EXPECT_TRUE(sts.SecRec);
    form.RefreshReadout();
    EXPECT_EQ(form.SBPanel[3]->text(), "SR");
    form.CBSecRec->click();
    EXPECT_FALSE(sts.SecRec);
}

TEST_F(MainFormTest, LostRecordRowsShowInTheStatusBarUntilRowsAreWrittenAgain) {
    TMainForm form(ctx);
    TMonForm monitor(ctx);
    MonForm = &monitor;
    QLabel* panel = form.SBPanel[3];
    const QColor normal = panel->palette().color(QPalette::Window);
    sts.SecRec = true;
    current.Valid = true;
    WriteTextLines(dir.File("Record"), {"a file where the folder goes"});
    monitor.RecorderLogic().RecordTick();
    monitor.RecorderLogic().RecordTick();
    form.RefreshReadout();
    EXPECT_EQ(panel->text(), "SR");
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_NE(panel->palette().color(QPalette::Window), normal);
    EXPECT_TRUE(panel->toolTip().contains("失われた行: 2")) << panel->toolTip().toStdString();
    EXPECT_TRUE(panel->toolTip().contains(QString::fromStdString(dir.File("Record"))));

    std::filesystem::remove(dir.File("Record"));
    monitor.RecorderLogic().RecordTick();
    form.RefreshReadout();
    EXPECT_FALSE(panel->autoFillBackground());
    EXPECT_EQ(panel->palette().color(QPalette::Window), normal);
    EXPECT_EQ(panel->toolTip(), "");
    MonForm = nullptr;
}

} // namespace
} // namespace qvr

namespace qvr {
namespace {

// The menu bar names every door of the program; each opens what it says.
TEST_F(MainFormTest, TheMenuBarReachesEveryWindowAndAction) {
    TMainForm form(ctx);
    TSysSetForm settings(ctx);
    TMonForm monitor(ctx);
    SysSetForm = &settings;
    MonForm = &monitor;
    form.show();
    const auto visibleWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->isVisible();
        return n;
    };
    struct Door {
        QAction* action;
        std::function<bool()> opened;
    };
    const Door doors[] = {
        {form.MMSettings, [&] { return settings.isVisible(); }},
        {form.MMMonitor, [&] { return monitor.isVisible(); }},
        {form.MMLink, [&] { return form.Link().isVisible(); }},
    };
    for (const Door& d : doors) {
        EXPECT_FALSE(d.opened()) << d.action->objectName().toStdString();
        d.action->trigger();
        EXPECT_TRUE(d.opened()) << d.action->objectName().toStdString();
    }
    EXPECT_TRUE(sts.MaintenanceMode); // as the Shift gestures do
    const int before = visibleWindows();
    form.MMViewer->trigger();
    EXPECT_EQ(visibleWindows(), before + 1); // the record viewer
    // Every action sits in a menu of the bar, with a text of its own.
    for (QAction* a : {form.MMStart, form.MMStop, form.MMPortSetup, form.MMLink, form.MMSettings,
                       form.MMMonitor, form.MMViewer, form.MMSaveData, form.MMLanguageJa,
                       form.MMLanguageEn, form.MMQuit, form.MMAbout}) {
        EXPECT_FALSE(a->text().isEmpty());
        bool inBar = false;
        for (QAction* menu : form.menuBar()->actions())
            inBar = inBar || menu->menu()->actions().contains(a);
        EXPECT_TRUE(inBar) << a->objectName().toStdString();
    }
    // The about box: version, licence and the data folder.
    const QString about = form.AboutText();
    EXPECT_TRUE(about.contains(QString("バージョン ") + AppVersion)) << about.toStdString();
    EXPECT_TRUE(about.contains("GNU General Public License"));
    EXPECT_TRUE(about.contains("データフォルダ: " + QString::fromStdString(dir.Dir())))
        << about.toStdString();
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    form.MMAbout->trigger();
    EXPECT_EQ(shown, about);

    // The language for the next start, written where the program reads it.
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    form.MMLanguageEn->trigger();
    EXPECT_EQ(ReadLanguageSetting(dir.Dir()), "en");
    EXPECT_TRUE(form.MMLanguageEn->text().contains("（次回の起動から）"));
    SysSetForm = nullptr;
    MonForm = nullptr;
}

} // namespace
} // namespace qvr
