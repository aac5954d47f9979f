#include "monitor/mon_form.h"

#include "base/ini_file.h"
#include "base/text_file.h"
#include "core/sample_validity.h"
#include "tests/records/record_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace qvr {
namespace {

class MonFormTest : public ::testing::Test {
protected:
    test::MonitorWorld w;

    MonFormTest() { w.At(29, 12, 0, 30); }

    // List row r, column c, with row 0 the heading.
    static QString Cell(const TMonForm& form, int row, int column) {
        if (row == 0) return form.SGList->horizontalHeaderItem(column)->text();
        const QTableWidgetItem* item = form.SGList->item(row - 1, column);
        return item ? item->text() : QString();
    }
    static int Rows(const TMonForm& form) { return form.SGList->rowCount() + 1; }

    // A history of `count` one-second samples, entry 0 newest.
    void FillHistory(int count) {
        for (int k = 0; k < count; ++k) {
            TSampleRec& entry = w.history[static_cast<std::size_t>(k)];
            entry.Time = EncodeDateTime({2024, 5, 29, 9, 5, 0, 0}) + (count - 1 - k) / 86400.0;
            entry.WindSpeed = static_cast<float>(count - 1 - k);
            entry.Sent = PolledFields(false, true);
        }
    }
};

TEST_F(MonFormTest, ControlsCarryTheirNamesAndTexts) {
    TMonForm form(w.context);
    EXPECT_EQ(form.windowTitle(), "Monitor List");
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(form.isVisible());
    for (const char* name : {"SGList", "PConsole", "BBSaveFile", "BBClose", "SaveDlg"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form.findChild<QTimer*>("SubTimer"), form.SubTimer);
    EXPECT_EQ(form.BBSaveFile->text(), "Save Short Log.");
    EXPECT_EQ(form.PConsole->height(), 41);
    EXPECT_EQ(form.SubTimer->interval(), 1000);
    EXPECT_TRUE(form.SubTimer->isActive());
    EXPECT_EQ(Rows(form), 16);
    EXPECT_EQ(form.SGList->columnCount(), 2);
    EXPECT_EQ(form.SGList->horizontalHeader()->sectionSize(1), 90);
    EXPECT_EQ(form.SGList->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(form.SGList->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// Every heading and value is readable whole, a long value widening its
// column; a shorter one later leaves the column as it is. A list that ticked
// while hidden is fitted when it is shown.
TEST_F(MonFormTest, ColumnsFitTheirTexts) {
    for (const bool shownFirst : {true, false}) {
        SCOPED_TRACE(shownFirst ? "shown, then ticked" : "ticked hidden, then shown");
        TMonForm form(w.context);
        w.current.SupplyVoltage = -1.0e12f; // absurd, but shown whole
        if (shownFirst) form.show();
        form.SubTimerTimer();
        if (!shownFirst) form.show();
        const int dataWidth = form.SGList->columnWidth(1);
        for (int row = 0; row < Rows(form); ++row)
            for (int column = 0; column < 2; ++column) {
                const QFontMetrics m(row == 0 ? form.SGList->horizontalHeader()->font()
                                              : form.SGList->font());
                EXPECT_LT(m.horizontalAdvance(Cell(form, row, column)),
                          form.SGList->columnWidth(column))
                    << Cell(form, row, column).toStdString();
            }
        w.current.SupplyVoltage = 1;
        form.SubTimerTimer();
        EXPECT_EQ(form.SGList->columnWidth(1), dataWidth);
    }
}

TEST_F(MonFormTest, EachTickRefreshesTheListFromTheCurrentSample) {
    TMonForm form(w.context);
    w.current.AdCount = 250;
    w.current.CpuLoad = 12.3f;
    form.SubTimerTimer();
    ASSERT_EQ(Rows(form), 24);
    EXPECT_EQ(Cell(form, 0, 0), "Name");
    EXPECT_EQ(Cell(form, 0, 1), "Data");
    EXPECT_EQ(Cell(form, 1, 0), "風速");
    EXPECT_EQ(Cell(form, 1, 1), "0.000 m/s.");
    EXPECT_EQ(Cell(form, 3, 1), "");
    EXPECT_EQ(Cell(form, 8, 1), "12.3 %");
    EXPECT_EQ(Cell(form, 10, 1), "250 /s.");
    EXPECT_EQ(Cell(form, 23, 0), "Vector-X");
    EXPECT_EQ(Cell(form, 23, 1), "0.000 ");

    // Stopping the collection keeps the values held.
    w.current.WindSpeed = 4.5f;
    form.SubTimerTimer();
    w.current.Valid = false;
    form.SubTimerTimer();
    EXPECT_EQ(Cell(form, 1, 1), "4.500 m/s.");
}

TEST_F(MonFormTest, TheTimerRunsAndRecordsWhileTheWindowIsHidden) {
    w.current.Valid = true;
    w.current.WindSpeed = 1.5f;
    TMonForm form(w.context);
    w.sts.SecRec = true;
    ASSERT_FALSE(form.isVisible());
    QSignalSpy ticks(form.SubTimer, &QTimer::timeout);
    ASSERT_TRUE(ticks.wait(2000));
    EXPECT_EQ(Rows(form), 24);
    EXPECT_EQ(Cell(form, 1, 1), "1.500 m/s.");
    EXPECT_EQ(w.Text(w.RecordFile("RT_20240529.csv")),
              "時刻,風速,気温(参考)\r\n2024/05/29 12:00.30,1.500,0.0,\r\n");
    EXPECT_EQ(form.RecorderLogic().StatCount(), 1);
}

TEST_F(MonFormTest, SettingsAreLoadedAtCreationAndStoredOnCloseAndAtTheEnd) {
    const std::string ini = w.dir.File("BaseSetpoint.ini");
    ReplaceFileBytes(ini, "[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=1\r\n");
    {
        TMonForm form(w.context);
        EXPECT_TRUE(w.sts.SecRec);
        EXPECT_TRUE(w.sts.FastMode);
        form.show();
        w.sts.FastMode = false;
        form.BBClose->click();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(IniFile(ini).ReadString("Collect", "FastMode", ""), "0");
        w.sts.SecRec = false;
    }
    EXPECT_EQ(IniFile(ini).ReadString("Record", "SecRec", ""), "0");
}

TEST_F(MonFormTest, ExportsWriteTheChosenFileAndCancelWritesNothing) {
    FillHistory(100);
    w.sts.WindDirModel = true;
    TMonForm form(w.context);
    QString answer = QString::fromStdString(w.dir.File("short.csv"));
    form.SetFileNameAsker([&] { return answer; });

    form.BBSaveFile->click();
    auto lines = ReadTextLines(w.dir.File("short.csv"));
    ASSERT_EQ(lines.size(), 2u + 99);
    EXPECT_EQ(lines[0], ",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,風向,Vector-X,");

    answer = QString::fromStdString(w.dir.File("plot.csv"));
    form.SavePlotData();
    lines = ReadTextLines(w.dir.File("plot.csv"));
    ASSERT_EQ(lines.size(), 2u + 99);
    EXPECT_EQ(lines[0], ",風速,気温,風向,");
    EXPECT_EQ(lines[2], "2024/05/29 09:05:00,0,0,0,");

    answer.clear();
    form.SavePlotData();
    form.BBSaveFile->click();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.dir.Dir()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(MonFormTest, AFailedExportShowsTheSystemsMessageAndKeepsTheOldFile) {
    FillHistory(10);
    const std::string path = w.dir.File("locked.csv");
    ReplaceFileBytes(path, "old\r\n");
    std::filesystem::create_directory(TemporaryPathFor(path)); // blocks the write, even for root
    TMonForm form(w.context);
    form.SetFileNameAsker([&] { return QString::fromStdString(path); });
    QStringList messages;
    form.SetErrorReporter([&](const QString& m) { messages << m; });

    form.SavePlotData();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(path))) << messages[0].toStdString();
    EXPECT_EQ(ReadFileBytes(path), "old\r\n");
    form.SubTimerTimer(); // the window goes on working
    EXPECT_EQ(Rows(form), 24);
}

TEST_F(MonFormTest, TheRealErrorDisplayIsAMessageBox) {
    TMonForm form(w.context);
    form.SetFileNameAsker([&] { return QString::fromStdString(w.dir.File("no/such.csv")); });
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->accept();
    });
    form.SavePlotData();
    EXPECT_TRUE(shown.contains("no/such.csv")) << shown.toStdString();
}

TEST_F(MonFormTest, TheSaveDialogAddsCsvAsksBeforeReplacingAndRemembersTheName) {
    FillHistory(3);
    TMonForm form(w.context);
    EXPECT_EQ(form.SaveDlg->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(form.SaveDlg->defaultSuffix(), "csv");
    EXPECT_EQ(form.SaveDlg->nameFilters(), QStringList{"CSV File (*.csv)"});
    EXPECT_FALSE(form.SaveDlg->testOption(QFileDialog::DontConfirmOverwrite));

    const QString typed = QString::fromStdString(w.dir.File("graph"));
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(form.SaveDlg->isVisible());
        form.SaveDlg->selectFile(typed);
        static_cast<QDialog*>(form.SaveDlg)->accept();
    });
    form.SavePlotData();
    const std::string written = w.dir.File("graph.csv");
    ASSERT_TRUE(FileExists(written));
    EXPECT_EQ(ReadTextLines(written).size(), 2u + 2);
    EXPECT_EQ(form.LastFileName().toStdString(), written);

    // Each export proposes a name of its own: the short log its own name in
    // that folder, never the plot data's file; the plot data its last name,
    // and replacing it needs a yes.
    auto save = [&](const std::function<void()>& click) {
        QString proposed;
        bool asked = false;
        QTimer::singleShot(0, [&] {
            proposed = form.SaveDlg->selectedFiles().value(0);
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked = true;
                    box->button(QMessageBox::Yes)->click();
                }
            });
            static_cast<QDialog*>(form.SaveDlg)->accept();
        });
        click();
        return std::make_pair(proposed.toStdString(), asked);
    };
    const std::string shortLog = w.dir.File("ShortLog.csv");
    EXPECT_EQ(save([&] { form.BBSaveFile->click(); }), std::make_pair(shortLog, false));
    EXPECT_EQ(ReadTextLines(shortLog)[0], ",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,");
    EXPECT_EQ(ReadTextLines(written)[0], ",風速,気温,");
    EXPECT_EQ(save([&] { form.SavePlotData(); }), std::make_pair(written, true));
    EXPECT_EQ(save([&] { form.SaveShortLog(); }), std::make_pair(shortLog, true));

    // Cancelling writes nothing.
    QTimer::singleShot(0, [&] { form.SaveDlg->reject(); });
    std::filesystem::remove(written);
    form.SavePlotData();
    EXPECT_FALSE(FileExists(written));
}

} // namespace
} // namespace qvr
