#pragma once

#include "serial/com_types.h"

#include <string>
#include <string_view>

namespace qvr {

// Text forms of the line settings, as the settings file and the setup dialog
// show them. The Str* functions compare without regard to ASCII letter case,
// do not trim, and give a fixed default for a text that matches nothing.
std::string BaudRateToStr(TBaudRate value);
std::string StopBitsToStr(TStopBits value);
std::string DataBitsToStr(TDataBits value);
std::string ParityToStr(TParityBits value);
std::string FlowControlToStr(TFlowControl value);

TBaudRate StrToBaudRate(std::string_view text);       // default br9600
TStopBits StrToStopBits(std::string_view text);       // default sbOneStopBit
TDataBits StrToDataBits(std::string_view text);       // default dbEight
TParityBits StrToParity(std::string_view text);       // default prNone
TFlowControl StrToFlowControl(std::string_view text); // default fcCustom

// The bits per second of a rate; 0 for brCustom.
int BaudRateValue(TBaudRate value);

// "<Ok>" or "<ComError:Frame,Overrun>".
std::string ComErrorsToStr(TComErrors errors);

} // namespace qvr
