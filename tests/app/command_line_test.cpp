#include "app/command_line.h"
#include "tests/wait_until.h"
#include "viewer/viewer_form.h"
#include "viewer/viewer_run.h"

#include "tests/base/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// Runs the real program's short demo in `folder` (copied there, so that its
// settings files stay there) and returns the lines it wrote to standard error
// in its own name, or nothing when it did not end normally.
QStringList RunDemoIn(const QString& folder, const QStringList& args) {
    const QString program = folder + "qvr-monitor";
    EXPECT_TRUE(QFile::copy(QVR_MONITOR_EXE, program));
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QVR_DEMO_SECONDS", "1");
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(folder);
    run.start(program, args + QStringList{"--demo", folder + "shots"});
    const bool finished = run.waitForFinished(60000);
    EXPECT_TRUE(finished) << run.errorString().toStdString();
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
    if (!finished) return {};
    return QString::fromLocal8Bit(run.readAllStandardError())
        .split('\n')
        .filter(QRegularExpression("^qvr-monitor"));
}

TEST(CommandLine, TakesTheDemoFolderAndSetsEverythingElseAside) {
    struct Case {
        QStringList args;
        QString demoDir;
        QStringList ignored;
    };
    const Case cases[] = {
        {{}, "", {}},
        {{"--demo", "out"}, "out", {}},
        {{"-psn_0_12345", "--demo", "out", "extra"}, "out", {"-psn_0_12345", "extra"}},
        {{"--demo"}, "", {"--demo"}}, // no folder: not a demo
        {{"--DEMO", "out"}, "", {"--DEMO", "out"}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(QStringList{"qvr-monitor"} + c.args);
        EXPECT_EQ(line.demoDir, c.demoDir) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.ignored, c.ignored) << c.args.join(' ').toStdString();
    }
}

TEST(CommandLine, TakesTheDataFolderAndTheVersionSwitch) {
    const struct {
        QStringList args;
        QString dataDir;
        bool version;
        QStringList ignored;
    } cases[] = {
        {{"--data", "/srv/wind"}, "/srv/wind", false, {}},
        {{"--data", "/srv/wind", "--demo", "out"}, "/srv/wind", false, {}},
        {{"--data"}, "", false, {"--data"}}, // no folder: the program chooses
        {{"--version"}, "", true, {}},
        {{"--data", "d", "--version"}, "d", true, {}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(QStringList{"qvr-monitor"} + c.args);
        EXPECT_EQ(line.dataDir, c.dataDir) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.version, c.version) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.ignored, c.ignored) << c.args.join(' ').toStdString();
    }
}

// The real program, copied into a folder of its own so that its settings files
// stay there, started by a launcher that adds arguments of its own.
TEST(CommandLine, TheProgramStartsDespiteArgumentsThatAreNotItsOwn) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Dir());
    const QStringList ours = RunDemoIn(folder, {"--launched-by", "desk"});
    ASSERT_EQ(ours.size(), 1) << ours.join('\n').toStdString();
    EXPECT_TRUE(ours[0].contains("--launched-by desk")) << ours[0].toStdString();
    EXPECT_TRUE(QFile::exists(folder + "shots/main-window.png"));
}

TEST(CommandLine, TakesTheWordAfterLangAsIs) {
    const struct {
        QStringList args;
        QString language;
        QStringList ignored;
    } cases[] = {
        {{"--lang", "en"}, "en", {}},
        {{"--lang", "fr", "--demo", "out"}, "fr", {}}, // judged when the language is chosen
        {{"--demo", "out", "--lang"}, "", {"--lang"}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(QStringList{"qvr-monitor"} + c.args);
        EXPECT_EQ(line.language, c.language) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.ignored, c.ignored) << c.args.join(' ').toStdString();
    }
}

