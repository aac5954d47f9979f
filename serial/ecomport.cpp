#include "serial/ecomport.h"

#include <array>
#include <string>

namespace qvr {

namespace {

constexpr std::array<const char*, 24> kMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
    "Port Not Open"};

std::string Compose(int code, int winCode) {
    std::string text = EComPort::CodeText(code);
    if (winCode > 0) text += " (Error: " + std::to_string(winCode) + ")";
    return text;
}

} // namespace

const char* EComPort::CodeText(int code) {
    if (code < 1 || code > static_cast<int>(kMessages.size())) return "";
    return kMessages[static_cast<std::size_t>(code - 1)];
}

EComPort::EComPort(int code, int winCode)
    : std::runtime_error(Compose(code, code == CEPortNotOpen ? -1 : winCode)), code_(code),
      winCode_(winCode > 0 && code != CEPortNotOpen ? winCode : -1) {}

} // namespace qvr
