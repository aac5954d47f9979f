#pragma once

#include "base/ini_file.h"
#include "core/ui_text.h"
#include "core/write_prm.h"

#include <string>
#include <vector>

namespace qvr {

// Parameter files: INI layout with the sections "Early", "Exp16" and "System".
// The serial number is never read or written.

// A setpoint file that is not loaded: it cannot be read, is larger than
// kMaxIniFileBytes, or (for a file the operator chose) holds no parameter at
// all. The message names the file.
class SetpointFileError : public IniFileError {
public:
    using IniFileError::IniFileError;
};

// What a load took from the built-in defaults.
struct SetpointLoad {
    // The fields that the file lacks or holds as something that is not a
    // number, by the label the settings window shows (the key for the two
    // stored-only fields), in file order.
    std::vector<std::string> Defaulted;
    // Whether any field took its value from the file.
    bool AnyFromFile() const;
};

// Reads every numeric field from one read of the file. A missing file,
// section or key, an empty value or one that is not a number inside single
// precision gives that field's built-in default; the field's previous value is
// never kept. A file that exists but cannot be read, or is too large, throws
// SetpointFileError and leaves `prm` as it was.
SetpointLoad LoadSetpointFile(TWritePrm& prm, const std::string& path);

// The same for a file the operator chose (load dialog, "DefaultPrm.qvr", a
// backup): one from which no field would take its value is refused with
// SetpointFileError, and `prm` stays as it was, rather than putting the
// built-in defaults in place of the operator's set.
SetpointLoad LoadChosenSetpointFile(TWritePrm& prm, const std::string& path);

// The first lines of the two messages below, marked for the windows, which show
// the first line translated, the file as it is and the labels translated.
inline constexpr const char* kNothingReadableLine = QT_TRANSLATE_NOOP(
    "SetpointText", "設定ファイルに読める設定値がひとつもないため、読み込みませんでした:");
inline constexpr const char* kDefaultedLine =
    QT_TRANSLATE_NOOP("SetpointText", "設定ファイルに無いか数値でない項目は既定値にしました:");

// For the operator: that defaults were used, the file, and the fields'
// labels ("基準電圧, 気温補正"); empty when every field came from the file.
std::string DefaultedFieldsMessage(const std::string& path, const SetpointLoad& load);

// Writes every numeric field, in the file order, as general number text; other
// sections and keys of an existing file are kept. The file is written whole
// through a temporary file beside it: on any failure it throws IniFileError
// naming the file, and the previous file (or no file) stays.
void SaveSetpointFile(const TWritePrm& prm, const std::string& path);
// The same; a file written afresh begins with `note` as a comment line (in
// the files' code page), which loading skips.
void SaveSetpointFile(const TWritePrm& prm, const std::string& path, const std::string& note);

} // namespace qvr
