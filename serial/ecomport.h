#pragma once

#include <stdexcept>

namespace qvr {

// Failure codes of the serial port component, in their fixed order.
enum TComExceptions {
    CE_OpenFailed = 1,
    CE_WriteFailed,
    CE_ReadFailed,
    CE_InvalidAsync,
    CE_PurgeFailed,
    CE_AsyncCheck,
    CE_SetStateFailed,
    CE_TimeoutsFailed,
    CE_SetupComFailed,
    CE_ClearComFailed,
    CE_ModemStatFailed,
    CE_EscapeComFailed,
    CE_TransmitFailed,
    CE_ConnChangeProp,
    CE_EnumPortsFailed,
    CE_StoreFailed,
    CE_LoadFailed,
    CE_RegFailed,
    CE_LedStateFailed,
    CE_ThreadCreated,
    CE_WaitFailed,
    CE_HasLink,
    CE_RegError,
    CEPortNotOpen
};

// Every failure of the component. The message is the code's fixed text, with
// " (Error: n)" appended when the operating system gave a positive error number.
class EComPort : public std::runtime_error {
public:
    explicit EComPort(int code, int winCode = -1);

    int Code() const { return code_; }
    // The operating system's error number, or -1.
    int WinCode() const { return winCode_; }

    static const char* CodeText(int code);

private:
    int code_;
    int winCode_;
};

} // namespace qvr
