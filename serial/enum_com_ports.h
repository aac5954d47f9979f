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

// The adapters a device folder laid out as /dev holds: ttyUSB* and ttyACM*
// (without the folder, as EnumTtyClassFolder names them), sorted, then the
// stable serial/by-id names as whole paths, sorted. The latter stay the same
// whichever order the adapters were plugged in.
std::vector<std::string> EnumDevFolder(const std::string& devFolder);

// Sorts as text ignoring ASCII letter case.
void SortPortNames(std::vector<std::string>& names);

} // namespace qvr
