#pragma once

#include "serial/com_types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace qvr {

class TCustomComPort;

// An observer of one port: told of connection, line, transmit and receive
// activity inside the port operation that causes it (user-interface thread).
// A port does not own its links.
class TComLink {
public:
    // leConn, leCTS, leDSR, leRLSD, leRx, leTx: the port and the new on/off state.
    using TSignalProc = std::function<void(TCustomComPort* port, bool on)>;
    // leRing, leTxEmpty, leRxFlag.
    using TNotifyProc = std::function<void(TCustomComPort* port)>;
    using TBufferProc =
        std::function<void(TCustomComPort* port, const std::uint8_t* bytes, std::size_t count)>;

    void SetSignal(TComLinkEvent event, TSignalProc proc);
    void SetNotify(TComLinkEvent event, TNotifyProc proc);
    void ClearCallbacks();

    const TSignalProc& Signal(TComLinkEvent event) const { return signals_[event]; }
    const TNotifyProc& Notify(TComLinkEvent event) const { return notifies_[event]; }

    TBufferProc OnRxBuf; // received bytes, read out of the device for this link
    TBufferProc OnTxBuf; // bytes just written
    // The port is being destroyed while this link is still registered.
    std::function<void(TCustomComPort* port)> OnPortDestroyed;

private:
    std::array<TSignalProc, 9> signals_;
    std::array<TNotifyProc, 9> notifies_;
};

} // namespace qvr
