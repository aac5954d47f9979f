#pragma once

#include "serial/com_device.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qvr {

// Serial devices through the Win32 communications functions, with
// overlapped transfers. A port name "COM7" opens \\.\COM7.
class TWin32ComDevice : public TComDevice {
public:
    TWin32ComDevice() = default;
    ~TWin32ComDevice() override;

    int Open(const std::string& port) override;
    int Close() override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    int SetBuffers(std::int32_t inputSize, std::int32_t outputSize) override;
    int SetLine(const TComLineSettings& settings) override;
    int SetTimeouts(const TComTimeoutSettings& timeouts) override;
    int Purge(int actions) override;

    int StartWrite(TAsync& async) override;
    int StartRead(TAsync& async, std::size_t count) override;
    int Finish(TAsync& async, std::size_t& transferred) override;

    int ClearError(TComErrors& errors, std::uint32_t& inputCount,
                   std::uint32_t& outputCount) override;
    int ModemStatus(TComSignals& lines) override;

    std::unique_ptr<TComEventWaiter> CreateWaiter(TComEvents mask, int& error) override;

    // The platform's device control block for the line settings.
    static DCB MakeDCB(const TComLineSettings& settings);
    static DWORD EventMask(TComEvents events);
    static TComEvents EventsOf(DWORD mask);

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace qvr
