#include "../local_state.h"
#include "../modal_answers.h"
#include "../wait_until.h"
#include "app/main_form.h"
#include "base/text_file.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"
#include "serial/com_setup_frm.h"
#include "settings/sys_set_form.h"
#include "tests/viewer/sixteen_channels.h"
#include "ui/app_globals.h"
#include "ui/language.h"
#include "viewer/viewer_form.h"
#include "write/write_form.h"

#include "ui/plot.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <filesystem>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// Kana, kanji and the full-width forms: what an English reader cannot read.
bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// Every text a window shows its reader: titles, labels, buttons, group and tab
// titles, tooltips, list and grid headings and cells, combo items and menus.
// Each Japanese one comes back as "object: text".
QStringList JapaneseTexts(QWidget* window) {
    QStringList found;
    const auto check = [&](const QObject* o, const QString& text) {
        if (HasJapanese(text)) found.append(o->objectName() + ": " + text);
    };
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        check(w, w->windowTitle());
        check(w, w->toolTip());
        check(w, w->statusTip());
        if (auto* l = qobject_cast<QLabel*>(w)) check(l, l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) check(b, b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w)) check(g, g->title());
        if (auto* e = qobject_cast<QLineEdit*>(w)) check(e, e->placeholderText());
        if (auto* e = qobject_cast<QPlainTextEdit*>(w)) check(e, e->toPlainText());
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                check(c, c->itemText(i));
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) {
                check(t, t->tabText(i));
                check(t, t->tabToolTip(i));
            }
        if (auto* g = qobject_cast<QTableWidget*>(w)) {
            for (int c = 0; c < g->columnCount(); ++c)
                if (g->horizontalHeaderItem(c)) check(g, g->horizontalHeaderItem(c)->text());
            for (int r = 0; r < g->rowCount(); ++r)
                for (int c = 0; c < g->columnCount(); ++c)
                    if (g->item(r, c)) check(g, g->item(r, c)->text());
        }
        for (const QAction* a : w->actions()) {
            check(w, a->text());
            check(w, a->toolTip());
        }
        if (auto* m = qobject_cast<QMenu*>(w))
            for (const QAction* a : m->actions())
                check(m, a->text());
    }
    return found;
}

// The program's windows on local state with the English translation put on as
// the program entry puts it on, before any window is built.
class EnglishInterfaceTest : public ::testing::Test, protected test::LocalState {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
        ResetPrm(prm);
    }
    void TearDown() override { qDeleteAll(qApp->findChildren<QTranslator*>()); }

    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx = Context(clock);
    test::MessageCatcher box;
};

TEST_F(EnglishInterfaceTest, EveryWindowAndDialogShowsNoJapaneseText) {
    TMainForm main(ctx);
    TSysSetForm settings(ctx);
    TMonForm monitor(ctx);
    TWriteForm write(ctx);
    MainForm = &main;
    SysSetForm = &settings;
    MonForm = &monitor;
    WriteForm = &write;
    main.show();
    main.RefreshReadout();
    settings.show();
    monitor.show();
    monitor.SubTimerTimer(); // fills the list's names and values
    TCommCtrlForm* link = CommCtrlForm;
    ASSERT_NE(link, nullptr);
    link->show();
    TComSetupFrm portSetup(&main);
    portSetup.show();
    write.show();
    ViewerForm viewer;
    viewer.OpenFolder(QString::fromStdString(dir.Dir())); // no records: says so
    viewer.show();

    for (QWidget* window : std::initializer_list<QWidget*>{&main, &settings, &monitor, link,
                                                           &portSetup, &write, &viewer})
        EXPECT_EQ(JapaneseTexts(window), QStringList()) << window->objectName().toStdString();
    // Both tabs of the settings window, each shown in turn.
    for (int tab = 0; tab < settings.PCMain->count(); ++tab) {
        settings.PCMain->setCurrentIndex(tab);
        EXPECT_EQ(JapaneseTexts(settings.PCMain->currentWidget()), QStringList()) << tab;
    }

    // The message boxes of a bad number and of a failed save.
    settings.EAdjWS->setText("1,5");
    box.ArmOnce();
    settings.BBOk->click();
    ASSERT_EQ(box.seen, 1);
    EXPECT_FALSE(HasJapanese(box.text)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("Reference wind speed (m/s): \"1,5\"")) << box.text.toStdString();

    settings.EAdjWS->setText("1.5");
    std::filesystem::create_directory(dir.File("BaseSetpoint.ini")); // a folder where the file goes
    box.ArmOnce();
    settings.BBOk->click();
    ASSERT_EQ(box.seen, 2);
    EXPECT_FALSE(HasJapanese(box.text)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("BaseSetpoint.ini")) << box.text.toStdString();

    WriteForm = nullptr;
    MonForm = nullptr;
    SysSetForm = nullptr;
    MainForm = nullptr;
}

