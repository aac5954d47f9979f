#include "serial/win32_com_device.h"

#include <atomic>

namespace qvr {

namespace {

int LastError() {
    return static_cast<int>(GetLastError());
}

struct TEventMap {
    TComEvent event;
    DWORD flag;
};
constexpr TEventMap kEvents[] = {
    {evRxChar, EV_RXCHAR}, {evTxEmpty, EV_TXEMPTY},  {evRxFlag, EV_RXFLAG}, {evRing, EV_RING},
    {evBreak, EV_BREAK},   {evCTS, EV_CTS},          {evDSR, EV_DSR},       {evError, EV_ERR},
    {evRLSD, EV_RLSD},     {evRx80Full, EV_RX80FULL}};

// One overlapped transfer: the block and its manual-reset event, created signalled.
struct TWin32Async : TAsyncState {
    OVERLAPPED overlapped{};
    TWin32Async() { overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr); }
    ~TWin32Async() override {
        if (overlapped.hEvent) CloseHandle(overlapped.hEvent);
    }
};

class TWin32Waiter : public TComEventWaiter {
public:
    explicit TWin32Waiter(HANDLE handle) : handle_(handle) {
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        overlapped_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    }
    ~TWin32Waiter() override {
        if (stop_) CloseHandle(stop_);
        if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
    }
    bool Valid() const { return stop_ && overlapped_.hEvent; }

    void Stop() override { SetEvent(stop_); }

    bool Wait(TComEvents& happened) override {
        happened = {};
        if (gone_) {
            WaitForSingleObject(stop_, INFINITE);
            return false;
        }
        DWORD mask = 0;
        // Not every system clears the event when the wait starts; a stale
        // signal would end the wait before it is complete.
        ResetEvent(overlapped_.hEvent);
        if (!WaitCommEvent(handle_, &mask, &overlapped_) && GetLastError() != ERROR_IO_PENDING)
            return Leave(false);
        HANDLE objects[2] = {stop_, overlapped_.hEvent};
        const DWORD r = WaitForMultipleObjects(2, objects, FALSE, INFINITE);
        if (r != WAIT_OBJECT_0 + 1) return Leave(true);
        DWORD unused = 0;
        if (GetOverlappedResult(handle_, &overlapped_, &unused, FALSE)) {
            happened = TWin32ComDevice::EventsOf(mask);
        } else if (GetLastError() != ERROR_OPERATION_ABORTED) {
            // The device has gone (an adapter pulled out): every further wait
            // would fail the same way at once. Say so once, then rest until
            // stopped.
            gone_ = true;
            happened = TComEvents{evError};
        }
        return true;
    }

private:
    // Ends a wait still pending on the device before its block goes away.
    bool Leave(bool pending) {
        SetCommMask(handle_, 0);
        PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR);
        if (pending) WaitForSingleObject(overlapped_.hEvent, 1000);
        return false;
    }

    HANDLE handle_;
    HANDLE stop_ = nullptr;
    OVERLAPPED overlapped_{};
    bool gone_ = false;
};

} // namespace

TWin32ComDevice::~TWin32ComDevice() {
    if (IsOpen()) Close();
}

int TWin32ComDevice::Open(const std::string& port) {
    if (IsOpen()) return ERROR_BUSY;
    std::wstring path = L"\\\\.\\";
    for (char c : port)
        path += static_cast<wchar_t>(static_cast<unsigned char>(c));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    handle_ = h;
    return 0;
}

int TWin32ComDevice::Close() {
    if (!CloseHandle(handle_)) return LastError();
    handle_ = INVALID_HANDLE_VALUE;
    return 0;
}

int TWin32ComDevice::SetBuffers(std::int32_t inputSize, std::int32_t outputSize) {
    return SetupComm(handle_, static_cast<DWORD>(inputSize), static_cast<DWORD>(outputSize))
               ? 0
               : LastError();
}

DCB TWin32ComDevice::MakeDCB(const TComLineSettings& s) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = static_cast<DWORD>(s.BaudRate);
    dcb.fBinary = 1;
    dcb.fParity = s.ParityCheck ? 1 : 0;
    dcb.fOutxCtsFlow = s.OutCTSFlow ? 1 : 0;
    dcb.fOutxDsrFlow = s.OutDSRFlow ? 1 : 0;
    dcb.fDtrControl = static_cast<DWORD>(s.DtrControl);
    dcb.fDsrSensitivity = s.DSRSensitivity ? 1 : 0;
    dcb.fTXContinueOnXoff = s.TxContinueOnXoff ? 1 : 0;
    dcb.fOutX = s.OutX ? 1 : 0;
    dcb.fInX = s.InX ? 1 : 0;
    dcb.fErrorChar = s.ErrorCharEnabled ? 1 : 0;
    dcb.fNull = s.DiscardNull ? 1 : 0;
    dcb.fRtsControl = static_cast<DWORD>(s.RtsControl);
    dcb.fAbortOnError = 0;
    dcb.XonLim = static_cast<WORD>(s.XonLim);
    dcb.XoffLim = static_cast<WORD>(s.XoffLim);
    dcb.ByteSize = static_cast<BYTE>(s.ByteSize);
    dcb.Parity = static_cast<BYTE>(s.Parity);
    dcb.StopBits = static_cast<BYTE>(s.StopBits);
    dcb.XonChar = s.XonChar;
    dcb.XoffChar = s.XoffChar;
    dcb.ErrorChar = s.ErrorCharEnabled ? s.ErrorChar : char(0);
    dcb.EofChar = 0;
    dcb.EvtChar = s.EventChar;
    return dcb;
}

