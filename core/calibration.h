#pragma once

#include "core/shared_state.h"

#include <array>
#include <cstdint>

namespace qvr {

// The guided calibration's once-a-second evaluation of the sample history and
// its step counter. Plain data with the operations that change it; the
// settings window's calibration tab shows it and its step buttons move it.
//
// Long window: the 30 newest history entries (plus the current sample for the
// extremes). Short window: the 5 newest per-tick results, entry k taking part
// only while history entry k is valid. Only valid entries are read.
class Calibration {
public:
    static constexpr int kChannels =
        6; // WindSpeed, AirTemp1, AirTemp2, WdsTemp1, WdsTemp2, TempDiff
    static constexpr int kLongWindow = 30;
    static constexpr int kShortWindow = 5;
    static constexpr int kRingSize = 15;
    static constexpr int kShortValues = 5; // temperature difference, AtCorr[0..1], WdtCorr[0..1]

    using Channels = std::array<double, kChannels>;
    using ShortValues = std::array<double, kShortValues>;

    Channels LongAvg{};
    Channels LongMax{};
    Channels LongMin{};
    std::array<float, 2> AtCorr{};
    std::array<float, 2> WdtCorr{};
    float ZeroTempDiff = 0;
    float SpanTempDiff = 0;
    std::array<ShortValues, kRingSize> ResultRing{};
    ShortValues ShortAvg{};
    ShortValues ShortMax{};
    ShortValues ShortMin{};
    float WsAvg5 = 0;
    float WsAvg15 = 0;
    float Gauge5 = 0;
    float Gauge15 = 0;
    bool StableWs = false;
    bool StableAt1 = false;
    bool StableAt2 = false;
    bool StableWdt1 = false;
    bool StableWdt2 = false;
    bool StableTempDiff = false;
    bool SpanReached = false;
    std::int32_t CalStep = 0;
    // Channels the sensor sent in every valid entry of the long window at the
    // last judged tick; a channel not known gives no statistic, candidate or verdict.
    std::array<bool, kChannels> Known{};
    // The history moved within the last 2 s; a stale one is not judged.
    bool Fresh = false;
    // Time of the newest history entry judged so far.
    TDateTime LastJudged = 0;

    static constexpr double kStaleSeconds = 2.0;

    // One tick: long and short statistics, candidates, verdicts, then
    // UpdateSpanCheck. A current sample that is not valid holds no data of this
    // run and is left out of the extremes. Only a history whose newest entry is
    // at most 2 s old at `now` and newer than the last one judged moves
    // anything; a history that stopped (silence, closed port, paused poll)
    // is not steady, and a tick with nothing new keeps the last judgement.
    void UpdateStatistics(const TSampleRec& current, const TSampleHistory& history, float adjWS,
                          TDateTime now);

    // Averages of the 5 and 15 newest wind speeds, their gauges and the band
    // around adjWS; moves the step counter from 4 to 5 and between 6 and 7.
    // A reference speed of 0 or less has no band: both gauges stay 0.
    void UpdateSpanCheck(const TSampleHistory& history, float adjWS);

    // Spans (maximum minus minimum) as the verdicts and the grid use them.
    double LongSpan(int channel) const { return LongMax[channel] - LongMin[channel]; }
    double ShortSpan(int value) const { return ShortMax[value] - ShortMin[value]; }

    // The stages' inputs were all sent by the sensor.
    bool AtKnown() const { return Known[1] && Known[2]; }
    bool WdtKnown() const { return Known[3] && Known[4]; }
    bool TempDiffKnown() const { return Known[0] && Known[5]; }
};

// Channel c of the long window read from a sample.
double CalibrationChannel(const TSampleRec& sample, int channel);
// Whether the sensor sent channel c for this sample.
bool ChannelSent(const TSampleRec& sample, int channel);

} // namespace qvr
