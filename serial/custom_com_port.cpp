#include "serial/custom_com_port.h"

#include "serial/com_hand_over.h"
#include "serial/com_text.h"
#include "serial/com_thread.h"

#include <algorithm>
#include <cstring>

namespace qvr {

namespace {

TCustomComPort::TSetupDialogProc& SetupDialogProc() {
    static TCustomComPort::TSetupDialogProc proc;
    return proc;
}

template <class T> bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

TCustomComPort::TCustomComPort(std::string name, TComHandOver* handOver,
                               std::unique_ptr<TComDevice> device)
    : name_(std::move(name)), handOver_(handOver ? *handOver : TComHandOver::Default()),
      device_(device ? std::move(device) : CreatePlatformComDevice()) {}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        // Closing on destruction must not throw; the device is released below.
    }
    if (eventThread_) StopEventThread();
    ReapStoppedThreads();
    if (device_->IsOpen()) device_->Close();
    const std::vector<TComLink*> links = links_;
    links_.clear();
    for (TComLink* link : links)
        if (link->OnPortDestroyed) link->OnPortDestroyed(this);
}

// --- setters ---

void TCustomComPort::SetPort(const std::string& value) {
    if (!Store(port_, value)) return;
    if (connected_) {
        Close();
        Open();
    }
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
    if (Store(baudRate_, value)) ApplyDCB();
}
void TCustomComPort::SetCustomBaudRate(std::int32_t value) {
    if (Store(customBaudRate_, value)) ApplyDCB();
}
void TCustomComPort::SetStopBits(TStopBits value) {
    if (Store(stopBits_, value)) ApplyDCB();
}
void TCustomComPort::SetDataBits(TDataBits value) {
    if (Store(dataBits_, value)) ApplyDCB();
}
void TCustomComPort::SetDiscardNull(bool value) {
    if (Store(discardNull_, value)) ApplyDCB();
}
void TCustomComPort::SetEventChar(char value) {
    if (Store(eventChar_, value)) ApplyDCB();
}

void TCustomComPort::SetTriggersOnRxChar(bool value) {
    if (value == triggersOnRxChar_) return;
    if (hasRxLink_) throw EComPort(CE_HasLink);
    triggersOnRxChar_ = value;
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == syncMethod_) return;
    if (connected_) throw EComPort(CE_ConnChangeProp);
    syncMethod_ = value;
}

void TCustomComPort::SetEventThreadPriority(TThreadPriority value) {
    if (value == eventThreadPriority_) return;
    if (connected_) throw EComPort(CE_ConnChangeProp);
    eventThreadPriority_ = value;
}

