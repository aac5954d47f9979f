#include "serial/com_select.h"

#include "serial/com_text.h"
#include "serial/custom_com_port.h"
#include "serial/enum_com_ports.h"

#include <algorithm>

namespace qvr {

void TComSelect::SetComProperty(TComProperty value) {
    property_ = value;
    items_.clear();
    switch (value) {
    case cpNone:
        break;
    case cpPort:
        EnumComPorts(items_);
        break;
    case cpBaudRate:
        for (int i = brCustom; i <= br256000; ++i)
            items_.push_back(BaudRateToStr(TBaudRate(i)));
        break;
    case cpDataBits:
        for (int i = dbFive; i <= dbEight; ++i)
            items_.push_back(DataBitsToStr(TDataBits(i)));
        break;
    case cpStopBits:
        for (int i = sbOneStopBit; i <= sbTwoStopBits; ++i)
            items_.push_back(StopBitsToStr(TStopBits(i)));
        break;
    case cpParity:
        for (int i = prNone; i <= prSpace; ++i)
            items_.push_back(ParityToStr(TParityBits(i)));
        break;
    case cpFlowControl:
        for (int i = fcHardware; i <= fcCustom; ++i)
            items_.push_back(FlowControlToStr(TFlowControl(i)));
        break;
    }
}

std::string TComSelect::CurrentText() const {
    switch (property_) {
    case cpPort:
        return port_->Port();
    case cpBaudRate:
        return BaudRateToStr(port_->BaudRate());
    case cpDataBits:
        return DataBitsToStr(port_->DataBits());
    case cpStopBits:
        return StopBitsToStr(port_->StopBits());
    case cpParity:
        return ParityToStr(port_->Parity().Bits());
    case cpFlowControl:
        return FlowControlToStr(port_->FlowControl().FlowControl());
    case cpNone:
        break;
    }
    return {};
}

int TComSelect::UpdateSettings() {
    if (!port_ || property_ == cpNone) return -1;
    const std::string text = CurrentText();
    auto it = std::find(items_.begin(), items_.end(), text);
    if (it == items_.end()) {
        // A configured port the system does not list (a pseudo-terminal, an
        // adapter unplugged for now) is still the port: show it.
        if (property_ != cpPort || text.empty()) return -1;
        items_.push_back(text);
        it = items_.end() - 1;
    }
    Change(text);
    return static_cast<int>(it - items_.begin());
}

void TComSelect::Change(const std::string& text) {
    switch (property_) {
    case cpPort:
        chosenPort_ = text;
        break;
    case cpBaudRate:
        chosenBaud_ = StrToBaudRate(text);
        break;
    case cpDataBits:
        chosenDataBits_ = StrToDataBits(text);
        break;
    case cpStopBits:
        chosenStopBits_ = StrToStopBits(text);
        break;
    case cpParity:
        chosenParity_ = StrToParity(text);
        break;
    case cpFlowControl:
        chosenFlow_ = StrToFlowControl(text);
        break;
    case cpNone:
        break;
    }
    if (autoApply_) ApplySettings();
}

void TComSelect::ApplySettings() {
    if (!port_) return;
    switch (property_) {
    case cpPort:
        // A port that was not in the list and was not replaced by a pick is kept.
        if (!chosenPort_.empty()) port_->SetPort(chosenPort_);
        break;
    case cpBaudRate:
        port_->SetBaudRate(chosenBaud_);
        break;
    case cpDataBits:
        port_->SetDataBits(chosenDataBits_);
        break;
    case cpStopBits:
        port_->SetStopBits(chosenStopBits_);
        break;
    case cpParity:
        port_->Parity().SetBits(chosenParity_);
        break;
    case cpFlowControl:
        port_->FlowControl().SetFlowControl(chosenFlow_);
        break;
    case cpNone:
        break;
    }
}

} // namespace qvr
