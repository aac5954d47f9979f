#include "viewer/viewer_form.h"

#include "../wait_until.h"
#include "base/text_file.h"
#include "records/record_channels.h"
#include "records/record_lines.h"
#include "tests/base/temp_dir.h"
#include "tests/viewer/sixteen_channels.h"

#include "ui/plot.h"
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qvr {
namespace {

TDateTime Day(int d) {
    return EncodeDateTime({2024, 5, d, 0, 0, 0, 0});
}

// A Record folder with minute files for 28 and 29 May (a row a minute from
// 09:00, wind speed = minute number % 10, one two-hour gap on the 29th) and a
// second file for the 29th.
class ViewerTest : public ::testing::Test {
protected:
    test::TempDir dir{"qvr-viewer-"};
    std::string record = dir.File("Record");

    void SetUp() override {
        std::filesystem::create_directory(test::Utf8Path(record));
        for (const int d : {28, 29}) {
            std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Basic);
            for (int m = 0; m < 600; ++m) {
                if (d == 29 && m >= 200 && m < 320) continue;
                TSampleRec avg, max, min;
                avg.WindSpeed = static_cast<float>(m % 10);
                max.WindSpeed = avg.WindSpeed + 1;
                min.WindSpeed = avg.WindSpeed - 0.5f;
                avg.AirTemp = max.AirTemp = min.AirTemp = 20;
                lines.push_back(
                    MinuteDataRow(RecordLayout::Basic, Day(d) + (540 + m) / 1440.0, avg, max, min));
            }
            WriteTextLines(MinuteFile(d), lines);
        }
        std::vector<std::string> seconds{SecondHeaderLine()};
        TSampleRec s;
        for (int i = 0; i < 3600; ++i) {
            s.WindSpeed = 2.5f;
            s.AirTemp = 21;
            seconds.push_back(SecondDataRow(Day(29) + (36000 + i) / 86400.0, s));
        }
        WriteTextLines(record + "/RT_20240529.csv", seconds);
    }

    std::string MinuteFile(int d) const {
        return record + "/RT_202405" + std::to_string(d) + ".RCD";
    }

    static void WaitLoaded(ViewerForm& v) {
        ASSERT_TRUE(test::WaitUntil([&] {
            QApplication::processEvents();
            return !v.Loading();
        }));
        QApplication::processEvents();
    }

    // The pointer over the chart, a fraction `fx` of the way across.
    static void Hover(ViewerForm& v, double fx) {
        const QPoint over = ChartPoint(v, fx);
        QMouseEvent hover(QEvent::MouseMove, over, v.ViewerChart->mapToGlobal(over), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v.ViewerChart, &hover);
    }

    static QPoint ChartPoint(ViewerForm& v, double fx, double fy = 0.5) {
        const QRect r = v.ViewerChart->axisRect()->rect();
        return QPoint(r.left() + static_cast<int>(fx * r.width()),
                      r.top() + static_cast<int>(fy * r.height()));
    }
};

TEST_F(ViewerTest, ListsTheDaysOfTheRecordFolderAndJoinsTheChosenOnes) {
    ViewerForm v;
    v.show();
    v.OpenFolder(QString::fromStdString(record));
    ASSERT_EQ(v.LBViewDays->count(), 2);
    EXPECT_EQ(v.LBViewDays->item(0)->text(), "2024/05/28");
    EXPECT_EQ(v.LBViewDays->item(1)->text(), "2024/05/29");
    WaitLoaded(v);
    ASSERT_TRUE(v.View());
    EXPECT_EQ(v.View()->Data().Rows(), 480u); // the newest day
    EXPECT_NEAR(v.SpanFrom(), Day(29) + 540 / 1440.0, 1e-9);
    EXPECT_EQ(v.PViewStats->text(),
              "行数 480　風速 平均 4.500 m/s　最大 10 m/s　最小 -0.5 m/s　読めなかった行 0");
    EXPECT_TRUE(v.LViewMessage->isHidden());
    // The air temperature has its own axis; the other channels are offered.
    EXPECT_EQ(v.LBViewChannels->count(), 0);

    v.LBViewDays->selectAll();
    WaitLoaded(v);
    EXPECT_EQ(v.View()->Data().Rows(), 1080u);
    v.ShowAll();
    EXPECT_NEAR(v.SpanFrom(), Day(28) + 540 / 1440.0, 1e-9);
    EXPECT_NEAR(v.SpanTo(), Day(29) + 1139 / 1440.0, 1e-9);

    v.CBViewKind->setCurrentIndex(1); // second files
    WaitLoaded(v);
    ASSERT_EQ(v.LBViewDays->count(), 1);
    EXPECT_EQ(v.View()->Data().Rows(), 3600u);
    EXPECT_TRUE(v.PViewStats->text().contains("平均 2.500 m/s"));

    if (const char* out = std::getenv("QVR_SCREENSHOT_DIR")) {
        v.CBViewKind->setCurrentIndex(0);
        WaitLoaded(v);
        v.resize(1000, 620);
        EXPECT_TRUE(v.grab().save(QString(out) + "/record-viewer.png"));
    }
}

TEST_F(ViewerTest, WheelZoomsAroundTheCursorDragPansDoubleClickShowsAll) {
    ViewerForm v;
    v.resize(1000, 620);
    v.show();
    v.OpenPaths({QString::fromStdString(MinuteFile(28))});
    WaitLoaded(v);
    ASSERT_EQ(v.View()->Data().Rows(), 600u);
    const TDateTime from = v.SpanFrom(), to = v.SpanTo();
    QCustomPlot* chart = v.ViewerChart;
    chart->replot();

    // Zoom in around a point a quarter of the way across: it stays put.
    const QPoint at = ChartPoint(v, 0.25);
    const double under = chart->xAxis->pixelToCoord(at.x());
    QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120 * 3), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart, &wheel);
    const double width = v.SpanTo() - v.SpanFrom();
    EXPECT_LT(width, (to - from) * 0.8);
    EXPECT_NEAR(chart->xAxis->pixelToCoord(at.x()), under, 1.0);
    const QString zoomed = v.PViewStats->text();
    EXPECT_FALSE(zoomed.startsWith("行数 600"));

    // Drag to the right by a fifth of the width: earlier times come into view.
    const TDateTime before = v.SpanFrom();
    const QPoint start = ChartPoint(v, 0.5), end = ChartPoint(v, 0.7);
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, end, chart->mapToGlobal(end), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, end);
    EXPECT_NEAR(v.SpanFrom(), before - width * 0.2, width * 0.02);
    EXPECT_NEAR(v.SpanTo() - v.SpanFrom(), width, 1e-9);

    QTest::mouseDClick(chart, Qt::LeftButton, Qt::NoModifier, ChartPoint(v, 0.5));
    EXPECT_NEAR(v.SpanFrom(), from, 1e-9);
    EXPECT_NEAR(v.SpanTo(), to, 1e-9);
    EXPECT_TRUE(v.PViewStats->text().startsWith("行数 600"));

    // The readout gives the time and the values under the cursor line, each
    // with the file's digits.
    Hover(v, 0.0);
    EXPECT_EQ(v.LViewCursor->text(), "2024/05/28 09:00:00\n風速 0\n    (-0.5〜1)\n気温(参考) 20");
}

