#pragma once

#include "serial/com_device.h"
#include "serial/com_link.h"
#include "serial/com_setting_groups.h"
#include "serial/com_types.h"
#include "serial/ecomport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qvr {

class TComHandOver;
class TComThread;

// The serial port: line settings, open and close, reading and writing, and an
// event thread that hands line events to the owner (user-interface) thread,
// where they become the events below. Every call, every event handler and
// every link callback runs on the owner thread. Failures raise EComPort.
//
// Texts on the line are std::string holding one byte per character.
class TCustomComPort {
public:
    using TNotifyEvent = std::function<void(TCustomComPort* Sender)>;
    using TRxCharEvent = std::function<void(TCustomComPort* Sender, int Count)>;
    using TRxBufEvent =
        std::function<void(TCustomComPort* Sender, const std::uint8_t* Buffer, int Count)>;
    using TComSignalEvent = std::function<void(TCustomComPort* Sender, bool OnOff)>;
    using TComErrorEvent = std::function<void(TCustomComPort* Sender, TComErrors Errors)>;
    using TComExceptionEvent =
        std::function<void(TCustomComPort* Sender, const std::exception& Failure)>;
    using TSetupDialogProc = std::function<void(TCustomComPort& port)>;

    // handOver: where the event thread delivers events (TComHandOver::Default()
    // when null). device: the operating-system backend (the platform's when null).
    explicit TCustomComPort(std::string name = "ComPort1", TComHandOver* handOver = nullptr,
                            std::unique_ptr<TComDevice> device = nullptr);
    virtual ~TCustomComPort();
    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    // The component's name; the settings file section is named after it.
    const std::string& Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }

    // --- settings (a changed value is applied at once while open) ---
    const std::string& Port() const { return port_; }
    // A new name on an open port closes and reopens it at once.
    void SetPort(const std::string& value);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    std::int32_t CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(std::int32_t value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char value);
    // The events the device reports; takes effect at the next Open.
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents value) { events_ = value; }
    TComBuffer& Buffer() { return buffer_; }
    TComParity& Parity() { return parity_; }
    TComFlowControl& FlowControl() { return flowControl_; }
    TComTimeouts& Timeouts() { return timeouts_; }
    const TComBuffer& Buffer() const { return buffer_; }
    const TComParity& Parity() const { return parity_; }
    const TComFlowControl& FlowControl() const { return flowControl_; }
    const TComTimeouts& Timeouts() const { return timeouts_; }
    TStoredProps StoredProps() const { return storedProps_; }
    void SetStoredProps(TStoredProps value) { storedProps_ = value; }
    // True: received data stays in the device for the OnRxChar handler.
    bool TriggersOnRxChar() const { return triggersOnRxChar_; }
    void SetTriggersOnRxChar(bool value);
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value);
    TThreadPriority EventThreadPriority() const { return eventThreadPriority_; }
    void SetEventThreadPriority(TThreadPriority value);

    bool Connected() const { return connected_; }
    void SetConnected(bool value);

    // Line settings changed between these are applied together at the end.
    void BeginUpdate();
    void EndUpdate();

    // --- operations ---
    void Open();
    void Close();
    // Sends the text one byte per character and returns the bytes written,
    // once the device took them all or the write timeout ran out.
    int WriteStr(const std::string& Str);
    // Each UTF-16 code unit goes out as its low 8 bits.
    int WriteStr(std::u16string_view Str);
    // Reads what has arrived, at most Count bytes, without waiting.
    int ReadStr(std::string& Str, int Count);

    int Write(const void* Buffer, int Count);
    int Read(void* Buffer, int Count);
    // Start a transfer kept in Async; WaitForAsync ends it.
    int WriteAsync(const void* Buffer, int Count, TAsync* Async);
    int ReadAsync(void* Buffer, int Count, TAsync* Async);
    int WaitForAsync(TAsync* Async);
    void AbortAllAsync();

    int InputCount();
    int OutputCount();
    TComSignals Signals();
    TComErrors LastErrors();

    // Links are not owned; registering one twice or removing an absent one
    // raises code 18.
    void RegisterLink(TComLink* Link);
    void UnRegisterLink(TComLink* Link);

    // The setup dialog, provided by the user-interface layer (SetSetupDialog).
    void ShowSetupDialog();
    static void SetSetupDialog(TSetupDialogProc proc);

    // The settings file (INI); failures raise code 16 or 17.
    void StoreSettings(TStoreType StoreType, const std::string& StoreTo);
    void LoadSettings(TStoreType StoreType, const std::string& LoadFrom);

    // Applying the setting groups; each does nothing unless open and not in an update.
    virtual void SetupComPort();
    virtual void ApplyDCB();
    virtual void ApplyTimeouts();
    virtual void ApplyBuffer();

    // The device control block the line settings give.
    TComLineSettings LineSettings() const;

    // --- events (owner thread) ---
    TNotifyEvent OnBeforeOpen, OnAfterOpen, OnBeforeClose, OnAfterClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;
    TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
    TComErrorEvent OnError;
    // A handler failure that escaped during event delivery, where it cannot
    // reach a caller; without this handler it is dropped.
    TComExceptionEvent OnException;

protected:
    virtual void CreateHandle();
    virtual void DestroyHandle();

    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int Count);
    virtual void DoRxBuf(const std::uint8_t* Buffer, int Count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoRxFlag();
    virtual void DoCTSChange(bool OnOff);
    virtual void DoDSRChange(bool OnOff);
    virtual void DoError(TComErrors Errors);
    virtual void DoRLSDChange(bool OnOff);
    virtual void DoRx80Full();

    void SendSignalToLink(TComLinkEvent Signal, bool OnOff);
    void NotifyLink(TComLinkEvent Event);
    void TxNotifyLink(const std::uint8_t* Buffer, std::size_t Count);

private:
    friend class TComThread;

    void CallAfterOpen();
    void CallBeforeClose();
    void CallAfterClose();
    void CallError();
    void CallRxChar();
    void CallTxEmpty();
    void CallBreak();
    void CallRing();
    void CallCTSChange();
    void CallDSRChange();
    void CallRLSDChange();
    void CallRxFlag();
    void CallRx80Full();
    // Runs one batch from the event thread, on the owner thread.
    void DoEvents(TComEvents events);
    void StopEventThread();
    void ReapStoppedThreads();
    bool CanApply() const { return connected_ && updateCount_ == 0; }
    void RecomputeRxLinks();

    std::string name_;
    TComHandOver& handOver_;
    std::unique_ptr<TComDevice> device_;

    std::string port_ = "COM1";
    TBaudRate baudRate_ = br9600;
    std::int32_t customBaudRate_ = 9600;
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TComEvents events_ = AllComEvents;
    TComBuffer buffer_{*this};
    TComParity parity_{*this};
    TComFlowControl flowControl_{*this};
    TComTimeouts timeouts_{*this};
    TStoredProps storedProps_{spBasic};
    bool triggersOnRxChar_ = true;
    TSyncMethod syncMethod_ = smThreadSync;
    TThreadPriority eventThreadPriority_ = tpNormal;

    bool connected_ = false;
    bool closing_ = false;
    int updateCount_ = 0;
    std::unique_ptr<TComThread> eventThread_;
    // Threads told to stop from inside their own event delivery; they end
    // as soon as that delivery returns and are joined later.
    std::vector<std::unique_ptr<TComThread>> stoppedThreads_;
    int deliveryDepth_ = 0;
    std::vector<TComLink*> links_;
    bool hasRxLink_ = false;
};

} // namespace qvr
