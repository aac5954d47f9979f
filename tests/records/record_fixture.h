#pragma once

#include "base/clock.h"
#include "base/text_file.h"
#include "core/app_context.h"
#include "tests/base/temp_dir.h"

#include <string>

namespace qvr::test {

// A fresh folder standing in for the executable's folder, removed afterwards.
struct ScratchDir : TempDir {
    ScratchDir() : TempDir("qvr-monitor-") {}
};

// The shared state the monitor reads, on local objects, with a clock that
// stands where a test puts it.
struct MonitorWorld {
    ScratchDir dir;
    TSampleRec current;
    TSampleHistory history{};
    TMySts sts;
    TWritePrm prm;
    ManualClock clock;
    AppContext context{current, history, sts, prm, clock, dir.Dir()};

    void At(int day, int hour, int minute, int second) {
        clock.Set(DateTimeParts{2024, 5, day, hour, minute, second, 0});
    }
    std::string RecordFile(const std::string& name) const { return dir.File("Record/" + name); }
    // The file's bytes decoded from CP932, or "" when it is missing.
    std::string Text(const std::string& path) const {
        return FileExists(path) ? Cp932ToUtf8(ReadFileBytes(path)) : std::string();
    }
};

} // namespace qvr::test