TEST_F(ViewerTest, StatisticsAndExportsCoverTheVisibleSpan) {
    ViewerForm v;
    v.show();
    v.OpenPaths({QString::fromStdString(MinuteFile(29))});
    WaitLoaded(v);
    // 10:00 to 10:09: one run of 0..9 m/s.
    v.SetSpan(Day(29) + 600 / 1440.0, Day(29) + 609 / 1440.0);
    EXPECT_EQ(v.PViewStats->text(),
              "行数 10　風速 平均 4.500 m/s　最大 10 m/s　最小 -0.5 m/s　読めなかった行 0");
    // Inside the gap nothing is in view.
    v.SetSpan(Day(29) + 750 / 1440.0, Day(29) + 800 / 1440.0);
    EXPECT_EQ(v.PViewStats->text(), "行数 0　読めなかった行 0");

    v.SetSpan(Day(29) + 600 / 1440.0, Day(29) + 602 / 1440.0);
    EXPECT_EQ(v.ExportCsv(QString::fromStdString(dir.File("span.csv"))), "");
    EXPECT_EQ(ReadTextLines(dir.File("span.csv")),
              (std::vector<std::string>{
                  ",風速,風速(最大),風速(最小),気温(参考),気温(参考)(最大),気温(参考)(最小),",
                  "2024/05/29 10:00,0,1,-0.5,20,20,20,", "2024/05/29 10:01,1,2,0.5,20,20,20,",
                  "2024/05/29 10:02,2,3,1.5,20,20,20,"}));
    // The export opens in the viewer with the same rows and values.
    const RecordData back = ReadRecordFile(dir.File("span.csv"));
    ASSERT_EQ(back.Rows(), 3u);
    EXPECT_TRUE(back.Errors.empty());
    EXPECT_EQ(back.Time.front(), Day(29) + 600 / 1440.0);
    EXPECT_EQ(back.Columns[0].Max, (std::vector<float>{1, 2, 3}));
    const QString png = QString::fromStdString(dir.File("span.png"));
    EXPECT_EQ(v.ExportPng(png), "");
    const QImage image(png);
    EXPECT_GT(image.width(), 300);
    // A folder that is not there: a message, and nothing else happens.
    EXPECT_NE(v.ExportCsv(QString::fromStdString(dir.File("no/such/x.csv"))), "");
    EXPECT_NE(v.ExportPng(QString::fromStdString(dir.File("no/such/x.png"))), "");
}

