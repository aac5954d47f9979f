#pragma once

#include <string>
#include <vector>

namespace qvr {

// Where the program keeps its files: settings, setpoint files, records,
// backups, reports, logs and the folder lock. One rule for every program:
//   1. a folder the operator named (--data DIR);
//   2. else the executable's folder when it can be written (a build tree, a
//      portable copy, Windows as installed by hand);
//   3. else the per-user data folder (an installed package under /usr/bin).
struct DataFolder {
    enum class Origin { Requested, BesideProgram, PerUser };
    std::string path; // with a trailing separator, like ExecutableDir()
    Origin origin = Origin::BesideProgram;
};

// `requested` is the --data argument (empty when none); `programDir` the
// executable's folder and `perUserDir` the per-user folder, both as given by
// the caller (the desktop program asks Qt for the latter, the logger
// PerUserDataFolder()). Paths get a trailing separator; nothing is created.
DataFolder ChooseDataFolder(const std::string& requested, const std::string& programDir,
                            const std::string& perUserDir);

// $XDG_DATA_HOME/qvr-monitor, else $HOME/.local/share/qvr-monitor (on Windows
// %APPDATA%\qvr-monitor); empty when the environment names no home.
std::string PerUserDataFolder();

// True when a file can be made in `dir` (tried with a uniquely named file that
// is removed again): permission bits alone do not tell of a read-only mount.
bool FolderIsWritable(const std::string& dir);

// Creates `dir` and its parents; false with `error` set when it cannot.
bool MakeDataFolder(const std::string& dir, std::string& error);

// Copies each file of `defaultsDir` (the defaults an installed package ships)
// that `dataDir` does not hold yet; a file already there is never replaced, so
// the operator's settings survive every start. Sub-folders are not copied.
// Returns the names copied; what could not be copied is added to `errors`
// (one line each). A missing `defaultsDir` copies nothing.
std::vector<std::string> CopyMissingDefaults(const std::string& defaultsDir,
                                             const std::string& dataDir,
                                             std::vector<std::string>& errors);

} // namespace qvr
