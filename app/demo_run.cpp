#include "app/demo_run.h"

#include "app/app_globals.h"
#include "app/main_form.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTimer>
#include <QWidget>
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
    QTimer::singleShot(seconds_ * 1000, this, &DemoRun::Finish);
}

void DemoRun::Finish() {
    struct Shot {
        QWidget* window;
        const char* file;
    };
    const Shot shots[] = {{&mainForm_, "main-window.png"},
                          {&mainForm_.Link(), "link-window.png"},
                          {MonForm, "monitor-list.png"}};
    for (const Shot& s : shots) {
        if (!s.window) continue;
        s.window->show();
        QApplication::processEvents();
        const QString path = QDir(outputDir_).filePath(s.file);
        const bool saved = s.window->grab().save(path);
        std::printf("demo: %s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    }
    std::fflush(stdout);
    mainForm_.close();
}

} // namespace qvr