// Dense rows swinging between 1 and 5 m/s: drawn as each pixel column's
// extremes, every column of the chart is filled from 1 to 5, none skipped, and
// nothing is drawn above 5.
// A file named twice, by another spelling, or by itself and by its folder is
// read once.
TEST_F(ViewerTest, AFileNamedTwiceOrByItsFolderIsReadOnce) {
    ViewerForm v;
    const QString file = QString::fromStdString(MinuteFile(28));
    v.OpenPaths({file, file, QString::fromStdString(record),
                 QString::fromStdString(record + "/./RT_20240528.RCD")});
    WaitLoaded(v);
    ASSERT_NE(v.View(), nullptr);
    EXPECT_EQ(v.View()->Data().Rows(), 600u + 480u); // the 28th and the 29th, once each
}

TEST_F(ViewerTest, ADenseLineFillsEveryPixelColumnWithItsExtremes) {
    std::vector<std::string> lines{SecondHeaderLine()};
    TSampleRec s;
    s.AirTemp = 21;
    for (int i = 0; i < 30000; ++i) {
        s.WindSpeed = i % 2 ? 5.0f : 1.0f;
        lines.push_back(SecondDataRow(Day(30) + i / 86400.0, s));
    }
    const std::string file = record + "/RT_20240530.csv";
    WriteTextLines(file, lines);
    ViewerForm v;
    v.resize(900, 600);
    v.show();
    v.OpenPaths({QString::fromStdString(file)});
    WaitLoaded(v);
    v.ViewerChart->replot();
    const QImage image = v.ViewerChart->grab().toImage();
    const QRect r = v.ViewerChart->axisRect()->rect();
    QCPAxis* y = v.ViewerChart->yAxis;
    const QColor wind(0, 70, 200);
    int columns = 0;
    const QRect legend = v.ViewerChart->legend->outerRect().adjusted(-2, -2, 2, 2); // and its frame
    // Clear of the axes' inward ticks at both sides.
    for (int x = r.left() + 8; x < r.right() - 8; ++x) {
        for (const double value : {1.2, 2.0, 4.0, 4.8}) {
            const QPoint at(x, static_cast<int>(y->coordToPixel(value)));
            if (!legend.contains(at)) {
                ASSERT_EQ(image.pixelColor(at), wind) << "x " << x << " at " << value << " m/s";
            }
        }
        EXPECT_NE(image.pixelColor(x, static_cast<int>(y->coordToPixel(5.3))), wind) << x;
        ++columns;
    }
    EXPECT_GE(columns, r.width() - 18); // every column but the edges
}

