#pragma once

#include "core/exchange.h"
#include "core/sample_validity.h"
#include "core/shared_state.h"

#include <cstdint>

namespace qvr {

// Stores the first five answer pairs into the sample by exact key. A value that
// is not a number leaves its field as it was; "M00" stores nothing. Gives the
// fields that were stored.
FieldSet DecodeAnswer(const TKeyValList& answerPairs, TSampleRec& sample);

// Puts the five keys of set `set` (0 to 4) into the first five request pairs,
// leaving their values and the other pairs alone.
void FillKeySet(int set, TKeyValList& requestPairs);

// True for model 19.10, the one that reports wind direction.
bool IsWindDirModel(float modelNo);

// Shifts the history one place towards the end and puts a copy of the sample,
// stamped `now` and valid, into entry 0. No allocation.
void HistoryStep(TSampleHistory& history, const TSampleRec& sample, TDateTime now);

// The two counters of the poll rotation; neither is reset when collection
// stops or starts.
struct PollCounters {
    std::uint8_t PollStep = 0; // wraps after 255; the key set is PollStep % 5
    int HistoryTick = 0;       // collecting ticks since the last history step, 0 to 3

    // Raises PollStep (fast mode pins it to 0) and gives the key set to ask for.
    int NextKeySet(bool fastMode);
    // Counts one collecting tick; true when a history step is due.
    bool CountTick(bool fastMode);
};

// One poll step: the next key set into the request pairs, the answer to the
// previous request (when one came) decoded into the sample, the request sent.
// Gives the fields the answer stored.
FieldSet PollCycle(PollCounters& counters, Exchange& exchange, TSampleRec& sample, bool fastMode);

} // namespace qvr
