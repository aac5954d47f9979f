#pragma once

#include "serial/com_types.h"

#include <cstdint>

namespace qvr {

class TCustomComPort;

// The port's setting groups. Each is owned by its port; setting a field to a
// new value stores it and asks the port to re-apply the group.

class TComBuffer {
public:
    explicit TComBuffer(TCustomComPort& port) : port_(port) {}
    std::int32_t InputSize() const { return inputSize_; }
    std::int32_t OutputSize() const { return outputSize_; }
    // A positive odd size is stored one smaller.
    void SetInputSize(std::int32_t value);
    void SetOutputSize(std::int32_t value);

private:
    TCustomComPort& port_;
    std::int32_t inputSize_ = 1024;
    std::int32_t outputSize_ = 1024;
};

class TComParity {
public:
    explicit TComParity(TCustomComPort& port) : port_(port) {}
    TParityBits Bits() const { return bits_; }
    bool Check() const { return check_; }
    bool Replace() const { return replace_; }
    char ReplaceChar() const { return replaceChar_; }
    void SetBits(TParityBits value);
    void SetCheck(bool value);
    void SetReplace(bool value);
    void SetReplaceChar(char value);

private:
    TCustomComPort& port_;
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

class TComFlowControl {
public:
    explicit TComFlowControl(TCustomComPort& port) : port_(port) {}
    bool OutCTSFlow() const { return outCTSFlow_; }
    bool OutDSRFlow() const { return outDSRFlow_; }
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    bool XonXoffOut() const { return xonXoffOut_; }
    bool XonXoffIn() const { return xonXoffIn_; }
    bool DSRSensitivity() const { return dsrSensitivity_; }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    char XonChar() const { return xonChar_; }
    char XoffChar() const { return xoffChar_; }

    void SetOutCTSFlow(bool value);
    void SetOutDSRFlow(bool value);
    void SetControlDTR(TDTRFlowControl value);
    void SetControlRTS(TRTSFlowControl value);
    void SetXonXoffOut(bool value);
    void SetXonXoffIn(bool value);
    void SetDSRSensitivity(bool value);
    void SetTxContinueOnXoff(bool value);
    void SetXonChar(char value);
    void SetXoffChar(char value);

    // The fields summed up as one value; fcCustom when they match no preset.
    TFlowControl FlowControl() const;
    // fcCustom keeps the fields; the presets reset RTS, CTS and XON/XOFF first.
    void SetFlowControl(TFlowControl value);

private:
    template <class T> void Change(T& field, T value);

    TCustomComPort& port_;
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

class TComTimeouts {
public:
    explicit TComTimeouts(TCustomComPort& port) : port_(port) {}
    std::int32_t ReadInterval() const { return readInterval_; }
    std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
    std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetReadInterval(std::int32_t value);
    void SetReadTotalMultiplier(std::int32_t value);
    void SetReadTotalConstant(std::int32_t value);
    void SetWriteTotalMultiplier(std::int32_t value);
    void SetWriteTotalConstant(std::int32_t value);

private:
    void Change(std::int32_t& field, std::int32_t value);

    TCustomComPort& port_;
    std::int32_t readInterval_ = -1;
    std::int32_t readTotalMultiplier_ = 0;
    std::int32_t readTotalConstant_ = 0;
    std::int32_t writeTotalMultiplier_ = 100;
    std::int32_t writeTotalConstant_ = 1000;
};

} // namespace qvr
