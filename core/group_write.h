#pragma once

#include "core/exchange.h"
#include "core/write_prm.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace qvr {

// One write request of the group write: its name in the log, its pairs in
// sending order, and how many leading pairs the sensor's echo must confirm.
struct WriteGroup {
    std::string Name;
    std::vector<TKeyValStr> Pairs;
    int Compared = 0;
};

inline constexpr int kWriteGroupCount = 9;

// The nine groups ("Group-1" … "Group-8", "Finish") with the values of `prm`
// in their display formats.
std::array<WriteGroup, kWriteGroupCount> WriteGroups(const TWritePrm& prm);

// The group write as a step machine, one step per timer tick: each group is
// built and sent on one tick and judged against the sensor's echo on the next.
// A group without an answer is sent again up to three times; a group whose
// echo differs, or whose pairs do not fit into one request, ends the
// procedure. Collecting is cleared while it runs and set again on completion.
// User-interface thread only; the caller owns the timer.
class GroupWrite {
public:
    using LogSink = std::function<void(const std::string& line)>;

    GroupWrite(Exchange& exchange, const TWritePrm& prm, LogSink log);

    // 0 idle or stopping, odd 1–17 build a group, even 2–18 check it, 19 complete.
    int WriteStep = 0;
    int ResendsLeft = 3;

    // Starts (or starts over) at "Group-1". The caller then runs the timer.
    void Start();

    enum class TickResult { Running, Stopped, Completed };
    // One step; the timer stops on anything but Running.
    TickResult Tick();

private:
    void BuildStep(int group);
    void CheckStep(int group);
    bool AnswerMatches(int count);

    Exchange& exchange_;
    const TWritePrm& prm_;
    LogSink log_;
};

} // namespace qvr
