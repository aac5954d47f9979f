#pragma once

#include <string>
#include <vector>

namespace qvr {

// The device names of the serial ports present, sorted as text without
// regard to letter case (COM1, COM10, COM2). Never fails: without a source
// of names the list is empty.
void EnumComPorts(std::vector<std::string>& Ports);

// The same from a tty class folder laid out as /sys/class/tty: an entry
// counts when it has a device driver and, for a serial-core port, a known
// UART type. Names are given without "/dev/".
std::vector<std::string> EnumTtyClassFolder(const std::string& classFolder);

// Sorts as text ignoring ASCII letter case.
void SortPortNames(std::vector<std::string>& names);

} // namespace qvr
