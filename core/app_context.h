#pragma once

#include "base/clock.h"
#include "core/shared_state.h"

#include <string>

namespace qvr {

class Exchange;

// What the windows share: the process-wide state, the clock and the data
// folder (beside the executable when it may be written, else the per-user
// folder or the one --data names; base/data_folder.h). The program entry
// wires the globals in; tests build one on local objects and a temporary folder.
struct AppContext {
    TSampleRec& currentSample;
    TSampleHistory& sampleHistory;
    TMySts& mySts;
    TWritePrm& writePrm;
    const Clock& clock;
    std::string dataDir; // with a trailing separator
    // The request/answer exchange with the sensor. The main window owns it and
    // sets this while it exists; null before (and in tests without one).
    Exchange* exchange = nullptr;
};

} // namespace qvr
