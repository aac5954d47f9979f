#include "core/poll_cycle.h"

#include "base/number_text.h"

#include <cmath>

namespace qvr {

FieldSet DecodeAnswer(const TKeyValList& answerPairs, TSampleRec& sample) {
    FieldSet stored = 0;
    for (int i = 0; i < 5; ++i) {
        const TKeyValStr& pair = answerPairs[static_cast<std::size_t>(i)];
        for (const StatusKey& entry : StatusKeys) {
            if (pair.Key != entry.Key || entry.Field == SampleField::None) continue;
            const auto value = ParseNumber(pair.Value);
            if (value && StoreSampleField(sample, entry.Field, *value))
                stored |= FieldBit(entry.Field);
        }
    }
    return stored;
}

void FillKeySet(int set, TKeyValList& requestPairs) {
    for (int i = 0; i < 5; ++i)
        requestPairs[static_cast<std::size_t>(i)].Key =
            StatusKeys[static_cast<std::size_t>(set * 5 + i)].Key;
}

bool IsWindDirModel(float modelNo) {
    return std::trunc(static_cast<double>(modelNo) * 100.0) == 1910.0;
}

void HistoryStep(TSampleHistory& history, const TSampleRec& sample, TDateTime now) {
    for (std::size_t n = history.size() - 1; n > 0; --n)
        history[n] = history[n - 1];
    history[0] = sample;
    history[0].Time = now;
    history[0].Valid = true;
}

int PollCounters::NextKeySet(bool fastMode) {
    ++PollStep;
    if (fastMode) PollStep = 0;
    return PollStep % 5;
}

bool PollCounters::CountTick(bool fastMode) {
    if (++HistoryTick >= 4) HistoryTick = 0;
    return HistoryTick == 0 || fastMode;
}

FieldSet PollCycle(PollCounters& counters, Exchange& exchange, TSampleRec& sample, bool fastMode) {
    FillKeySet(counters.NextKeySet(fastMode), exchange.RequestPairs);
    const FieldSet stored =
        exchange.AnswerReceived ? DecodeAnswer(exchange.AnswerPairs, sample) : FieldSet{0};
    exchange.SendReadRequest();
    return stored;
}

} // namespace qvr
