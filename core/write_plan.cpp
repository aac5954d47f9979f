#include "core/write_plan.h"

#include "base/number_text.h"
#include "core/param_keys.h"
#include "core/param_reader.h"
#include "core/write_log_texts.h"

namespace qvr {

namespace {

std::string ChangeText(const PlannedChange& c) {
    return c.Key + " " + c.SensorNow + write_log::kPlanArrow + c.ToSend;
}

} // namespace

bool WouldChange(std::string_view key, float toSend, float sensorNow) {
    const ParamKey* k = FindParamKey(key);
    if (!k) return false;
    const auto sent = ParseNumber(FormatFloat(k->Format, static_cast<double>(toSend)));
    return !sent || static_cast<float>(*sent) != sensorNow;
}

std::vector<std::string> WritePlan::CalibratedChanges() const {
    std::vector<std::string> keys;
    for (const auto& c : Changes)
        if (c.Calibrated) keys.push_back(c.Key);
    return keys;
}

std::vector<std::string> WritePlan::CalibratedUnread() const {
    std::vector<std::string> keys;
    for (const auto& key : Unread)
        if (FindParamKey(key)->Calibrated) keys.push_back(key);
    return keys;
}

bool WritePlan::NeedsConfirmation() const {
    return NothingToChange() || !CalibratedChanges().empty() || !CalibratedUnread().empty();
}

WritePlan PlanWrite(const TWritePrm& toSend, const std::map<std::string, float>& sensor,
                    bool silent) {
    WritePlan plan;
    plan.Silent = silent;
    for (const ParamKey& k : ParamKeys) {
        const float value = *ParamField(toSend, k.Key);
        const auto held = sensor.find(k.Key);
        if (held == sensor.end()) {
            plan.Unread.push_back(k.Key);
            continue;
        }
        if (!WouldChange(k.Key, value, held->second)) continue;
        plan.Changes.push_back({k.Key, k.Label,
                                FormatFloat(k.Format, static_cast<double>(held->second)),
                                FormatFloat(k.Format, static_cast<double>(value)), k.Calibrated});
    }
    return plan;
}

std::vector<std::string> PlanLines(const WritePlan& plan) {
    if (plan.Silent) return {write_log::kPlanSilent};
    std::vector<std::string> lines;
    if (plan.Changes.empty() && plan.Unread.empty()) return {write_log::kPlanNothing};
    if (!plan.Changes.empty()) {
        lines.push_back(write_log::kPlanHeading);
        for (const auto& c : plan.Changes)
            lines.push_back("  " + c.Key + " " + c.Label + ": " + c.SensorNow +
                            write_log::kPlanArrow + c.ToSend);
    }
    if (!plan.Unread.empty()) lines.push_back(write_log::kPlanUnread + JoinKeys(plan.Unread));
    return lines;
}

std::string PlanSummary(const WritePlan& plan) {
    std::string text = write_log::kPlanNote;
    if (plan.Changes.empty() && plan.Unread.empty()) return text + write_log::kPlanNone;
    std::vector<std::string> items;
    for (const auto& c : plan.Changes)
        items.push_back(ChangeText(c));
    for (const auto& key : plan.Unread)
        items.push_back(write_log::kPlanUnknown + key);
    return text + JoinKeys(items);
}

} // namespace qvr
