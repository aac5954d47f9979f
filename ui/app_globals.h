#pragma once

class QWidget;

namespace qvr {

class TMainForm;
class TSysSetForm;
class TMonForm;
class TWriteForm;
class TCommCtrlForm;

// The program's windows, one each for the life of the process. The program
// entry (and the main window, for the link window) sets them; tests that build
// their own windows leave them alone.
extern TMainForm* MainForm;
extern TSysSetForm* SysSetForm;
extern TMonForm* MonForm;
extern TWriteForm* WriteForm;
extern TCommCtrlForm* CommCtrlForm;

// The main window as a plain window ("MainForm"), for windows that place
// themselves over it without knowing its class; null when there is none.
QWidget* MainFormWindow();

} // namespace qvr