// Unknown languages on the command line and in the settings file each cost
// one line on standard error, and the program runs on.
TEST(CommandLine, TheProgramNamesEachUnknownLanguageOnceAndStarts) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Dir());
    QFile settings(folder + "BaseSetpoint.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[UI]\r\nLanguage=klingon\r\n");
    settings.close();
    const QStringList ours = RunDemoIn(folder, {"--lang", "fr"});
    ASSERT_EQ(ours.size(), 2) << ours.join('\n').toStdString();
    EXPECT_TRUE(ours[0].contains("\"fr\" (--lang)")) << ours[0].toStdString();
    EXPECT_TRUE(ours[1].contains("\"klingon\" (BaseSetpoint.ini [UI] Language)"))
        << ours[1].toStdString();
    EXPECT_TRUE(QFile::exists(folder + "shots/main-window.png"));
}

TEST(CommandLine, ViewTakesThePathsUpToTheNextOption) {
    struct Case {
        QStringList args;
        bool view;
        QStringList paths;
        QString demoDir;
    };
    const Case cases[] = {
        {{"--view"}, true, {}, ""},
        {{"--view", "a.RCD", "Record"}, true, {"a.RCD", "Record"}, ""},
        {{"--view", "a.csv", "--demo", "out"}, true, {"a.csv"}, "out"},
        {{"x.RCD"}, false, {}, ""},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(QStringList{"qvr-monitor"} + c.args);
        EXPECT_EQ(line.view, c.view) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.viewPaths, c.paths) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.demoDir, c.demoDir) << c.args.join(' ').toStdString();
    }
}

// "--view" on folders and files: everything named is read and joined.
TEST(CommandLine, ViewReadsTheFilesAndFoldersNamed) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Dir());
    QDir(folder).mkpath("Record");
    QDir(folder).mkpath("other");
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(folder + "Record/RT_20240528.csv", "2024/05/28 23:59.59,1.500,20.0,\r\n");
    write(folder + "Record/RT_20240529.csv", "2024/05/29 00:00.00,2.500,20.0,\r\n");
    write(folder + "Record/RT_20240529.RCD", "2024/05/29 00:00,2,3,1,20,20,20,\r\n");
    write(folder + "other/RT_20240530.csv", "2024/05/30 00:00.00,3.500,20.0,\r\n");
    write(folder + "other/notes.txt", "not a record\r\n");
    const struct {
        QStringList paths;
        std::size_t rows;
        bool message;
    } cases[] = {
        {{}, 1, false},                  // the Record folder: its newest minute file
        {{folder + "Record"}, 1, false}, // a folder: its minute files
        {{folder + "other"}, 1, false},  // only second files: those
        {{folder + "other/RT_20240530.csv", folder + "Record/RT_20240528.csv"}, 2, false},
        {{folder + "other/notes.txt"}, 0, true}, // not a record: a message
        {{folder + "nowhere"}, 0, true},
    };
    for (const auto& c : cases) {
        const auto viewer = StartViewer(c.paths, folder);
        ASSERT_TRUE(test::WaitUntil([&] {
            QCoreApplication::processEvents();
            return !viewer->Loading();
        }));
        const std::size_t rows = viewer->View() ? viewer->View()->Data().Rows() : 0;
        EXPECT_EQ(rows, c.rows) << c.paths.join(' ').toStdString();
        EXPECT_EQ(!viewer->LViewMessage->isHidden(), c.message) << c.paths.join(' ').toStdString();
    }
}

// The viewer alone: it leaves its picture and ends, and no other window was
// made (none wrote its settings file).
TEST(CommandLine, ViewStartsTheViewerAlone) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Dir());
    const QString program = folder + "qvr-monitor";
    ASSERT_TRUE(QFile::copy(QVR_MONITOR_EXE, program));
    QFile day(folder + "RT_20240529.csv");
    ASSERT_TRUE(day.open(QIODevice::WriteOnly));
    day.write("2024/05/29 00:00.00,2.500,20.0,\r\n");
    day.close();
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QVR_VIEW_SHOT", folder + "view.png");
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(folder);
    run.start(program, {"--view", folder + "RT_20240529.csv"});
    ASSERT_TRUE(run.waitForFinished(60000)) << run.errorString().toStdString();
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_GT(QImage(folder + "view.png").width(), 400);
    EXPECT_FALSE(QFile::exists(folder + "BaseSetpoint.ini"));
}

} // namespace
} // namespace qvr
