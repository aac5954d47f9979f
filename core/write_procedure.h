#pragma once

#include "base/clock.h"
#include "core/group_write.h"
#include "core/shared_state.h"
#include "core/write_safeguard.h"

#include <string>

namespace qvr {

// The whole write as the write window runs it, one step per timer tick: the
// backup of the sensor's set (once per opening of the window) with the plan of
// what the write would change, the operator's confirmation where the plan
// replaces calibrated values or changes nothing, the group write, and the read-back that decides
// whether the write is complete. Keeps `record` up to date from the sending of "Group-1" to the end
// of the write. A write stopped with the sensor's write mode open gets the closing group once, and
// the log says how to restore the sensor. User-interface thread only.
class WriteProcedure {
public:
    using LogLine = std::function<void(const std::string&)>;

    WriteProcedure(Exchange& exchange, const TWritePrm& prm, const Clock& clock,
                   std::string dataDir, WriteSafeguard::SaveFile save, TWriteRecord& record,
                   LogLine log);

    // The window has opened: the next start takes a new backup.
    void Open();
    // Starts, or starts over with "Group-1". The backup is read first unless a
    // group has already been sent since Open; then the first backup is named.
    void Start();

    enum class Step { Running, Ended, Verified, Confirm };
    // One step; the timer stops on anything but Running. Verified: the
    // read-back agrees and polling has resumed. Confirm: the plan is logged
    // and waits for Proceed; polling stays suspended meanwhile.
    Step Tick();

    // The operator's answer to Confirm: write (the timer runs again) or send
    // nothing. False when nothing was waiting for an answer.
    bool Proceed(bool write);
    bool AwaitingConfirmation() const { return phase_ == Phase::Confirm; }
    // A calibration's send writes the values the operator has just confirmed
    // stage by stage: its plan is logged, and asked about no further.
    void AskBeforeWriting(bool ask) { askFirst_ = ask; }
    // What the write would change, once the backup read has ended.
    const WritePlan& Plan() const { return guard_.Plan(); }

    // The window is closing: ends what runs, with a log line when a write is
    // left unfinished. Returns what the operator must be told, empty for nothing.
    std::string Close();

    GroupWrite& Write() { return write_; }
    WriteSafeguard& Safeguard() { return guard_; }

private:
    enum class Phase { Idle, Backup, Confirm, Groups, Closing, ReadBack };
    bool askFirst_ = true;

    void BeginGroups();
    Step EndBackup();
    Step EndReadBack();
    void Record(TWriteRecord::Outcome outcome);
    std::string PartlyWrittenLine() const;
    std::string RestoreHint() const;

    Exchange& exchange_;
    const TWritePrm& prm_;
    const Clock& clock_;
    TWriteRecord& record_;
    LogLine log_;
    GroupWrite write_;
    WriteSafeguard guard_;
    Phase phase_ = Phase::Idle;
    bool groupSent_ = false; // since Open: the backup no longer shows the sensor's own set
    bool runSent_ = false;   // since Start
};

} // namespace qvr
