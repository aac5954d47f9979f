#include "app/demo_run.h"

#include "app/main_form.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"
#include "settings/sys_set_form.h"
#include "ui/app_globals.h"
#include "write/write_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace qvr {

DemoRun::DemoRun(TMainForm& mainForm, QString outputDir, int seconds, QObject* parent)
    : QObject(parent), mainForm_(mainForm), outputDir_(std::move(outputDir)), seconds_(seconds) {}

void DemoRun::Start() {
    QDir().mkpath(outputDir_);
    // The link window with both logs on shows the frames going back and forth.
    TCommCtrlForm& link = mainForm_.Link();
    link.CBSendLog->setChecked(true);
    link.CBReciveLog->setChecked(true);
    QTimer::singleShot(500, this, [this] {
        std::printf("demo: pressing start\n");
        std::fflush(stdout);
        mainForm_.BBStartClick();
    });
    // Late enough for live values, early enough to see polling resume afterwards.
    QTimer::singleShot(std::max(seconds_ - 10, 3) * 1000, this, &DemoRun::WriteParameters);
    QTimer::singleShot(seconds_ * 1000, this, &DemoRun::Finish);
}

// The settings window's calibration and direct-edit tabs, then its send button and the write
// window, pictured once the write has ended.
void DemoRun::WriteParameters() {
    if (!SysSetForm || !WriteForm || !mainForm_.Link().PortConnected()) return;
    SysSetForm->show();
    SysSetForm->PCMain->setCurrentWidget(SysSetForm->TSCalibration);
    Save(SysSetForm, "settings-calibration.png");
    SysSetForm->PCMain->setCurrentWidget(SysSetForm->TSDirect);
    Save(SysSetForm, "settings-direct.png");
    QTimer::singleShot(0, WriteForm, [] {
        std::printf("demo: writing the parameter set\n");
        std::fflush(stdout);
        WriteForm->BBDo->click();
    });
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this, watch] {
        if (WriteForm->Timer1->isActive()) return; // the write runs
        const bool done = WriteForm->BBClose->isEnabled();
        watch->deleteLater();
        Save(WriteForm, "write-window.png");
        (done ? WriteForm->BBClose : WriteForm->BBCancel)->click();
    });
    watch->start(100);
    SysSetForm->BBWrite->click(); // modal until the watch closes it
    SysSetForm->hide();
}

void DemoRun::Save(QWidget* window, const char* file) {
    window->show();
    QApplication::processEvents();
    const QString path = QDir(outputDir_).filePath(file);
    const bool saved = window->grab().save(path);
    std::printf("demo: %s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    std::fflush(stdout);
}

void DemoRun::Finish() {
    struct Shot {
        QWidget* window;
        const char* file;
    };
    const Shot shots[] = {{&mainForm_, "main-window.png"},
                          {&mainForm_.Link(), "link-window.png"},
                          {MonForm, "monitor-list.png"}};
    for (const Shot& s : shots)
        if (s.window) Save(s.window, s.file);
    // Messages the program showed without waiting for an answer, as the
    // operator would find them on the screen.
    int message = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        std::printf("demo: message %s: %s\n", qPrintable(box->objectName()),
                    qPrintable(box->text().section('\n', 0, 0)));
        Save(box, QStringLiteral("message-%1.png").arg(++message).toUtf8().constData());
    }
    mainForm_.close();
}

} // namespace qvr
