#include "link/sensor_link.h"

#include "link/frame_codec.h"

#include <system_error>

namespace qvr {

namespace {

// Inside a handler: the system's words for the failure being handled, then
// the port's own message.
std::string FailureText(int& systemCode) {
    systemCode = 0;
    try {
        throw;
    } catch (const EComPort& e) {
        if (e.WinCode() <= 0) return e.what();
        systemCode = e.WinCode();
        return std::system_category().message(e.WinCode()) + "\n" + e.what();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "?";
    }
}

} // namespace

SensorLink::SensorLink(std::string& portName, std::string dataDir, TComHandOver* handOver)
    : portName_(portName), dataDir_(std::move(dataDir)) {
    ComPortM = std::make_unique<TComPort>("ComPortM", handOver);
    TComPort& port = *ComPortM;
    port.SetPort("COM7");
    port.SetBaudRate(br38400);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.SetDiscardNull(true);
    port.SetEvents(AllComEvents);
    port.Buffer().SetInputSize(2048);
    TComFlowControl& flow = port.FlowControl();
    flow.SetOutCTSFlow(false);
    flow.SetOutDSRFlow(false);
    flow.SetControlDTR(dtrDisable);
    flow.SetControlRTS(rtsDisable);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    port.SetStoredProps(TStoredProps{spBasic});
    port.SetTriggersOnRxChar(true);
    // A frame ends with its line end: a burst that brings it is handed over
    // at once instead of waiting for the line to fall quiet.
    port.SetEventChar('\n');
    port.OnRxChar = [this](TCustomComPort*, int count) { ComPortMRxChar(count); };
}

SensorLink::~SensorLink() {
    try {
        ComPortM->Close();
    } catch (...) {
    }
}

std::string SensorLink::PortSettingsFile() const {
    return dataDir_ + "Port" + std::to_string(Tag) + ".ini";
}

bool SensorLink::PortConnected() const {
    return ComPortM->Connected();
}

bool SensorLink::OpenPort() {
    try {
        ComPortM->Open();
        // The lamps let pending events run inside Open: a stop may have closed
        // the port again already, and a closed port must not count as open.
        if (!ComPortM->Connected()) return false;
        LinkOpen = true;
        portName_ = ComPortM->Port();
        PortFailure.clear();
        PortFailureCode = 0;
        Reconnect.Stop();
    } catch (...) {
        PortFailure = FailureText(PortFailureCode);
        return false;
    }
    if (OnPortOpened) OnPortOpened();
    return true;
}

bool SensorLink::ClosePort() {
    Reconnect.Stop();
    // An answer whose bytes are in but still settling on the event thread
    // would go with the port's queue: hand it over first. Not from inside
    // the receive handler, which must never run nested in itself.
    if (!receiving_ && ComPortM->Connected()) {
        try {
            if (const int waiting = ComPortM->InputCount(); waiting > 0) ComPortMRxChar(waiting);
        } catch (...) {
            // A dead line has nothing to hand over.
        }
    }
    if (OnPortClosing) OnPortClosing();
    LinkOpen = false;
    try {
        ComPortM->Close();
        return true;
    } catch (...) {
        return false;
    }
}

void SensorLink::SendFrame(const std::string& payload) {
    const auto frameText = frame::BuildFrame(payload);
    if (!frameText || !LinkOpen) return;
    try {
        ComPortM->WriteStr(*frameText);
    } catch (...) {
        PortFailure = FailureText(PortFailureCode);
        ClosePort();
        Reconnect.LineFailed();
        if (OnLineFailed) OnLineFailed();
    }
    if (OnSendLog) OnSendLog(frameText->substr(0, frameText->size() - 2));
}

void SensorLink::ComPortMRxChar(int count) {
    const ReceivingScope scope(receiving_);
    std::string chars;
    try {
        ComPortM->ReadStr(chars, count);
    } catch (...) {
        return;
    }
    FeedReceived(chars);
}

void SensorLink::FeedReceived(const std::string& chars) {
    const ReceivingScope scope(receiving_);
    try {
        for (char c : chars)
            receiver_.Feed(c, [this] { CheckFrame(); });
    } catch (...) {
        // A failing check or listener ends this batch; the rest is not fed.
    }
}

void SensorLink::CheckFrame() {
    std::string& buffer = receiver_.RxBuffer;
    if (frame::VerifyFrame(buffer)) {
        if (OnReceiveLog) OnReceiveLog(buffer);
        if (OnFrame) OnFrame(buffer);
    } else if (OnReceiveLog) {
        OnReceiveLog("SumCheck Error! : " + buffer);
    }
}

void SensorLink::LoadPortSettings() {
    ComPortM->LoadSettings(stIniFile, PortSettingsFile());
}

void SensorLink::StorePortSettings() {
    ComPortM->StoreSettings(stIniFile, PortSettingsFile());
}

} // namespace qvr
