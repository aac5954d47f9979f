#pragma once

#include "app/shared_state.h"
#include "base/clock.h"

#include <string>

namespace qvr {

// What the windows share: the process-wide state, the clock and the folder
// beside the executable. The program entry wires the globals in; tests build
// one on local objects and a temporary folder.
struct AppContext {
    TSampleRec& currentSample;
    TSampleHistory& sampleHistory;
    TMySts& mySts;
    TWritePrm& writePrm;
    const Clock& clock;
    std::string exeDir; // with a trailing separator
};

} // namespace qvr