TEST_F(ViewerTest, BadFilesShowAMessageAndAGrowingDayIsFollowed) {
    ViewerForm v;
    v.show();
    const std::string junk = dir.File("junk.bin");
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31 % 251);
    ReplaceFileBytes(junk, bytes);
    v.OpenPaths({QString::fromStdString(junk), QString::fromStdString(dir.File("nothing.csv"))});
    WaitLoaded(v);
    EXPECT_TRUE(v.View()->Empty());
    EXPECT_FALSE(v.LViewMessage->isHidden());
    EXPECT_TRUE(v.LViewMessage->text().contains("記録の行が見つかりません"));
    EXPECT_TRUE(v.LViewMessage->text().contains("nothing.csv"));

    // A day the recorder is still writing, its last row torn.
    const std::string today = record + "/RT_20240530.csv";
    std::vector<std::string> rows{SecondHeaderLine()};
    TSampleRec s;
    s.WindSpeed = 1;
    for (int i = 0; i < 100; ++i)
        rows.push_back(SecondDataRow(Day(30) + i / 86400.0, s));
    WriteTextLines(today, rows);
    {
        std::string torn = ReadFileBytes(today) + "2024/05/30 00:01.40,1.000,0.0";
        ReplaceFileBytes(today, torn);
    }
    v.OpenPaths({QString::fromStdString(today)});
    WaitLoaded(v);
    EXPECT_EQ(v.View()->Data().Rows(), 100u);
    EXPECT_TRUE(v.PViewStats->text().endsWith("読めなかった行 1"));

    // The row is completed and more follow; following reloads by itself and
    // keeps the end in view.
    v.CBViewFollow->setChecked(true);
    std::string grown = ReadFileBytes(today) + ",\r\n";
    for (int i = 101; i < 160; ++i)
        grown += Utf8ToCp932(SecondDataRow(Day(30) + i / 86400.0, s)) + "\r\n";
    ReplaceFileBytes(today, grown);
    ASSERT_TRUE(test::WaitUntil([&] {
        QApplication::processEvents();
        return v.View()->Data().Rows() == 160u;
    }));
    EXPECT_NEAR(v.SpanTo(), Day(30) + 159 / 86400.0, 1e-9);
    EXPECT_TRUE(v.PViewStats->text().endsWith("読めなかった行 0"));

    // The file vanishes: the rows shown stay, with the reason.
    v.CBViewFollow->setChecked(false);
    std::filesystem::remove(test::Utf8Path(today));
    v.Reload();
    WaitLoaded(v);
    EXPECT_EQ(v.View()->Data().Rows(), 160u);
    EXPECT_TRUE(v.LViewMessage->text().contains("開けません"));
}

