#include "serial/com_setting_groups.h"

#include "serial/custom_com_port.h"

namespace qvr {

namespace {

std::int32_t EvenSize(std::int32_t value) {
    return value > 0 && value % 2 != 0 ? value - 1 : value;
}

template <class T> bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

void TComBuffer::SetInputSize(std::int32_t value) {
    if (Store(inputSize_, EvenSize(value))) port_.ApplyBuffer();
}

void TComBuffer::SetOutputSize(std::int32_t value) {
    if (Store(outputSize_, EvenSize(value))) port_.ApplyBuffer();
}

void TComParity::SetBits(TParityBits value) {
    if (Store(bits_, value)) port_.ApplyDCB();
}
void TComParity::SetCheck(bool value) {
    if (Store(check_, value)) port_.ApplyDCB();
}
void TComParity::SetReplace(bool value) {
    if (Store(replace_, value)) port_.ApplyDCB();
}
void TComParity::SetReplaceChar(char value) {
    if (Store(replaceChar_, value)) port_.ApplyDCB();
}

template <class T> void TComFlowControl::Change(T& field, T value) {
    if (Store(field, value)) port_.ApplyDCB();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
    Change(outCTSFlow_, value);
}
void TComFlowControl::SetOutDSRFlow(bool value) {
    Change(outDSRFlow_, value);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
    Change(controlDTR_, value);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
    Change(controlRTS_, value);
}
void TComFlowControl::SetXonXoffOut(bool value) {
    Change(xonXoffOut_, value);
}
void TComFlowControl::SetXonXoffIn(bool value) {
    Change(xonXoffIn_, value);
}
void TComFlowControl::SetDSRSensitivity(bool value) {
    Change(dsrSensitivity_, value);
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
    Change(txContinueOnXoff_, value);
}
void TComFlowControl::SetXonChar(char value) {
    Change(xonChar_, value);
}
void TComFlowControl::SetXoffChar(char value) {
    Change(xoffChar_, value);
}

TFlowControl TComFlowControl::FlowControl() const {
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
        if (value == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (value == fcSoftware) {
            xonXoffIn_ = true;
            xonXoffOut_ = true;
        }
    }
    port_.ApplyDCB();
}

void TComTimeouts::Change(std::int32_t& field, std::int32_t value) {
    if (Store(field, value)) port_.ApplyTimeouts();
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
    Change(readInterval_, value);
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
    Change(readTotalMultiplier_, value);
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
    Change(readTotalConstant_, value);
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
    Change(writeTotalMultiplier_, value);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
    Change(writeTotalConstant_, value);
}

} // namespace qvr
