#pragma once

#include "core/shared_state.h"

#include <cstdint>
#include <string>

namespace qvr {

// SecRec from [Record] SecRec and FastMode from [Collect] FastMode of the INI
// file: any non-zero integer is on; a missing key, a missing file or a value
// that is not an integer is off. Never throws.
void LoadRecordSettings(const std::string& iniPath, TMySts& sts);

// The memory the record viewer may take for the rows it reads, in bytes: [Viewer]
// MemoryMB of the INI file, in mebibytes; 1 GiB when the key is missing, is
// not an integer or is below 16. Never throws.
std::uint64_t LoadViewerMemoryBudget(const std::string& iniPath);

// Writes both flags as "1" or "0", keeping the rest of the file. A file that
// cannot be written is left as it was; never throws.
void SaveRecordSettings(const std::string& iniPath, const TMySts& sts);

} // namespace qvr