// A minute file of all 16 channels, every channel ticked, the pointer swept
// across the chart: the readout keeps to its panel, the window to its size,
// and the values show the file's digits, not float noise.
TEST_F(ViewerTest, TheReadoutOfSixteenChannelsNeverWidensTheWindow) {
    const std::string file = record + "/RT_20240531.RCD";
    test::WriteSixteenChannelFile(file, Day(31));
    ViewerForm v;
    v.resize(780, 560);
    v.show();
    v.OpenPaths({QString::fromStdString(file)});
    WaitLoaded(v);
    ASSERT_EQ(v.LBViewChannels->count(), 14);
    for (int i = 0; i < v.LBViewChannels->count(); ++i)
        v.LBViewChannels->item(i)->setCheckState(Qt::Checked);
    QApplication::processEvents();
    const QSize size = v.size();
    for (const double at : {0.0, 0.3, 0.6, 1.0}) {
        Hover(v, at);
        QApplication::processEvents();
        EXPECT_EQ(v.size(), size) << at;
        EXPECT_LE(v.minimumSizeHint().width(), size.width()) << at;
        EXPECT_LE(v.LViewCursor->width(), v.width() / 4);
    }
    // The time, the wind speed and its extremes, then 15 channels a line.
    const QStringList lines = v.LViewCursor->text().split('\n');
    ASSERT_EQ(lines.size(), 18) << v.LViewCursor->text().toStdString();
    EXPECT_EQ(lines[0], "2024/05/31 09:29:00");
    EXPECT_EQ(lines[1], "風速 7.919");
    EXPECT_EQ(lines[2].trimmed(), "(7.669〜8.419)");
    EXPECT_EQ(lines[3], "気温(参考) 129.1"); // the channel's one decimal
    // Whatever does not fit is cut in the panel and whole in its tooltip.
    const QString tip = v.LViewCursor->toolTip();
    EXPECT_TRUE(tip.contains("Vector-X -9999.999 (-10000.249〜-9999.499)")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("AD変換回数 829 (828〜829)")) << tip.toStdString();
    const QFontMetrics metrics = v.LViewCursor->fontMetrics();
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), v.LViewCursor->contentsRect().width())
            << line.toStdString();
    // A long message or path wraps or is cut; it does not widen the window.
    v.OpenPaths({QString::fromStdString(dir.File(std::string(400, 'x') + ".csv"))});
    QApplication::processEvents();
    EXPECT_EQ(v.size(), size);
}

// Each minute's maximum and minimum is flat across the minute it covers and
// rises or falls only at its end; second files have no band and no legend
// entry for one.
TEST_F(ViewerTest, TheMinuteBandIsDrawnAsStepsAndNamedOnlyWhereThereIsOne) {
    ViewerForm v;
    v.show();
    QCPGraph* band = nullptr;
    for (int i = 0; i < v.ViewerChart->graphCount(); ++i)
        if (v.ViewerChart->graph(i)->name() == "風速（最大・最小）") band = v.ViewerChart->graph(i);
    ASSERT_NE(band, nullptr);
    v.OpenPaths({QString::fromStdString(MinuteFile(28))});
    WaitLoaded(v);
    v.SetSpan(Day(28) + 600 / 1440.0, Day(28) + 610 / 1440.0);
    ASSERT_GT(band->data()->size(), 20);
    const auto at = [&](int minute) { return ViewerForm::Key(Day(28) + minute / 1440.0); };
    int steps = 0;
    for (auto it = band->data()->constBegin(); it + 1 != band->data()->constEnd(); ++it) {
        const auto next = it + 1;
        if (std::isnan(it->value) || std::isnan(next->value)) continue; // a gap
        ASSERT_TRUE(next->value == it->value || next->key == it->key)
            << "a ramp from " << it->key - at(600) << " (" << it->value << ") to "
            << next->key - at(600) << " (" << next->value << ")";
        if (next->value == it->value && std::abs(next->key - it->key - 60.0) < 0.01) ++steps;
    }
    EXPECT_GE(steps, 10);
    // 10:05's maximum (5 + 1 m/s) spans 10:04 to 10:05.
    EXPECT_EQ(band->data()->findBegin(at(605) - 30.0)->value, 6.0);
    EXPECT_TRUE(v.ViewerChart->legend->hasItemWithPlottable(band));

    v.OpenPaths({QString::fromStdString(record + "/RT_20240529.csv")});
    WaitLoaded(v);
    EXPECT_FALSE(v.ViewerChart->legend->hasItemWithPlottable(band));
    EXPECT_TRUE(band->data()->isEmpty());
    v.OpenPaths({QString::fromStdString(MinuteFile(29))});
    WaitLoaded(v);
    EXPECT_TRUE(v.ViewerChart->legend->hasItemWithPlottable(band));
}