// The record viewer's messages about files come from the reader as Japanese
// pieces around paths and counts; each piece is shown in English.
TEST_F(EnglishInterfaceTest, TheViewerTellsOfBadFilesInEnglish) {
    const std::string empty = dir.File("RS_20240528.csv");
    const std::string foreign = dir.File("RS_20240529.csv");
    WriteTextLines(empty, {});
    WriteTextLines(foreign, {"name,value", "wind,1.5"});
    const struct {
        std::string path;
        const char* english;
    } cases[] = {
        {dir.File("RS_20240527.csv"), ": cannot be opened ("},
        {empty, "No records (an empty file)"},
        {foreign, "No record rows found (lines that could not be read: 2)"},
        {dir.Dir(), ": not a regular file"},
    };
    for (const auto& c : cases) {
        ViewerForm viewer;
        viewer.Load({QString::fromStdString(c.path)});
        ASSERT_TRUE(test::WaitUntil([&] {
            QApplication::processEvents();
            return !viewer.Loading();
        }));
        QApplication::processEvents();
        const QString message = viewer.LViewMessage->text();
        EXPECT_FALSE(HasJapanese(message)) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.english))) << message.toStdString();
    }
}

// The record viewer names the channels of a full minute file in English
// wherever it shows them: the list to tick, the legend and axes (and so the
// exported picture), the readout and its tooltip; the CSV export keeps the
// file's Japanese names.
TEST_F(EnglishInterfaceTest, TheViewerNamesChannelsInEnglish) {
    const std::string file = dir.File("RT_20240531.RCD");
    test::WriteSixteenChannelFile(file, EncodeDateTime({2024, 5, 31, 0, 0, 0, 0}));
    ViewerForm viewer;
    viewer.show();
    viewer.OpenPaths({QString::fromStdString(file)});
    ASSERT_TRUE(test::WaitUntil([&] {
        QApplication::processEvents();
        return !viewer.Loading();
    }));
    QApplication::processEvents();
    QStringList shown;
    for (int i = 0; i < viewer.LBViewChannels->count(); ++i) {
        viewer.LBViewChannels->item(i)->setCheckState(Qt::Checked);
        shown.append(viewer.LBViewChannels->item(i)->text());
    }
    EXPECT_TRUE(shown.contains("Air temp. (fine)")) << shown.join(", ").toStdString();
    QCustomPlot* chart = viewer.ViewerChart;
    const QRect area = chart->axisRect()->rect();
    const QPoint over = area.center();
    QMouseEvent hover(QEvent::MouseMove, over, chart->mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(chart, &hover);
    for (int i = 0; i < chart->legend->itemCount(); ++i)
        if (auto* item = qobject_cast<QCPPlottableLegendItem*>(chart->legend->item(i)))
            shown.append(item->plottable()->name());
    for (QCPAxis* axis : chart->axisRect()->axes())
        shown.append(axis->label());
    shown.append(viewer.LViewCursor->text());
    shown.append(viewer.LViewCursor->toolTip());
    for (const QString& text : shown)
        EXPECT_FALSE(HasJapanese(text)) << text.toStdString();
    EXPECT_TRUE(viewer.LViewCursor->text().contains("Wind speed 7.919"))
        << viewer.LViewCursor->text().toStdString();
    EXPECT_TRUE(viewer.LViewCursor->toolTip().contains(
        QRegularExpression("Supply voltage 7\\d\\d\\.123 \\(7\\d\\d\\.873 to 7\\d\\d\\.623\\)")))
        << viewer.LViewCursor->toolTip().toStdString();
    EXPECT_EQ(JapaneseTexts(&viewer), QStringList());

    const std::string csv = dir.File("span.csv");
    EXPECT_EQ(viewer.ExportCsv(QString::fromStdString(csv)), "");
    EXPECT_TRUE(ReadTextLines(csv).front().starts_with(",風速,風速(最大),風速(最小),気温(参考),"));
}

// The check above is only as good as its eye: the same walk finds the Japanese
// texts of the untranslated windows.
TEST(JapaneseInterface, TheWalkSeesTheJapaneseTexts) {
    test::LocalState state;
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx = state.Context(clock);
    TSysSetForm settings(ctx);
    const QStringList found = JapaneseTexts(&settings);
    EXPECT_TRUE(found.contains("BBCancel: キャンセル")) << found.join('\n').toStdString();
    EXPECT_TRUE(found.contains("CBLanguage: 日本語")) << found.join('\n').toStdString();
}

} // namespace
} // namespace qvr
