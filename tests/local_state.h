#pragma once

#include "core/app_context.h"
#include "tests/base/temp_dir.h"

namespace qvr::test {

// The program's shared state as local objects, with a temporary folder standing
// for the folder of the executable: what a test hands the windows instead of
// the process-wide globals.
struct LocalState {
    TempDir dir;
    TSampleRec current;
    TSampleHistory history{};
    TMySts sts;
    TWritePrm prm;

    AppContext Context(const Clock& clock) {
        return AppContext{current, history, sts, prm, clock, dir.Dir()};
    }
};

} // namespace qvr::test
