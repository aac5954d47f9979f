#pragma once

#include "serial/com_hand_over.h"

namespace qvr {

// Makes the Qt event loop the owner of the ports' event delivery: a batch
// from an event thread wakes the event loop, which runs it on the
// user-interface thread. Also gives ports their setup dialog
// (ShowSetupDialog). Call it on the user-interface thread once the
// application object exists; calling it again does nothing. The lamps call it.
void InstallQtComSupport(TComHandOver& handOver = TComHandOver::Default());

} // namespace qvr
