#include "app/command_line.h"

#include "tests/base/temp_dir.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace qvr {
namespace {

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

// The real program, copied into a folder of its own so that its settings files
// stay there, started by a launcher that adds arguments of its own.
TEST(CommandLine, TheProgramStartsDespiteArgumentsThatAreNotItsOwn) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Dir());
    const QString program = folder + "qvr-monitor";
    ASSERT_TRUE(QFile::copy(QVR_MONITOR_EXE, program));
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QVR_DEMO_SECONDS", "1");
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(folder);
    run.start(program, {"--launched-by", "desk", "--demo", folder + "shots"});
    ASSERT_TRUE(run.waitForFinished(60000)) << run.errorString().toStdString();
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
    const QStringList ours = QString::fromLocal8Bit(run.readAllStandardError())
                                 .split('\n')
                                 .filter(QRegularExpression("^qvr-monitor"));
    ASSERT_EQ(ours.size(), 1) << ours.join('\n').toStdString();
    EXPECT_TRUE(ours[0].contains("--launched-by desk")) << ours[0].toStdString();
    EXPECT_TRUE(QFile::exists(folder + "shots/main-window.png"));
}

} // namespace
} // namespace qvr
