#include "serial/com_text.h"

#include <array>

namespace qvr {

namespace {

constexpr std::array<const char*, 16> kBaudTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<int, 16> kBaudValues = {0,     110,    300,    600,   1200,  2400,
                                             4800,  9600,   14400,  19200, 38400, 56000,
                                             57600, 115200, 128000, 256000};
constexpr std::array<const char*, 3> kStopTexts = {"1", "1.5", "2"};
constexpr std::array<const char*, 4> kDataTexts = {"5", "6", "7", "8"};
constexpr std::array<const char*, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 4> kFlowTexts = {"Hardware", "Software", "None", "Custom"};
constexpr std::array<const char*, 8> kErrorTexts = {"Frame", "Parity", "Overrun", "Break",
                                                    "IO",    "Mode",   "RxOver",  "TxFull"};

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

template <class E, std::size_t N>
E Find(const std::array<const char*, N>& texts, std::string_view text, E fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (SameText(texts[i], text)) return static_cast<E>(i);
    return fallback;
}

template <std::size_t N> std::string At(const std::array<const char*, N>& texts, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return {};
    return texts[static_cast<std::size_t>(index)];
}

} // namespace

std::string BaudRateToStr(TBaudRate value) {
    return At(kBaudTexts, value);
}
std::string StopBitsToStr(TStopBits value) {
    return At(kStopTexts, value);
}
std::string DataBitsToStr(TDataBits value) {
    return At(kDataTexts, value);
}
std::string ParityToStr(TParityBits value) {
    return At(kParityTexts, value);
}
std::string FlowControlToStr(TFlowControl value) {
    return At(kFlowTexts, value);
}

TBaudRate StrToBaudRate(std::string_view text) {
    return Find(kBaudTexts, text, br9600);
}
TStopBits StrToStopBits(std::string_view text) {
    return Find(kStopTexts, text, sbOneStopBit);
}
TDataBits StrToDataBits(std::string_view text) {
    return Find(kDataTexts, text, dbEight);
}
TParityBits StrToParity(std::string_view text) {
    return Find(kParityTexts, text, prNone);
}
TFlowControl StrToFlowControl(std::string_view text) {
    return Find(kFlowTexts, text, fcCustom);
}

int BaudRateValue(TBaudRate value) {
    if (value < 0 || static_cast<std::size_t>(value) >= kBaudValues.size()) return 0;
    return kBaudValues[static_cast<std::size_t>(value)];
}

std::string ComErrorsToStr(TComErrors errors) {
    if (errors.Empty()) return "<Ok>";
    std::string text = "<ComError:";
    bool first = true;
    for (std::size_t i = 0; i < kErrorTexts.size(); ++i) {
        if (!errors.Contains(static_cast<TComError>(i))) continue;
        if (!first) text += ',';
        text += kErrorTexts[i];
        first = false;
    }
    return text + ">";
}

} // namespace qvr
