#pragma once

#include "base/clock.h"
#include "core/param_reader.h"
#include "core/write_plan.h"

#include <functional>
#include <string>
#include <vector>

namespace qvr {

// What the read-back found: its lines for the log (one per parameter that
// differs from what was written or was not read, then a summary).
struct ReadBackReport {
    std::vector<std::string> Lines;
    int Differing = 0;
    int Unread = 0;
    bool Silent = false; // no answer at all
    bool Agrees() const { return !Silent && Differing == 0 && Unread == 0; }
};

// What the write does around the group write so that a write can be undone and
// checked: before "Group-1" it reads the sensor's parameter set, works out what
// the write would change (the plan) and saves the set as a setpoint file in the
// "Backup" folder, the plan in its first line; after every group has been echoed it
// reads the parameters back and logs every one that differs from what was
// written. Driven by the write window's timer. User-interface thread only.
class WriteSafeguard {
public:
    using LogLine = std::function<void(const std::string&)>;
    // Writes a parameter set as a setpoint file whose first line is the
    // comment `note`; throws with a message on failure.
    using SaveFile =
        std::function<void(const TWritePrm&, const std::string& path, const std::string& note)>;

    WriteSafeguard(Exchange& exchange, const Clock& clock, std::string dataDir, SaveFile save,
                   LogLine log);

    // Reads the sensor's set for the backup, named after `serialNo`, and
    // plans the write of `toSend`.
    void StartBackup(const std::string& serialNo, const TWritePrm& toSend);
    // Reads the set back and compares it with `written`.
    void StartReadBack(const TWritePrm& written);
    // One step; when the read ends, saves the backup or logs the read-back.
    void Tick();
    // Ends a running read without a log line (the window is closing).
    void Stop();

    bool Running() const { return reader_.Running(); }
    // The last backup file written, empty when none was.
    const std::string& BackupPath() const { return backupPath_; }
    // What the write would change, from the last finished backup read.
    const WritePlan& Plan() const { return plan_; }
    // What the last finished read-back found.
    const ReadBackReport& ReadBack() const { return readBack_; }

private:
    enum class Phase { Idle, Backup, ReadBack };

    void FinishBackup();
    void FinishReadBack();

    ParamReader reader_;
    const Clock& clock_;
    std::string dataDir_;
    SaveFile save_;
    LogLine log_;
    Phase phase_ = Phase::Idle;
    std::string serialNo_;
    TWritePrm written_{};
    WritePlan plan_;
    std::string backupPath_;
    ReadBackReport readBack_;
};

// Compares what was read back with what was written.
ReadBackReport CheckReadBack(const TWritePrm& written, const ParamReader& reader);

// "A12_20261210_081502.qvr": serial number, date and time, extension; characters
// a file name cannot hold on either system become "_", and a sensor without a
// serial number is "no-serial".
std::string StampedFileName(const std::string& serialNo, TDateTime time,
                            const std::string& extension);

// A free path for such a name in `folder`, which is created when missing:
// "_2", "_3" … are added while the name is taken. Throws TextFileError naming
// the folder when it cannot be created.
std::string StampedPathIn(const std::string& folder, const std::string& serialNo, TDateTime time,
                          const std::string& extension);

} // namespace qvr
