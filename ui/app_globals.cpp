#include "ui/app_globals.h"

#include <QApplication>
#include <QWidget>

namespace qvr {

TMainForm* MainForm = nullptr;
TSysSetForm* SysSetForm = nullptr;
TMonForm* MonForm = nullptr;
TWriteForm* WriteForm = nullptr;
TCommCtrlForm* CommCtrlForm = nullptr;

QWidget* MainFormWindow() {
    if (!MainForm) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("MainForm")) return w;
    return nullptr;
}

} // namespace qvr