// A folder that had no records gets its first day; a day that appears later is
// listed by the watcher, or at the latest by "Reload".
TEST_F(ViewerTest, TheDayListFollowsTheFolder) {
    const std::string live = dir.File("Live");
    std::filesystem::create_directory(test::Utf8Path(live));
    ViewerForm v;
    v.show();
    v.OpenFolder(QString::fromStdString(live));
    EXPECT_EQ(v.LBViewDays->count(), 0);
    EXPECT_TRUE(v.LViewMessage->text().contains("記録ファイルがありません"));

    std::filesystem::copy_file(test::Utf8Path(MinuteFile(28)),
                               test::Utf8Path(live + "/RT_20240528.RCD"));
    ASSERT_TRUE(test::WaitUntil([&] {
        QApplication::processEvents();
        return v.View() && v.View()->Data().Rows() == 600u && !v.Loading();
    }));
    EXPECT_EQ(v.LBViewDays->count(), 1);
    EXPECT_TRUE(v.LViewMessage->isHidden());

    std::filesystem::copy_file(test::Utf8Path(MinuteFile(29)),
                               test::Utf8Path(live + "/RT_20240529.RCD"));
    v.Reload();
    ASSERT_EQ(v.LBViewDays->count(), 2);
    EXPECT_EQ(v.LBViewDays->item(1)->text(), "2024/05/29");
    // The day shown stays chosen; the new one waits to be picked.
    EXPECT_TRUE(v.LBViewDays->item(0)->isSelected());
    EXPECT_FALSE(v.LBViewDays->item(1)->isSelected());
    WaitLoaded(v);
    EXPECT_EQ(v.View()->Data().Rows(), 600u);
}

// With "Follow" the newest day is followed into the next one once the clock
// has passed midnight and the new day's file has begun; an older day being
// looked at stays.
TEST_F(ViewerTest, FollowMovesToTheNewDayFileAfterMidnight) {
    ManualClock clock(EncodeDateTime({2024, 5, 29, 23, 59, 30, 0}));
    ViewerForm v(nullptr, clock);
    v.show();
    v.OpenFolder(QString::fromStdString(record));
    WaitLoaded(v);
    ASSERT_EQ(v.Files(), QStringList{QString::fromStdString(MinuteFile(29))});
    v.CBViewFollow->setChecked(true);

    clock.Set(EncodeDateTime({2024, 5, 30, 0, 0, 3, 0}));
    v.FollowTick(); // the new day's first row is not written yet
    WaitLoaded(v);
    EXPECT_EQ(v.Files(), QStringList{QString::fromStdString(MinuteFile(29))});

    std::vector<std::string> lines = MinuteHeaderPair(RecordLayout::Basic);
    TSampleRec s;
    s.WindSpeed = 4;
    lines.push_back(MinuteDataRow(RecordLayout::Basic, Day(30), s, s, s));
    const std::string next = MinuteFile(30);
    WriteTextLines(next, lines);
    v.LBViewDays->setCurrentRow(0, QItemSelectionModel::ClearAndSelect); // the 28th
    WaitLoaded(v);
    v.FollowTick();
    WaitLoaded(v);
    EXPECT_EQ(v.Files(), QStringList{QString::fromStdString(MinuteFile(28))});

    v.LBViewDays->setCurrentRow(1,
                                QItemSelectionModel::ClearAndSelect); // the 29th, the newest before
    WaitLoaded(v);
    clock.Set(EncodeDateTime({2024, 5, 30, 0, 0, 10, 0}));
    v.FollowTick();
    WaitLoaded(v);
    EXPECT_EQ(v.Files(), QStringList{QString::fromStdString(next)});
    ASSERT_EQ(v.LBViewDays->count(), 3);
    EXPECT_TRUE(v.LBViewDays->item(2)->isSelected());
    EXPECT_EQ(v.View()->Data().Rows(), 1u);
}

