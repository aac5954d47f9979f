#include "app/calibration_demo.h"
#include "app/command_line.h"
#include "app/data_location.h"
#include "app/demo_run.h"
#include "app/main_form.h"
#include "app/program_lock.h"
#include "app/publishing.h"
#include "base/executable_dir.h"
#include "core/app_context.h"
#include "monitor/mon_form.h"
#include "settings/sys_set_form.h"
#include "ui/app_globals.h"
#include "ui/language.h"
#include "viewer/viewer_form.h"
#include "viewer/viewer_run.h"
#include "write/write_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <cstdio>
#include <exception>
#include <memory>
#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace qvr;

namespace {

void ShowError(const QString& message) {
    QMessageBox::critical(nullptr, QStringLiteral("QVR Monitor"), message);
}

// Errors that a handler leaves unhandled are shown, and the program goes on.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowError(QString::fromUtf8(e.what()));
        } catch (...) {
            ShowError(QString());
        }
        return false;
    }
};

// A non-modal warning in front of the main window: the program goes on.
void ShowNotice(QWidget* parent, const char* name, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("QVR Monitor"), text,
                                QMessageBox::Ok, parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Large blocks (the rows of a day the viewer read) go back to the system
    // when freed: otherwise freeing one raises the threshold, and a month's
    // parts stay in the heap beside the month they were joined into.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // Before the application object, which needs a display: the version needs none.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));
    if (ParseCommandLine(rawArguments).version) {
        std::printf("qvr-monitor %s\n", AppVersion);
        return 0;
    }
    // The per-user folder is named after the program alone, as the logger names it.
    QCoreApplication::setApplicationName(QStringLiteral("qvr-monitor"));
    QGuiApplication::setDesktopFileName(QStringLiteral("qvr-monitor"));
    GuardedApplication app(argc, argv);
    const CommandLine commandLine = ParseCommandLine(app.arguments());
    if (!commandLine.ignored.isEmpty())
        std::fprintf(stderr, "qvr-monitor: ignoring unknown arguments: %s\n",
                     qPrintable(commandLine.ignored.join(' ')));
    const QString& demoDir = commandLine.demoDir;

    // Every file of the program (settings, records, reports, logs, the lock)
    // lives in the data folder: beside the program when it may write there,
    // else the per-user folder, or the one --data names.
    const std::string programDir = ExecutableDir();
    const DataLocation data = PrepareDataFolder(commandLine.dataDir, programDir, PerUserFolder(),
                                                ShippedDefaultsFolder(programDir));
    if (!data.error.isEmpty()) {
        const QString message =
            QCoreApplication::translate("DataFolder", "データフォルダを作れません。\n") +
            data.error;
        std::fprintf(stderr, "qvr-monitor: %s\n", qPrintable(message));
        if (demoDir.isEmpty()) ShowError(message);
        return 1;
    }
    for (const QString& warning : data.warnings)
        std::fprintf(stderr, "qvr-monitor: a default file was not copied: %s\n",
                     qPrintable(warning));
    const std::string& dataDir = data.folder.path;

    // The language is chosen, and its translation put on, before any window is built.
    const LanguageChoice language = ChooseUiLanguage(
        commandLine.language, ReadLanguageSetting(dataDir), QLocale::system().uiLanguages());
    for (const QString& warning : language.warnings)
        std::fprintf(stderr, "%s\n", qPrintable(warning));
    if (!InstallUiTranslation(app, language.language))
        std::fprintf(stderr, "qvr-monitor: the English translation is missing; showing Japanese\n");
    // "--view PATH...": the record viewer alone; no port, no other window. QVR_VIEW_SHOT saves its
    // picture once the files are read, and ends.
    if (commandLine.view) {
        try {
            const auto viewer = StartViewer(commandLine.viewPaths, QString::fromStdString(dataDir),
                                            qEnvironmentVariable("QVR_VIEW_SHOT"));
            app.exec();
        } catch (const std::exception& e) {
            ShowError(QString::fromUtf8(e.what()));
        }
        return 0;
    }

    // One program per folder: a second one would share the settings and record
    // files (the viewer only reads them). The lock lives until the program ends.
    const auto folderLock = LockProgramFolder(dataDir, !demoDir.isEmpty());
    if (!folderLock) return 1;
    try {
        AppContext context{CurrentSample, SampleHistory,           MySts,
                           WritePrm,      SystemClock::Instance(), dataDir};
        auto mainForm = std::make_unique<TMainForm>(context);
        MainForm = mainForm.get();
        auto sysSetForm = std::make_unique<TSysSetForm>(context);
        SysSetForm = sysSetForm.get();
        auto monForm = std::make_unique<TMonForm>(context);
        MonForm = monForm.get();
        // What the recorder records also goes to the broker, when one is set.
        auto publishing = StartPublishing(
            context.dataDir + "BaseSetpoint.ini", context.dataDir + "mqtt-queue", WritePrm.SerialNo,
            MySts, monForm->RecorderLogic(),
            [](const std::string& line) { std::fprintf(stderr, "qvr-monitor: %s\n", line.c_str()); });
        auto writeForm = std::make_unique<TWriteForm>(context);
        WriteForm = writeForm.get();
        mainForm->show();
        if (const QString notice = FolderLockNotice(*folderLock); !notice.isEmpty())
            ShowNotice(mainForm.get(), "FolderLockNotice", notice);
        std::unique_ptr<DemoRun> demo;
        std::unique_ptr<CalibrationDemo> calibrationDemo;
        if (!demoDir.isEmpty()) {
            // QVR_DEMO_SECONDS lengthens the demo for measurements from outside.
            const int seconds = qEnvironmentVariableIntValue("QVR_DEMO_SECONDS");
            // QVR_DEMO_CALIBRATION runs the calibration instead (scripts/calibration-demo.sh).
            if (qEnvironmentVariableIsSet("QVR_DEMO_CALIBRATION")) {
                calibrationDemo = std::make_unique<CalibrationDemo>(
                    *mainForm, *sysSetForm, *writeForm, demoDir, seconds > 0 ? seconds : 300);
                calibrationDemo->Start();
            } else {
                demo = std::make_unique<DemoRun>(*mainForm, demoDir, seconds > 0 ? seconds : 30);
                demo->Start();
            }
        }
        app.exec();
        calibrationDemo.reset();
        demo.reset();
        // Windows go in reverse order of creation; the main window last, as it owns the link.
        WriteForm = nullptr;
        writeForm.reset();
        publishing.reset();
        MonForm = nullptr;
        monForm.reset();
        SysSetForm = nullptr;
        sysSetForm.reset();
        MainForm = nullptr;
        mainForm.reset();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QString());
    }
    return 0;
}