void TCustomComPort::SetConnected(bool value) {
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::BeginUpdate() {
    ++updateCount_;
}

void TCustomComPort::EndUpdate() {
    if (updateCount_ < 1) return;
    if (--updateCount_ == 0) SetupComPort();
}

// --- applying the settings ---

TComLineSettings TCustomComPort::LineSettings() const {
    TComLineSettings s;
    s.BaudRate = baudRate_ == brCustom ? customBaudRate_ : BaudRateValue(baudRate_);
    s.ByteSize = 5 + static_cast<int>(dataBits_);
    s.Parity = parity_.Bits();
    s.StopBits = stopBits_;
    s.ParityCheck = parity_.Check();
    s.ErrorCharEnabled = parity_.Check() && parity_.Replace();
    s.ErrorChar = s.ErrorCharEnabled ? parity_.ReplaceChar() : char(0);
    s.OutCTSFlow = flowControl_.OutCTSFlow();
    s.OutDSRFlow = flowControl_.OutDSRFlow();
    s.DtrControl = flowControl_.ControlDTR();
    s.RtsControl = flowControl_.ControlRTS();
    s.DSRSensitivity = flowControl_.DSRSensitivity();
    s.TxContinueOnXoff = flowControl_.TxContinueOnXoff();
    s.OutX = flowControl_.XonXoffOut();
    s.InX = flowControl_.XonXoffIn();
    s.XonChar = flowControl_.XonChar();
    s.XoffChar = flowControl_.XoffChar();
    s.XonLim = buffer_.InputSize() / 4;
    s.XoffLim = buffer_.InputSize() / 4;
    s.DiscardNull = discardNull_;
    s.EventChar = eventChar_;
    return s;
}

void TCustomComPort::SetupComPort() {
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::ApplyDCB() {
    if (!CanApply()) return;
    if (int error = device_->SetLine(LineSettings())) throw EComPort(CE_SetStateFailed, error);
}

void TCustomComPort::ApplyTimeouts() {
    if (!CanApply()) return;
    TComTimeoutSettings t;
    t.ReadInterval = timeouts_.ReadInterval();
    t.ReadTotalMultiplier = timeouts_.ReadTotalMultiplier();
    t.ReadTotalConstant = timeouts_.ReadTotalConstant();
    t.WriteTotalMultiplier = timeouts_.WriteTotalMultiplier();
    t.WriteTotalConstant = timeouts_.WriteTotalConstant();
    if (int error = device_->SetTimeouts(t)) throw EComPort(CE_TimeoutsFailed, error);
}

void TCustomComPort::ApplyBuffer() {
    if (!CanApply()) return;
    if (int error = device_->SetBuffers(buffer_.InputSize(), buffer_.OutputSize()))
        throw EComPort(CE_SetupComFailed, error);
}

// --- open and close ---

void TCustomComPort::CreateHandle() {
    if (int error = device_->Open(port_)) throw EComPort(CE_OpenFailed, error);
}

void TCustomComPort::DestroyHandle() {
    if (device_->IsOpen()) device_->Close();
}

void TCustomComPort::Open() {
    if (connected_) return;
    ReapStoppedThreads();
    DoBeforeOpen();
    CreateHandle();
    connected_ = true;
    try {
        SetupComPort();
        if (!events_.Empty()) {
            int error = 0;
            auto waiter = device_->CreateWaiter(events_, error);
            if (!waiter) throw EComPort(CE_SetStateFailed, error);
            eventThread_ = std::make_unique<TComThread>(*this, std::move(waiter), handOver_,
                                                        eventThreadPriority_);
        }
    } catch (...) {
        DestroyHandle();
        connected_ = false;
        throw;
    }
    CallAfterOpen();
}

void TCustomComPort::Close() {
    if (!connected_ || closing_) return;
    closing_ = true;
    bool purgeFailed = false;
    int purgeError = 0;
    try {
        CallBeforeClose();
        try {
            AbortAllAsync();
        } catch (const EComPort& e) {
            // A device that has gone (a hang-up) cannot be purged, yet it
            // must still be closed; the failure is reported afterwards.
            purgeFailed = true;
            purgeError = e.WinCode();
        }
        if (eventThread_) StopEventThread();
        DestroyHandle();
    } catch (...) {
        if (eventThread_) StopEventThread();
        DestroyHandle();
        connected_ = false;
        closing_ = false;
        throw;
    }
    connected_ = false;
    closing_ = false;
    CallAfterClose();
    ReapStoppedThreads();
    if (purgeFailed) throw EComPort(CE_PurgeFailed, purgeError);
}

void TCustomComPort::StopEventThread() {
    std::unique_ptr<TComThread> thread = std::move(eventThread_);
    thread->Stop();
    if (deliveryDepth_ > 0) {
        // Closed from inside an event handler: the thread is waiting for that
        // very delivery to return, so it cannot be waited for here.
        stoppedThreads_.push_back(std::move(thread));
        return;
    }
    handOver_.ServeUntil([&] { return thread->Finished(); });
    thread->Join();
}

void TCustomComPort::ReapStoppedThreads() {
    if (deliveryDepth_ > 0) return;
    for (auto& thread : stoppedThreads_) {
        handOver_.ServeUntil([&] { return thread->Finished(); });
        thread->Join();
    }
    stoppedThreads_.clear();
}

void TCustomComPort::CallAfterOpen() {
    // Link callbacks may process pending messages, and a timer may close the
    // port in the middle of this.
    SendSignalToLink(leConn, true);
    if (!connected_) return;
    DoAfterOpen();
    if (!connected_) return;
    CallCTSChange();
    CallDSRChange();
    CallRLSDChange();
}

void TCustomComPort::CallBeforeClose() {
    SendSignalToLink(leCTS, false);
    SendSignalToLink(leDSR, false);
    SendSignalToLink(leRLSD, false);
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    DoBeforeClose();
}

void TCustomComPort::CallAfterClose() {
    SendSignalToLink(leConn, false);
    DoAfterClose();
}

// --- writing and reading ---

int TCustomComPort::WriteStr(const std::string& Str) {
    if (Str.empty()) return 0;
    return Write(Str.data(), static_cast<int>(Str.size()));
}

int TCustomComPort::WriteStr(std::u16string_view Str) {
    std::string bytes(Str.size(), '\0');
    for (std::size_t i = 0; i < Str.size(); ++i)
        bytes[i] = static_cast<char>(Str[i] & 0xFF);
    return WriteStr(bytes);
}

int TCustomComPort::ReadStr(std::string& Str, int Count) {
    std::string bytes(static_cast<std::size_t>(std::max(Count, 0)), '\0');
    const int got = Count > 0 ? Read(bytes.data(), Count) : 0;
    bytes.resize(static_cast<std::size_t>(got));
    Str = std::move(bytes);
    return got;
}

int TCustomComPort::Write(const void* Buffer, int Count) {
    TAsync async;
    WriteAsync(Buffer, Count, &async);
    return WaitForAsync(&async);
}

int TCustomComPort::Read(void* Buffer, int Count) {
    TAsync async;
    ReadAsync(Buffer, Count, &async);
    const int got = WaitForAsync(&async);
    if (InputCount() == 0) SendSignalToLink(leRx, false);
    return got;
}

int TCustomComPort::WriteAsync(const void* Buffer, int Count, TAsync* Async) {
    if (!Async) throw EComPort(CE_InvalidAsync);
    Async->Kind = okWrite;
    if (!connected_) throw EComPort(CEPortNotOpen);
    const auto* bytes = static_cast<const std::uint8_t*>(Buffer);
    Async->Data.assign(bytes, bytes + std::max(Count, 0));
    if (int error = device_->StartWrite(*Async)) throw EComPort(CE_WriteFailed, error);
    SendSignalToLink(leTx, true);
    return 0;
}

int TCustomComPort::ReadAsync(void* Buffer, int Count, TAsync* Async) {
    if (!Async) throw EComPort(CE_InvalidAsync);
    Async->Kind = okRead;
    Async->ReadTarget = Buffer;
    if (!connected_) throw EComPort(CEPortNotOpen);
    if (int error = device_->StartRead(*Async, static_cast<std::size_t>(std::max(Count, 0))))
        throw EComPort(CE_ReadFailed, error);
    return 0;
}

int TCustomComPort::WaitForAsync(TAsync* Async) {
    if (!Async) throw EComPort(CE_InvalidAsync);
    std::size_t transferred = 0;
    if (!Async->State) return 0; // nothing was started
    if (int error = device_->Finish(*Async, transferred))
        throw EComPort(Async->Kind == okWrite ? CE_WriteFailed : CE_ReadFailed, error);
    if (Async->Kind == okWrite)
        TxNotifyLink(Async->Data.data(), transferred);
    else if (transferred > 0 && Async->ReadTarget)
        std::memcpy(Async->ReadTarget, Async->Data.data(), transferred);
    return static_cast<int>(transferred);
}

void TCustomComPort::AbortAllAsync() {
    if (!device_->IsOpen()) return;
    if (int error = device_->Purge(paAbortWrite | paAbortRead | paClearOutput | paClearInput))
        throw EComPort(CE_PurgeFailed, error);
}

// --- line state ---

int TCustomComPort::InputCount() {
    TComErrors errors;
    std::uint32_t in = 0, out = 0;
    if (int error = device_->ClearError(errors, in, out)) throw EComPort(CE_ClearComFailed, error);
    return static_cast<int>(in);
}

int TCustomComPort::OutputCount() {
    TComErrors errors;
    std::uint32_t in = 0, out = 0;
    if (int error = device_->ClearError(errors, in, out)) throw EComPort(CE_ClearComFailed, error);
    return static_cast<int>(out);
}

TComErrors TCustomComPort::LastErrors() {
    TComErrors errors;
    std::uint32_t in = 0, out = 0;
    if (int error = device_->ClearError(errors, in, out)) throw EComPort(CE_ClearComFailed, error);
    if (!parity_.Check()) errors.Exclude(ceRxParity);
    return errors;
}

TComSignals TCustomComPort::Signals() {
    TComSignals signals;
    if (int error = device_->ModemStatus(signals)) throw EComPort(CE_ModemStatFailed, error);
    return signals;
}

// --- links ---

void TCustomComPort::RegisterLink(TComLink* Link) {
    if (!Link || std::find(links_.begin(), links_.end(), Link) != links_.end())
        throw EComPort(CE_RegFailed);
    links_.push_back(Link);
    RecomputeRxLinks();
}

void TCustomComPort::UnRegisterLink(TComLink* Link) {
    auto it = std::find(links_.begin(), links_.end(), Link);
    if (it == links_.end()) throw EComPort(CE_RegFailed);
    links_.erase(it);
    RecomputeRxLinks();
}

void TCustomComPort::RecomputeRxLinks() {
    hasRxLink_ = std::any_of(links_.begin(), links_.end(),
                             [](const TComLink* l) { return bool(l->OnRxBuf); });
}

// Callbacks may register or unregister links, so each walk uses a copy and
// skips links that left meanwhile.
void TCustomComPort::SendSignalToLink(TComLinkEvent Signal, bool OnOff) {
    const std::vector<TComLink*> links = links_;
    for (TComLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        if (const auto& proc = link->Signal(Signal)) proc(this, OnOff);
    }
}

void TCustomComPort::NotifyLink(TComLinkEvent Event) {
    const std::vector<TComLink*> links = links_;
    for (TComLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        if (const auto& proc = link->Notify(Event)) proc(this);
    }
}

void TCustomComPort::TxNotifyLink(const std::uint8_t* Buffer, std::size_t Count) {
    const std::vector<TComLink*> links = links_;
    for (TComLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
        if (link->OnTxBuf) link->OnTxBuf(this, Buffer, Count);
    }
}

// --- events ---

void TCustomComPort::DoEvents(TComEvents events) {
    // Fixed order; a handler that closed the port ends the batch.
    static constexpr TComEvent kOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                           evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
    ++deliveryDepth_;
    try {
        for (TComEvent event : kOrder) {
            if (!events.Contains(event)) continue;
            if (!connected_) break;
            switch (event) {
            case evError:
                CallError();
                break;
            case evRxChar:
                CallRxChar();
                break;
            case evTxEmpty:
                CallTxEmpty();
                break;
            case evBreak:
                CallBreak();
                break;
            case evRing:
                CallRing();
                break;
            case evCTS:
                CallCTSChange();
                break;
            case evDSR:
                CallDSRChange();
                break;
            case evRxFlag:
                CallRxFlag();
                break;
            case evRLSD:
                CallRLSDChange();
                break;
            case evRx80Full:
                CallRx80Full();
                break;
            }
        }
    } catch (const std::exception& e) {
        if (OnException) {
            try {
                OnException(this, e);
            } catch (...) {
            }
        }
    } catch (...) {
    }
    --deliveryDepth_;
}

void TCustomComPort::CallError() {
    const TComErrors errors = LastErrors();
    if (!errors.Empty()) DoError(errors);
}

void TCustomComPort::CallRxChar() {
    int count = InputCount();
    device_->RxCounted();
    if (count > 0) SendSignalToLink(leRx, true);
    if (hasRxLink_ || !triggersOnRxChar_) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
        const int got = count > 0 ? Read(buffer.data(), count) : 0;
        DoRxBuf(buffer.data(), got);
        const std::vector<TComLink*> links = links_;
        for (TComLink* link : links)
            if (link->OnRxBuf) link->OnRxBuf(this, buffer.data(), static_cast<std::size_t>(got));
        count = 0;
    }
    if (count > 0) DoRxChar(count);
}

void TCustomComPort::CallTxEmpty() {
    SendSignalToLink(leTx, false);
    NotifyLink(leTxEmpty);
    DoTxEmpty();
}

void TCustomComPort::CallBreak() {
    DoBreak();
}

void TCustomComPort::CallRing() {
    NotifyLink(leRing);
    DoRing();
}

void TCustomComPort::CallCTSChange() {
    const bool on = Signals().Contains(csCTS);
    SendSignalToLink(leCTS, on);
    DoCTSChange(on);
}

void TCustomComPort::CallDSRChange() {
    const bool on = Signals().Contains(csDSR);
    SendSignalToLink(leDSR, on);
    DoDSRChange(on);
}

void TCustomComPort::CallRLSDChange() {
    const bool on = Signals().Contains(csRLSD);
    SendSignalToLink(leRLSD, on);
    DoRLSDChange(on);
}

void TCustomComPort::CallRxFlag() {
    NotifyLink(leRxFlag);
    DoRxFlag();
}

void TCustomComPort::CallRx80Full() {
    DoRx80Full();
}

void TCustomComPort::DoAfterClose() {
    if (OnAfterClose) OnAfterClose(this);
}
void TCustomComPort::DoAfterOpen() {
    if (OnAfterOpen) OnAfterOpen(this);
}
void TCustomComPort::DoBeforeClose() {
    if (OnBeforeClose) OnBeforeClose(this);
}
void TCustomComPort::DoBeforeOpen() {
    if (OnBeforeOpen) OnBeforeOpen(this);
}
void TCustomComPort::DoRxChar(int Count) {
    if (OnRxChar) OnRxChar(this, Count);
}
void TCustomComPort::DoRxBuf(const std::uint8_t* Buffer, int Count) {
    if (OnRxBuf) OnRxBuf(this, Buffer, Count);
}
void TCustomComPort::DoTxEmpty() {
    if (OnTxEmpty) OnTxEmpty(this);
}
void TCustomComPort::DoBreak() {
    if (OnBreak) OnBreak(this);
}
void TCustomComPort::DoRing() {
    if (OnRing) OnRing(this);
}
void TCustomComPort::DoRxFlag() {
    if (OnRxFlag) OnRxFlag(this);
}
void TCustomComPort::DoCTSChange(bool OnOff) {
    if (OnCTSChange) OnCTSChange(this, OnOff);
}
void TCustomComPort::DoDSRChange(bool OnOff) {
    if (OnDSRChange) OnDSRChange(this, OnOff);
}
void TCustomComPort::DoError(TComErrors Errors) {
    if (OnError) OnError(this, Errors);
}
void TCustomComPort::DoRLSDChange(bool OnOff) {
    if (OnRLSDChange) OnRLSDChange(this, OnOff);
}
void TCustomComPort::DoRx80Full() {
    if (OnRx80Full) OnRx80Full(this);
}

// --- setup dialog ---

void TCustomComPort::SetSetupDialog(TSetupDialogProc proc) {
    SetupDialogProc() = std::move(proc);
}

void TCustomComPort::ShowSetupDialog() {
    if (SetupDialogProc()) SetupDialogProc()(*this);
}

} // namespace qvr
