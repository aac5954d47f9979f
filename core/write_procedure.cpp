#include "core/write_procedure.h"

#include "core/exchange.h"
#include "core/write_log_texts.h"
#include "core/write_plan.h"

namespace qvr {

WriteProcedure::WriteProcedure(Exchange& exchange, const TWritePrm& prm, const Clock& clock,
                               std::string dataDir, WriteSafeguard::SaveFile save,
                               TWriteRecord& record, LogLine log)
    : exchange_(exchange), prm_(prm), clock_(clock), record_(record), log_(log),
      write_(exchange, prm, log),
      guard_(exchange, clock, std::move(dataDir), std::move(save), log) {}

void WriteProcedure::Open() {
    guard_.Stop();
    write_.WriteStep = 0;
    phase_ = Phase::Idle;
    groupSent_ = false;
    runSent_ = false;
}

void WriteProcedure::Start() {
    guard_.Stop(); // a backup or read-back under way starts over
    write_.WriteStep = 0;
    runSent_ = false;
    if (!groupSent_) {
        phase_ = Phase::Backup;
        guard_.StartBackup(prm_.SerialNo, prm_);
        return;
    }
    // A new backup now would save the half-written set; the first one stands.
    if (guard_.BackupPath().empty())
        log_(write_log::kNoBackupKept);
    else
        log_(write_log::kBackup + guard_.BackupPath() + write_log::kBackupKept);
    BeginGroups();
}

void WriteProcedure::BeginGroups() {
    phase_ = Phase::Groups;
    write_.Start();
}

WriteProcedure::Step WriteProcedure::Tick() {
    switch (phase_) {
    case Phase::Idle:
        return write_.Tick() == GroupWrite::TickResult::Running ? Step::Running : Step::Ended;
    case Phase::Backup:
        guard_.Tick();
        if (guard_.Running()) return Step::Running;
        return EndBackup();
    case Phase::Confirm:
        return Step::Confirm;
    case Phase::Groups: {
        const GroupWrite::TickResult result = write_.Tick();
        if (write_.SessionOpen() && !runSent_) {
            // From here on the sensor no longer holds the set last verified.
            runSent_ = groupSent_ = true;
            Record(TWriteRecord::Outcome::Stopped);
        }
        if (result == GroupWrite::TickResult::Running) return Step::Running;
        if (result == GroupWrite::TickResult::Completed) {
            // An echo is the sensor's word; what it stored is read back.
            phase_ = Phase::ReadBack;
            guard_.StartReadBack(prm_);
            return Step::Running;
        }
        Record(TWriteRecord::Outcome::Failed);
        if (write_.SessionOpen()) {
            write_.SendClosingGroup();
            phase_ = Phase::Closing;
            return Step::Running;
        }
        phase_ = Phase::Idle;
        return Step::Ended;
    }
    case Phase::Closing:
        write_.CheckClosingGroup();
        log_(PartlyWrittenLine());
        phase_ = Phase::Idle;
        return Step::Ended;
    case Phase::ReadBack:
        guard_.Tick();
        if (guard_.Running()) return Step::Running;
        phase_ = Phase::Idle;
        return EndReadBack();
    }
    return Step::Ended;
}

// The operator sees what will change before anything is sent.
WriteProcedure::Step WriteProcedure::EndBackup() {
    const WritePlan& plan = guard_.Plan();
    for (const auto& line : PlanLines(plan))
        log_(line);
    if (!askFirst_ || !plan.NeedsConfirmation()) {
        BeginGroups();
        return Step::Running;
    }
    // A poll answer arriving while the operator decides would be taken for
    // the first group's echo.
    exchange_.Collecting = false;
    phase_ = Phase::Confirm;
    return Step::Confirm;
}

bool WriteProcedure::Proceed(bool write) {
    if (phase_ != Phase::Confirm) return false;
    if (write) {
        log_(write_log::kPlanConfirmed);
        BeginGroups();
    } else {
        log_(write_log::kPlanDeclined);
        phase_ = Phase::Idle;
        exchange_.Collecting = true;
    }
    return true;
}

WriteProcedure::Step WriteProcedure::EndReadBack() {
    const ReadBackReport& report = guard_.ReadBack();
    if (report.Agrees()) {
        Record(TWriteRecord::Outcome::Verified);
        exchange_.Collecting = true;
        log_(write_log::kDone);
        return Step::Verified;
    }
    if (report.Differing > 0) {
        Record(TWriteRecord::Outcome::Failed);
        log_(write_log::kReadBackFailed + RestoreHint());
        log_(write_log::kStopped);
        return Step::Ended;
    }
    Record(TWriteRecord::Outcome::Unverified);
    log_(write_log::kUnverified);
    return Step::Ended;
}

std::string WriteProcedure::Close() {
    std::string warning;
    switch (phase_) {
    case Phase::Groups:
        if (runSent_) Record(TWriteRecord::Outcome::Stopped);
        if (write_.SessionOpen()) {
            log_(write_log::kAborted);
            write_.SendClosingGroup();
            warning = PartlyWrittenLine();
            log_(warning);
        }
        break;
    case Phase::ReadBack:
        Record(TWriteRecord::Outcome::Stopped);
        log_(write_log::kClosedInReadBack);
        break;
    case Phase::Closing: // the closing group went out; its echo is not awaited
        warning = PartlyWrittenLine();
        log_(warning);
        break;
    case Phase::Idle:
    case Phase::Backup:
    case Phase::Confirm:
        break;
    }
    guard_.Stop();
    write_.WriteStep = 0;
    phase_ = Phase::Idle;
    return warning;
}

void WriteProcedure::Record(TWriteRecord::Outcome outcome) {
    record_.Result = outcome;
    record_.At = clock_.Now();
    record_.Written = prm_;
}

std::string WriteProcedure::PartlyWrittenLine() const {
    return write_log::kPartlyWritten + RestoreHint();
}

std::string WriteProcedure::RestoreHint() const {
    if (guard_.BackupPath().empty()) return write_log::kNoBackup;
    return write_log::kRestoreBefore + guard_.BackupPath() + write_log::kRestoreAfter;
}

} // namespace qvr
