#include "core/group_write.h"

#include "base/number_text.h"
#include "core/param_reader.h"
#include "core/write_log_texts.h"
#include "link/frame_codec.h"

#include <optional>

namespace qvr {

namespace {

// The code that opens the sensor's write session together with E91=1.
const char* const kSessionCode = "8137";

TKeyValStr Pair(const std::string& key, const char* format, float value) {
    return {key, FormatFloat(format, static_cast<double>(value))};
}

std::string TableKey(int number) {
    return (number < 10 ? "P0" : "P") + std::to_string(number);
}

} // namespace

std::array<WriteGroup, kWriteGroupCount> WriteGroups(const TWritePrm& p) {
    std::array<WriteGroup, kWriteGroupCount> groups;
    groups[0] = {"Group-1",
                 {{"E91", "1"},
                  {"P99", kSessionCode},
                  Pair("E01", "%1.2f", p.DifT0m),
                  Pair("E02", "%1.2f", p.AdjWS),
                  Pair("E03", "%1.2f", p.AdjDifT),
                  Pair("E04", "%1.4f", p.HeaterWatt)},
                 5}; // the heater output is sent but not compared
    // Groups 2 to 6: two points of the correction table each, point i as
    // key 2i+1 and its amount as key 2i+2.
    for (int g = 2; g <= 6; ++g) {
        WriteGroup& group = groups[static_cast<std::size_t>(g - 1)];
        group.Name = "Group-" + std::to_string(g);
        for (int i = 2 * (g - 2); i <= 2 * (g - 2) + 1; ++i) {
            const auto at = static_cast<std::size_t>(i);
            group.Pairs.push_back(Pair(TableKey(2 * i + 1), "%1.2f", p.DIV[at]));
            group.Pairs.push_back(Pair(TableKey(2 * i + 2), "%1.2f", p.VAL[at]));
        }
        group.Compared = 4;
    }
    groups[6] = {"Group-7",
                 {Pair("E16", "%1.3f", p.ATRevice0), Pair("E17", "%1.3f", p.ATRevice1),
                  Pair("E12", "%1.3f", p.WDTRevice0), Pair("E13", "%1.3f", p.WDTRevice1)},
                 4};
    groups[7] = {"Group-8", {Pair("P32", "%1.3f", p.ChipStdV), Pair("P41", "%1.3f", p.ATRev)}, 2};
    groups[8] = {"Finish", {{"E91", "0"}, {"P99", "0"}}, 2};
    return groups;
}

GroupWrite::GroupWrite(Exchange& exchange, const TWritePrm& prm, LogSink log)
    : exchange_(exchange), prm_(prm), log_(std::move(log)) {}

void GroupWrite::Start() {
    WriteStep = 1;
    log_(write_log::kStart);
    // The poll cycle keeps off the request fields while the groups use them.
    exchange_.Collecting = false;
    ResendsLeft = 3;
}

GroupWrite::TickResult GroupWrite::Tick() {
    if (WriteStep >= 1 && WriteStep <= 2 * kWriteGroupCount) {
        const int group = (WriteStep - 1) / 2;
        if (WriteStep % 2 == 1)
            BuildStep(group);
        else
            CheckStep(group);
        return TickResult::Running;
    }
    if (WriteStep == 2 * kWriteGroupCount + 1) return TickResult::Completed;
    log_(write_log::kStopped);
    return TickResult::Stopped;
}

// A pair left out of the request would be missing from the echo too: a group
// that does not fit whole is never sent.
bool GroupWrite::Fits(const WriteGroup& g) {
    std::string list;
    const int fitted = frame::BuildPairList(g.Pairs.data(), static_cast<int>(g.Pairs.size()), list);
    if (fitted == static_cast<int>(g.Pairs.size()) && frame::BuildFrame("RW," + list)) return true;
    log_(g.Name + write_log::kTooLong);
    return false;
}

void GroupWrite::Send(const WriteGroup& g) {
    exchange_.ClearRequest();
    for (std::size_t i = 0; i < g.Pairs.size(); ++i)
        exchange_.RequestPairs[i] = g.Pairs[i];
    exchange_.SendWriteRequest();
}

void GroupWrite::BuildStep(int group) {
    const auto groups = WriteGroups(prm_);
    // The whole set is checked before "Group-1": a set refused half-way would
    // leave the sensor with its first groups written.
    const int last = group == 0 ? kWriteGroupCount - 1 : group;
    for (int at = group; at <= last; ++at) {
        if (!Fits(groups[static_cast<std::size_t>(at)])) {
            WriteStep = 0;
            return;
        }
    }
    const WriteGroup& g = groups[static_cast<std::size_t>(group)];
    Send(g);
    if (group == 0) sessionOpen_ = true;
    WriteStep = 2 * group + 2;
    log_(g.Name + write_log::kWriting);
}

void GroupWrite::CheckStep(int group) {
    const auto groups = WriteGroups(prm_);
    const WriteGroup& g = groups[static_cast<std::size_t>(group)];
    if (exchange_.AnswerReceived && !IgnoreEarlierEcho(group)) {
        if (AnswerMatches(g.Compared)) {
            WriteStep = 2 * group + 3;
            log_(g.Name + write_log::kWritten);
            ResendsLeft = 3;
            if (group == kWriteGroupCount - 1) sessionOpen_ = false;
        } else {
            WriteStep = 0;
            log_(g.Name + write_log::kMismatch);
        }
    } else if (ResendsLeft != 0) {
        --ResendsLeft;
        WriteStep = 2 * group + 1;
        log_(g.Name + write_log::kRetry);
    } else {
        WriteStep = 0;
        log_(g.Name + write_log::kNoAnswerFailed);
    }
}

// A slow sensor's answer to an earlier request (an earlier group, or the
// parameter read before the write) can arrive while a later group waits; it
// says nothing about the later group. Such an answer is dropped so that the
// group's own answer can still be taken.
bool GroupWrite::IgnoreEarlierEcho(int group) {
    const auto groups = WriteGroups(prm_);
    std::vector<std::string> answered;
    for (const TKeyValStr& pair : exchange_.AnswerPairs) {
        if (pair.Key.empty()) break;
        answered.push_back(pair.Key);
    }
    const auto keysOf = [&](int at) {
        std::vector<std::string> keys;
        for (const TKeyValStr& pair : groups[static_cast<std::size_t>(at)].Pairs)
            keys.push_back(pair.Key);
        return keys;
    };
    if (answered == keysOf(group)) return false;
    std::string earlier;
    for (int at = 0; at < group && earlier.empty(); ++at)
        if (answered == keysOf(at)) earlier = groups[static_cast<std::size_t>(at)].Name;
    for (const auto& batch : ParamReadBatches())
        if (earlier.empty() && answered == batch) earlier = write_log::kReadOut;
    if (earlier.empty()) return false;
    log_(groups[static_cast<std::size_t>(group)].Name + write_log::kSeparator + earlier +
         write_log::kLateAnswer);
    exchange_.ClearAnswer();
    exchange_.AnswerReceived = false;
    return true;
}

void GroupWrite::SendClosingGroup() {
    const WriteGroup finish = WriteGroups(prm_)[kWriteGroupCount - 1];
    Send(finish);
    sessionOpen_ = false; // sent once, whatever comes back
    log_(finish.Name + write_log::kClosing);
}

bool GroupWrite::CheckClosingGroup() {
    const WriteGroup finish = WriteGroups(prm_)[kWriteGroupCount - 1];
    if (!exchange_.AnswerReceived || IgnoreEarlierEcho(kWriteGroupCount - 1)) {
        log_(finish.Name + write_log::kNoAnswer);
        return false;
    }
    if (!AnswerMatches(finish.Compared)) {
        log_(finish.Name + write_log::kMismatch);
        return false;
    }
    log_(finish.Name + write_log::kWritten);
    return true;
}

// Every pair is examined, so that each difference is logged before the group fails.
bool GroupWrite::AnswerMatches(int count) {
    bool matches = true;
    for (int q = 0; q < count; ++q) {
        const TKeyValStr& sent = exchange_.RequestPairs[static_cast<std::size_t>(q)];
        const TKeyValStr& answer = exchange_.AnswerPairs[static_cast<std::size_t>(q)];
        if (answer.Key.empty()) {
            // A pair the echo leaves out is a pair the sensor has not confirmed.
            matches = false;
            log_("No Data! : " + sent.Key + ":");
            continue;
        }
        if (answer.Key != sent.Key) {
            matches = false;
            log_("Key Missmatch! : " + sent.Key + " ? " + answer.Key);
            continue;
        }
        const std::optional<float> sentValue = ParseFloat(sent.Value);
        const std::optional<float> answered = ParseFloat(answer.Value);
        if (!sentValue || !answered) {
            // The echo cannot confirm the value: as good as a different one.
            matches = false;
            log_("No Data! : " + answer.Key + ":" + answer.Value);
        } else if (*sentValue != *answered) {
            matches = false;
            log_("Data Missmatch! : " + answer.Key + ":" + sent.Value + " ? " + answer.Value);
        }
    }
    return matches;
}

} // namespace qvr
