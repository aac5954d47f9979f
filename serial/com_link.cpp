#include "serial/com_link.h"

namespace qvr {

void TComLink::SetSignal(TComLinkEvent event, TSignalProc proc) {
    signals_[event] = std::move(proc);
}

void TComLink::SetNotify(TComLinkEvent event, TNotifyProc proc) {
    notifies_[event] = std::move(proc);
}

void TComLink::ClearCallbacks() {
    for (auto& s : signals_)
        s = nullptr;
    for (auto& n : notifies_)
        n = nullptr;
}

} // namespace qvr
