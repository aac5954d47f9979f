#include "ui/app_globals.h"

namespace qvr {

TMainForm* MainForm = nullptr;
TSysSetForm* SysSetForm = nullptr;
TMonForm* MonForm = nullptr;
TWriteForm* WriteForm = nullptr;
TCommCtrlForm* CommCtrlForm = nullptr;

} // namespace qvr
