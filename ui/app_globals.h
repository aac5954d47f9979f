#pragma once

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

} // namespace qvr
