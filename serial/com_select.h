#pragma once

#include "serial/com_types.h"

#include <string>
#include <vector>

namespace qvr {

class TCustomComPort;

enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// The logic of one setup list: its entries, the bound port, and the value
// last chosen for its property, which reaches the port only on ApplySettings.
class TComSelect {
public:
    TCustomComPort* ComPort() const { return port_; }
    void SetComPort(TCustomComPort* port) { port_ = port; }
    TComProperty ComProperty() const { return property_; }
    // Fills the entries; the port list is read from the system now.
    void SetComProperty(TComProperty value);
    const std::vector<std::string>& Items() const { return items_; }
    // For tests and callers that know the ports already.
    void SetItems(std::vector<std::string> items) { items_ = std::move(items); }
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool value) { autoApply_ = value; }

    // Looks for the port's current value among the entries: its index (and
    // that value recorded as chosen), or -1 with the chosen value unchanged.
    // A port name not among the entries is added to them.
    int UpdateSettings();
    // Sets the port's property from the chosen value. An empty chosen port
    // name keeps the port's current name.
    void ApplySettings();
    // The operator picked an entry.
    void Change(const std::string& text);

    const std::string& ChosenPort() const { return chosenPort_; }
    TBaudRate ChosenBaudRate() const { return chosenBaud_; }
    TDataBits ChosenDataBits() const { return chosenDataBits_; }
    TStopBits ChosenStopBits() const { return chosenStopBits_; }
    TParityBits ChosenParity() const { return chosenParity_; }
    TFlowControl ChosenFlowControl() const { return chosenFlow_; }

private:
    std::string CurrentText() const;

    TCustomComPort* port_ = nullptr;
    TComProperty property_ = cpNone;
    std::vector<std::string> items_;
    bool autoApply_ = false;
    std::string chosenPort_;
    TBaudRate chosenBaud_ = br9600;
    TDataBits chosenDataBits_ = dbEight;
    TStopBits chosenStopBits_ = sbOneStopBit;
    TParityBits chosenParity_ = prNone;
    TFlowControl chosenFlow_ = fcNone;
};

} // namespace qvr