int TWin32ComDevice::SetLine(const TComLineSettings& settings) {
    DCB dcb = MakeDCB(settings);
    return SetCommState(handle_, &dcb) ? 0 : LastError();
}

int TWin32ComDevice::SetTimeouts(const TComTimeoutSettings& t) {
    COMMTIMEOUTS c{};
    c.ReadIntervalTimeout = static_cast<DWORD>(t.ReadInterval);
    c.ReadTotalTimeoutMultiplier = static_cast<DWORD>(t.ReadTotalMultiplier);
    c.ReadTotalTimeoutConstant = static_cast<DWORD>(t.ReadTotalConstant);
    c.WriteTotalTimeoutMultiplier = static_cast<DWORD>(t.WriteTotalMultiplier);
    c.WriteTotalTimeoutConstant = static_cast<DWORD>(t.WriteTotalConstant);
    return SetCommTimeouts(handle_, &c) ? 0 : LastError();
}

int TWin32ComDevice::Purge(int actions) {
    DWORD flags = 0;
    if (actions & paAbortWrite) flags |= PURGE_TXABORT;
    if (actions & paAbortRead) flags |= PURGE_RXABORT;
    if (actions & paClearOutput) flags |= PURGE_TXCLEAR;
    if (actions & paClearInput) flags |= PURGE_RXCLEAR;
    return PurgeComm(handle_, flags) ? 0 : LastError();
}

int TWin32ComDevice::StartWrite(TAsync& async) {
    auto state = std::make_unique<TWin32Async>();
    if (!state->overlapped.hEvent) return LastError();
    if (!WriteFile(handle_, async.Data.data(), static_cast<DWORD>(async.Data.size()), nullptr,
                   &state->overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        return LastError();
    async.State = std::move(state);
    return 0;
}

int TWin32ComDevice::StartRead(TAsync& async, std::size_t count) {
    auto state = std::make_unique<TWin32Async>();
    if (!state->overlapped.hEvent) return LastError();
    async.Data.assign(count, 0);
    if (!ReadFile(handle_, async.Data.data(), static_cast<DWORD>(count), nullptr,
                  &state->overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        return LastError();
    async.State = std::move(state);
    return 0;
}

int TWin32ComDevice::Finish(TAsync& async, std::size_t& transferred) {
    transferred = 0;
    auto* state = dynamic_cast<TWin32Async*>(async.State.get());
    if (!state) return ERROR_INVALID_PARAMETER;
    WaitForSingleObject(state->overlapped.hEvent, INFINITE);
    DWORD n = 0;
    if (!GetOverlappedResult(handle_, &state->overlapped, &n, FALSE)) return LastError();
    transferred = n;
    if (async.Kind == okRead) async.Data.resize(n);
    return 0;
}

int TWin32ComDevice::ClearError(TComErrors& errors, std::uint32_t& inputCount,
                                std::uint32_t& outputCount) {
    DWORD flags = 0;
    COMSTAT stat{};
    if (!ClearCommError(handle_, &flags, &stat)) return LastError();
    errors = {};
    if (flags & CE_FRAME) errors.Include(ceFrame);
    if (flags & CE_RXPARITY) errors.Include(ceRxParity);
    if (flags & CE_OVERRUN) errors.Include(ceOverrun);
    if (flags & CE_BREAK) errors.Include(ceBreak);
    if (flags & CE_IOE) errors.Include(ceIO);
    if (flags & CE_MODE) errors.Include(ceMode);
    if (flags & CE_RXOVER) errors.Include(ceRxOver);
    if (flags & CE_TXFULL) errors.Include(ceTxFull);
    inputCount = stat.cbInQue;
    outputCount = stat.cbOutQue;
    return 0;
}

int TWin32ComDevice::ModemStatus(TComSignals& lines) {
    lines = {};
    DWORD status = 0;
    if (!GetCommModemStatus(handle_, &status)) {
        // Devices without modem lines report none.
        return GetLastError() == ERROR_NOT_SUPPORTED ? 0 : LastError();
    }
    if (status & MS_CTS_ON) lines.Include(csCTS);
    if (status & MS_DSR_ON) lines.Include(csDSR);
    if (status & MS_RING_ON) lines.Include(csRing);
    if (status & MS_RLSD_ON) lines.Include(csRLSD);
    return 0;
}

DWORD TWin32ComDevice::EventMask(TComEvents events) {
    DWORD mask = 0;
    for (const TEventMap& e : kEvents)
        if (events.Contains(e.event)) mask |= e.flag;
    return mask;
}

TComEvents TWin32ComDevice::EventsOf(DWORD mask) {
    TComEvents events;
    for (const TEventMap& e : kEvents)
        if (mask & e.flag) events.Include(e.event);
    return events;
}

std::unique_ptr<TComEventWaiter> TWin32ComDevice::CreateWaiter(TComEvents mask, int& error) {
    error = 0;
    auto waiter = std::make_unique<TWin32Waiter>(handle_);
    // A device without modem lines cannot wait for their changes; asking
    // for them would make every wait fail.
    DWORD status = 0;
    if (!GetCommModemStatus(handle_, &status) && GetLastError() == ERROR_NOT_SUPPORTED)
        mask = mask - TComEvents{evCTS, evDSR, evRLSD, evRing};
    if (!waiter->Valid() || !SetCommMask(handle_, EventMask(mask))) {
        error = LastError();
        return nullptr;
    }
    return waiter;
}

std::unique_ptr<TComDevice> CreatePlatformComDevice() {
    return std::make_unique<TWin32ComDevice>();
}

} // namespace qvr
