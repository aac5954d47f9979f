#pragma once

#include "serial/com_hand_over.h"

namespace qvr {

// Makes the Qt event loop the owner of the ports' event delivery: a batch
// from an event thread posts a call to the application object, which runs it
// on the user-interface thread. Also gives ports their setup dialog
// (ShowSetupDialog). Safe to call more than once; the lamps call it too.
void InstallQtComSupport(TComHandOver& handOver = TComHandOver::Default());

} // namespace qvr
