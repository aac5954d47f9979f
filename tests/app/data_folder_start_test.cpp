// Where the real program keeps its files: a folder named with --data, given
// the defaults an installed package ships on its first start; and a folder
// whose lock cannot be made, which the window names once while the program
// goes on.
#include "app/data_location.h"
#include "base/folder_lock.h"
#include "core/setpoint_file.h"
#include "core/write_prm.h"
#include "sim/simulated_sensor.h"
#include "tests/base/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qvr {
namespace {

namespace fs = std::filesystem;

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// An installed layout: the program in bin/, its shipped defaults in share/qvr-monitor/.
class InstalledProgram : public ::testing::Test {
protected:
    test::TempDir dir{"qvr-installed "};
    QString root = QString::fromStdString(dir.Dir());
    QString program = root + "bin/qvr-monitor";
    QString shipped = root + "share/qvr-monitor/";

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(root + "bin"));
        ASSERT_TRUE(QDir().mkpath(shipped));
        ASSERT_TRUE(QFile::copy(QVR_MONITOR_EXE, program));
    }

    void Start(QProcess& run, const QStringList& args, int demoSeconds) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QVR_DEMO_SECONDS", QString::number(demoSeconds));
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(root);
        run.start(program, args + QStringList{"--demo", root + "shots"});
        ASSERT_TRUE(run.waitForStarted(30000));
    }
};

// The first start in a new folder named with --data gets the shipped
// defaults, records there, and leaves the program's folder alone; a default
// the operator has changed is never replaced.
TEST_F(InstalledProgram, DataFolderGetsTheDefaultsOnceAndTheRecords) {
    sim::SimulatedSensorOptions options;
    options.linkPath = dir.File("sensor");
    sim::SimulatedSensor sensor(options);
    sensor.Start();
    const QByteArray prm = "[Prm]\r\nHeaterWatt=0.200000002980232\r\n";
    Write(shipped + "DefaultPrm.qvr", prm);
    Write(shipped + "Port0.ini",
          "[ComPortM]\r\nPort=" + QByteArray::fromStdString(options.linkPath) + "\r\n");
    Write(shipped + "BaseSetpoint.ini", "[Record]\r\nSecRec=1\r\n");
    const QString data = root + "my data/wind/";

    QProcess run;
    Start(run, {"--data", data}, 600);
    const bool recorded = QTest::qWaitFor(
        [&] {
            return !QDir(data + "Record").entryList({"RT_*.csv"}, QDir::Files).isEmpty() &&
                   Bytes(data + "Record/" + QDir(data + "Record").entryList({"RT_*.csv"})[0])
                       .contains("\r\n");
        },
        60000);
    run.kill();
    run.waitForFinished(30000);
    sensor.Stop();
    ASSERT_TRUE(recorded) << run.readAllStandardError().toStdString();
    EXPECT_EQ(Bytes(data + "DefaultPrm.qvr"), prm);
    EXPECT_TRUE(QFile::exists(data + FolderLock::kFileName));
    EXPECT_EQ(QDir(root + "bin").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"qvr-monitor"});

    // The operator's own settings stay on the next start.
    Write(data + "DefaultPrm.qvr", "[Prm]\r\nHeaterWatt=0.5\r\n");
    QFile::remove(data + "Port0.ini");
    QProcess again;
    Start(again, {"--data", data}, 1);
    ASSERT_TRUE(again.waitForFinished(60000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_EQ(Bytes(data + "DefaultPrm.qvr"), "[Prm]\r\nHeaterWatt=0.5\r\n");
    EXPECT_TRUE(QFile::exists(data + "Port0.ini")) << "a missing default comes back";
}

// A lock that cannot be made (its path is a folder; a folder nobody may write
// to, not even root) does not end the start: the program runs its demo to the
// end, and a message in front of the main window says so, once.
TEST_F(InstalledProgram, ALockThatCannotBeMadeIsShownOnceAndTheProgramGoesOn) {
    const QString lockIsFolder = root + "data/";
    ASSERT_TRUE(QDir().mkpath(lockIsFolder + FolderLock::kFileName));
    for (const QString& data : {lockIsFolder, QStringLiteral("/proc/self/")}) {
        SCOPED_TRACE(data.toStdString());
        QDir(root + "shots").removeRecursively();
        QProcess run;
        Start(run, {"--data", data}, 2);
        ASSERT_TRUE(run.waitForFinished(60000));
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        const QString err = QString::fromUtf8(run.readAllStandardError());
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.exitCode(), 0) << err.toStdString();
        EXPECT_TRUE(out.contains("demo: pressing start")) << out.toStdString();
        EXPECT_TRUE(QFile::exists(root + "shots/main-window.png"));
        EXPECT_EQ(out.count("demo: message FolderLockNotice: "), 1) << out.toStdString();
        EXPECT_TRUE(QFile::exists(root + "shots/message-1.png"));
        EXPECT_TRUE(err.contains("starting without the folder lock")) << err.toStdString();
    }
}

// A folder named with --data that cannot be made ends the start with a clear
// message rather than a program that cannot keep anything.
TEST_F(InstalledProgram, ADataFolderThatCannotBeMadeEndsTheStartWithAMessage) {
    Write(root + "plain-file", "x");
    QProcess run;
    Start(run, {"--data", root + "plain-file/data"}, 1);
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 1);
    const QString err = QString::fromUtf8(run.readAllStandardError());
    EXPECT_TRUE(err.contains("データフォルダを作れません")) << err.toStdString();
    EXPECT_TRUE(err.contains(root + "plain-file/data")) << err.toStdString();
}

// The program prints its version without a display and without touching any folder.
TEST_F(InstalledProgram, VersionNeedsNoDisplay) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    run.setProcessEnvironment(env);
    run.start(program, {"--version"});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(run.readAllStandardOutput().startsWith("qvr-monitor 0.")) << "";
    EXPECT_EQ(QDir(root + "bin").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"qvr-monitor"});
}

// The parameter file a calibration starts from, as the package ships it, holds
// the built-in defaults, byte for byte as the program writes them.
TEST(ShippedDefaults, DefaultParameterFileHoldsTheBuiltInDefaults) {
    test::TempDir temp;
    TWritePrm prm;
    ResetPrm(prm);
    SaveSetpointFile(prm, temp.File("DefaultPrm.qvr"));
    EXPECT_EQ(Bytes(QString::fromStdString(temp.File("DefaultPrm.qvr"))),
              Bytes(QVR_SOURCE_DIR "/packaging/defaults/DefaultPrm.qvr"));
    const QByteArray port = Bytes(QVR_SOURCE_DIR "/packaging/defaults/Port0.ini");
    EXPECT_TRUE(port.startsWith("[ComPortM]\r\nPort=/dev/ttyUSB0\r\n")) << port.toStdString();
}

// The desktop program and the logger share one per-user folder.
TEST(PerUserFolder, IsTheFolderTheLoggerUses) {
    const QString app = QCoreApplication::applicationName();
    const QString org = QCoreApplication::organizationName();
    QCoreApplication::setApplicationName("qvr-monitor");
    QCoreApplication::setOrganizationName(QString());
    const QString folder = PerUserFolder();
    QCoreApplication::setApplicationName(app);
    QCoreApplication::setOrganizationName(org);
    EXPECT_EQ(folder.toStdString(), PerUserDataFolder());
    EXPECT_TRUE(folder.endsWith("/qvr-monitor/")) << folder.toStdString();
}

} // namespace
} // namespace qvr
