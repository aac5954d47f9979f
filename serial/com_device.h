#pragma once

#include "serial/com_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qvr {

// The line settings of a port in the form a device backend applies them
// (the platform's device control block).
struct TComLineSettings {
    std::int32_t BaudRate = 9600; // bits per second
    int ByteSize = 8;             // 5 to 8
    TParityBits Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    bool ParityCheck = false;
    bool ErrorCharEnabled = false; // replace bytes with parity errors by ErrorChar
    char ErrorChar = 0;
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl DtrControl = dtrDisable;
    TRTSFlowControl RtsControl = rtsDisable;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    bool OutX = false;
    bool InX = false;
    char XonChar = 17;
    char XoffChar = 19;
    std::int32_t XonLim = 256;
    std::int32_t XoffLim = 256;
    bool DiscardNull = false;
    char EventChar = 0;
};

// In milliseconds; -1 stands for the all-ones value.
struct TComTimeoutSettings {
    std::int32_t ReadInterval = -1;
    std::int32_t ReadTotalMultiplier = 0;
    std::int32_t ReadTotalConstant = 0;
    std::int32_t WriteTotalMultiplier = 100;
    std::int32_t WriteTotalConstant = 1000;
};

// The backend's part of one transfer in progress.
class TAsyncState {
public:
    virtual ~TAsyncState() = default;
};

// One transfer: a write keeps its own copy of the bytes; a read receives into
// Data, which the port copies to ReadTarget when the read ends.
struct TAsync {
    TOperationKind Kind = okWrite;
    std::vector<std::uint8_t> Data;
    void* ReadTarget = nullptr;
    std::unique_ptr<TAsyncState> State;
};

enum TPurgeAction { paAbortWrite = 1, paAbortRead = 2, paClearOutput = 4, paClearInput = 8 };

// Waits for the line events of one open device on the event thread.
class TComEventWaiter {
public:
    virtual ~TComEventWaiter() = default;
    // Blocks until events happen (true, with what happened) or until Stop is
    // called or the wait itself fails (false).
    virtual bool Wait(TComEvents& happened) = 0;
    // From any thread: makes the current and every later Wait return false.
    virtual void Stop() = 0;
};

// The operating-system seam of the port. Every operation returns 0 on
// success or the platform's error number. Called on the user-interface
// thread only, except the waiter it creates.
class TComDevice {
public:
    virtual ~TComDevice() = default;

    virtual int Open(const std::string& port) = 0;
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual int SetBuffers(std::int32_t inputSize, std::int32_t outputSize) = 0;
    virtual int SetLine(const TComLineSettings& settings) = 0;
    virtual int SetTimeouts(const TComTimeoutSettings& timeouts) = 0;
    virtual int Purge(int actions) = 0;

    // Start a write of async.Data, or a read of up to count bytes into async.Data.
    virtual int StartWrite(TAsync& async) = 0;
    virtual int StartRead(TAsync& async, std::size_t count) = 0;
    // Wait for a started transfer to end; transferred is its byte count.
    virtual int Finish(TAsync& async, std::size_t& transferred) = 0;

    // Errors since the last call (cleared by the call) and the queue counts.
    virtual int ClearError(TComErrors& errors, std::uint32_t& inputCount,
                           std::uint32_t& outputCount) = 0;
    // A device without modem lines reports none rather than failing.
    virtual int ModemStatus(TComSignals& lines) = 0;

    // The received-data event has just counted the input queue, so every
    // byte now in it has been announced. A backend that fills its queue on
    // this thread uses it to announce, with a new event, only bytes that
    // arrive later.
    virtual void RxCounted() {}

    // Sets the device's event mask and returns a waiter for the event thread.
    virtual std::unique_ptr<TComEventWaiter> CreateWaiter(TComEvents mask, int& error) = 0;
};

// The device backend of the system the program runs on.
std::unique_ptr<TComDevice> CreatePlatformComDevice();

} // namespace qvr
