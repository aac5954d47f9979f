#pragma once

#include "core/write_prm.h"

#include <string>

namespace qvr {

// Parameter files: INI layout with the sections "Early", "Exp16" and "System".
// The serial number is never read or written.

// Reads every numeric field. A missing file, section or key, an empty value or
// one that is not a number inside single precision gives that field's built-in
// default; the field's previous value is never kept. Never fails.
void LoadSetpointFile(TWritePrm& prm, const std::string& path);

// Writes every numeric field key by key, in the file order, as general number
// text; other sections and keys of the file are kept. Throws IniFileError
// naming the file at the first key that cannot be written; the keys before it
// stay written.
void SaveSetpointFile(const TWritePrm& prm, const std::string& path);

} // namespace qvr
