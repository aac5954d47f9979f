#pragma once

#include <QString>
#include <string>

namespace qvr {

// Why the port is not open, as the operator reads it: the system's words
// (`failure`) and, when the system refused access (`systemCode` EACCES), how to
// get it: on Linux a serial device belongs to the dialout group.
QString PortFailureText(const std::string& failure, int systemCode);

} // namespace qvr
