#pragma once

#include "core/shared_state.h"

#include <string>

namespace qvr {

// SecRec from [Record] SecRec and FastMode from [Collect] FastMode of the INI
// file: any non-zero integer is on; a missing key, a missing file or a value
// that is not an integer is off. Never throws.
void LoadRecordSettings(const std::string& iniPath, TMySts& sts);

// Writes both flags as "1" or "0", keeping the rest of the file. A file that
// cannot be written is left as it was; never throws.
void SaveRecordSettings(const std::string& iniPath, const TMySts& sts);

} // namespace qvr
