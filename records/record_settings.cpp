#include "records/record_settings.h"

#include "base/ini_file.h"

#include <exception>

namespace qvr {

void LoadRecordSettings(const std::string& iniPath, TMySts& sts) {
    try {
        const IniFile ini(iniPath);
        const bool secRec = ini.ReadBool("Record", "SecRec", false);
        const bool fastMode = ini.ReadBool("Collect", "FastMode", false);
        sts.SecRec = secRec;
        sts.FastMode = fastMode;
    } catch (const std::exception&) {
        // Settings failures are not shown; the flags stay as they were.
    }
}

std::uint64_t LoadViewerMemoryBudget(const std::string& iniPath) {
    constexpr int kDefaultMB = 1024;
    int mb = kDefaultMB;
    try {
        mb = IniFile(iniPath).ReadInteger("Viewer", "MemoryMB", kDefaultMB);
    } catch (const std::exception&) {
        // A file that cannot be read gives the default.
    }
    if (mb < 16) mb = kDefaultMB;
    return static_cast<std::uint64_t>(mb) << 20;
}

void SaveRecordSettings(const std::string& iniPath, const TMySts& sts) {
    try {
        IniFile ini(iniPath);
        ini.WriteBool("Record", "SecRec", sts.SecRec);
        ini.WriteBool("Collect", "FastMode", sts.FastMode);
    } catch (const std::exception&) {
        // Settings failures are not shown.
    }
}

} // namespace qvr
