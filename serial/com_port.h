#pragma once

#include "serial/custom_com_port.h"

namespace qvr {

// The serial port the program uses; all behaviour is in TCustomComPort.
class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
};

} // namespace qvr