// A day file that cannot be read is listed with its reason; a folder that
// cannot be listed says why rather than "no records".
TEST_F(ViewerTest, UnreadableDaysAndFoldersSayWhy) {
    std::filesystem::create_directory(test::Utf8Path(record + "/RT_20240527.RCD"));
    std::filesystem::create_symlink(test::Utf8Path(dir.File("gone.RCD")),
                                    test::Utf8Path(record + "/RT_20240526.RCD"));
    const bool root = geteuid() == 0; // root reads any file
    if (!root) {
        std::filesystem::copy_file(test::Utf8Path(MinuteFile(28)),
                                   test::Utf8Path(record + "/RT_20240525.RCD"));
        std::filesystem::permissions(test::Utf8Path(record + "/RT_20240525.RCD"),
                                     std::filesystem::perms::none);
    }
    ViewerForm v;
    v.show();
    v.OpenFolder(QString::fromStdString(record));
    WaitLoaded(v);
    ASSERT_EQ(v.LBViewDays->count(), root ? 4 : 5);
    const int first = root ? 0 : 1;
    const auto day = [&](int i) { return v.LBViewDays->item(first + i); };
    EXPECT_EQ(day(0)->text(), "2024/05/26 読めません");
    EXPECT_TRUE(day(0)->toolTip().contains("開けません（")) << day(0)->toolTip().toStdString();
    EXPECT_EQ(day(1)->text(), "2024/05/27 読めません");
    EXPECT_TRUE(day(1)->toolTip().contains("通常のファイルではありません"));
    EXPECT_EQ(day(2)->text(), "2024/05/28");
    if (!root) {
        EXPECT_EQ(v.LBViewDays->item(0)->text(), "2024/05/25 読めません");
        EXPECT_TRUE(v.LBViewDays->item(0)->toolTip().contains("Permission denied"));
    }
    EXPECT_EQ(v.View()->Data().Rows(), 480u); // the newest day, readable

    const std::string plain = dir.File("plain.txt");
    WriteTextLines(plain, {"x"});
    struct {
        std::string folder;
        const char* says;
    } cases[] = {
        {dir.File("missing"), "No such file"},
        {plain, "Not a directory"},
    };
    for (const auto& c : cases) {
        ViewerForm w;
        w.OpenFolder(QString::fromStdString(c.folder));
        EXPECT_TRUE(w.LViewMessage->text().contains("フォルダーを読めません（"))
            << w.LViewMessage->text().toStdString();
        EXPECT_TRUE(w.LViewMessage->text().contains(QString::fromUtf8(c.says)))
            << w.LViewMessage->text().toStdString();
    }
    if (!root) {
        const std::string closed = dir.File("closed");
        std::filesystem::create_directory(test::Utf8Path(closed));
        std::filesystem::permissions(test::Utf8Path(closed), std::filesystem::perms::none);
        ViewerForm w;
        w.OpenFolder(QString::fromStdString(closed));
        EXPECT_TRUE(w.LViewMessage->text().contains("フォルダーを読めません（"))
            << w.LViewMessage->text().toStdString();
    }
}

// Cells of three and of one decimal: the readout and the statistics' extremes
// give them as the file holds them (a trailing zero included), the mean in the
// channel's format.
TEST_F(ViewerTest, TheReadoutAndExtremesShowTheFilesOwnDigits) {
    const std::string file = record + "/RT_20240530.csv";
    WriteTextLines(file, {"時刻,風速,気温(参考)", "2024/05/30 10:00.00,11.980,20.3,",
                          "2024/05/30 10:00.01,7.919,19.9,", "2024/05/30 10:00.02,9.5,20.0,"});
    ViewerForm v;
    v.show();
    v.OpenPaths({QString::fromStdString(file)});
    WaitLoaded(v);
    EXPECT_EQ(v.PViewStats->text(),
              "行数 3　風速 平均 9.800 m/s　最大 11.980 m/s　最小 7.919 m/s　読めなかった行 0");
    Hover(v, 0.0);
    EXPECT_EQ(v.LViewCursor->text(), "2024/05/30 10:00:00\n風速 11.980\n気温(参考) 20.3");
}

} // namespace
} // namespace qvr
