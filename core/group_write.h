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
// echo differs or lacks a compared pair ends the procedure, and so does a set
// with a group that does not fit into one request (found before "Group-1" is
// sent). A late answer to an earlier group or to the parameter read is ignored. Collecting is
// cleared while it runs; the caller confirms the set by reading it back, and resumes polling.
// User-interface thread only; the caller owns the timer.
class GroupWrite {
public:
    using LogSink = std::function<void(const std::string& line)>;

    GroupWrite(Exchange& exchange, const TWritePrm& prm, LogSink log);

    // 0 idle or stopping, odd 1–17 build a group, even 2–18 check it, 19 every group echoed.
    int WriteStep = 0;
    int ResendsLeft = 3;

    // Starts (or starts over) at "Group-1". The caller then runs the timer.
    void Start();

    enum class TickResult { Running, Stopped, Completed };
    // One step; the timer stops on anything but Running. Completed means every
    // group was echoed as sent, not yet that the sensor stored the set.
    TickResult Tick();

    // True from the sending of "Group-1" until "Finish" has been echoed: the
    // sensor's write mode may be open.
    bool SessionOpen() const { return sessionOpen_; }
    // Sends the closing group once, without waiting for its echo, and logs it;
    // for a write that stops with the sensor's write mode open.
    void SendClosingGroup();
    // After SendClosingGroup, on a later tick: true when its echo matched; logs either way.
    bool CheckClosingGroup();

private:
    void BuildStep(int group);
    void CheckStep(int group);
    bool AnswerMatches(int count);
    bool Fits(const WriteGroup& g);
    void Send(const WriteGroup& g);
    bool IgnoreEarlierEcho(int group);

    Exchange& exchange_;
    const TWritePrm& prm_;
    LogSink log_;
    bool sessionOpen_ = false;
};

} // namespace qvr
