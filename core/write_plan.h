#pragma once

#include "core/write_prm.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qvr {

// One value a write would change on the sensor.
struct PlannedChange {
    std::string Key;       // "E01"
    std::string Label;     // the parameter's label, untranslated
    std::string SensorNow; // the sensor's value in the key's display format
    std::string ToSend;    // what the group write sends
    bool Calibrated = false;
};

// What a write would change on the sensor, judged from a read of its set.
struct WritePlan {
    std::vector<PlannedChange> Changes; // in the order the group write sends them
    std::vector<std::string> Unread;    // keys the read did not bring: their change is unknown
    bool Silent = false;                // the sensor answered no read at all

    // The calibrated keys that would change, and those whose change is unknown.
    std::vector<std::string> CalibratedChanges() const;
    std::vector<std::string> CalibratedUnread() const;
    // Nothing would change: the sensor already holds every value to be sent.
    bool NothingToChange() const { return !Silent && Changes.empty() && Unread.empty(); }
    // A write of this plan must be confirmed by the operator first.
    bool NeedsConfirmation() const;
};

// True when writing `toSend` under `key` changes a sensor that holds
// `sensorNow`: the value goes out in the key's display format and the sensor
// keeps it in single precision, so 46.004 held and 46.00 sent is a change,
// 46.0 held and 46.00 sent is not. False for a key the group write does not send.
bool WouldChange(std::string_view key, float toSend, float sensorNow);

// Compares the set to be written with the sensor's set as read, key by key.
WritePlan PlanWrite(const TWritePrm& toSend, const std::map<std::string, float>& sensor,
                    bool silent);

// The plan's lines for the write log (untranslated): a heading, then one line
// per change "E01 <label>: 46.00 → 50.00", then the unread keys.
std::vector<std::string> PlanLines(const WritePlan& plan);

// The plan in one line for the backup file's head (a comment line of the setpoint file).
std::string PlanSummary(const WritePlan& plan);

} // namespace qvr
