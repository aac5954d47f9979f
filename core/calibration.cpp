#include "core/calibration.h"

#include "core/sample_validity.h"

#include <algorithm>
#include <cmath>

namespace qvr {

double CalibrationChannel(const TSampleRec& sample, int channel) {
    switch (channel) {
    case 0:
        return sample.WindSpeed;
    case 1:
        return sample.AirTemp1;
    case 2:
        return sample.AirTemp2;
    case 3:
        return sample.WdsTemp1;
    case 4:
        return sample.WdsTemp2;
    default:
        return sample.TempDiff;
    }
}

bool ChannelSent(const TSampleRec& sample, int channel) {
    static constexpr SampleField fields[Calibration::kChannels] = {
        SampleField::WindSpeed, SampleField::AirTemp1, SampleField::AirTemp2,
        SampleField::WdsTemp1,  SampleField::WdsTemp2, SampleField::TempDiff};
    return sample.Valid && (sample.Sent & FieldBit(fields[channel])) != 0;
}

void Calibration::UpdateStatistics(const TSampleRec& current, const TSampleHistory& history,
                                   float adjWS, TDateTime now) {
    const TSampleRec& newest = history[0];
    const double age = (now - newest.Time) * 86400.0;
    Fresh = newest.Valid && newest.Time > 0 && age >= 0 && age <= kStaleSeconds + 0.001;
    if (!Fresh) {
        // Frozen readings are no evidence of steadiness.
        StableWs = StableAt1 = StableAt2 = StableWdt1 = StableWdt2 = StableTempDiff = false;
        SpanReached = false;
        return;
    }
    if (newest.Time <= LastJudged) return; // already judged: nothing new to move
    LastJudged = newest.Time;

    Channels sums{};
    LongAvg.fill(0.0);
    StableWs = StableAt1 = StableAt2 = StableWdt1 = StableWdt2 = StableTempDiff = false;
    SpanReached = false;

    // The extremes start from the current sample, so a value decoded after the
    // last history step widens them on its own.
    std::array<bool, kChannels> seeded{};
    std::array<int, kChannels> sent{};
    for (int c = 0; c < kChannels; ++c) {
        seeded[c] = ChannelSent(current, c);
        LongMax[c] = LongMin[c] = seeded[c] ? CalibrationChannel(current, c) : 0.0;
    }

    int count = 0;
    for (int j = 0; j < kLongWindow; ++j) {
        const TSampleRec& entry = history[static_cast<std::size_t>(j)];
        if (!entry.Valid) continue;
        ++count;
        for (int c = 0; c < kChannels; ++c) {
            if (!ChannelSent(entry, c)) continue;
            ++sent[c];
            const double v = CalibrationChannel(entry, c);
            sums[c] += v;
            if (!seeded[c]) {
                LongMax[c] = LongMin[c] = v;
                seeded[c] = true;
            } else {
                LongMax[c] = std::max(LongMax[c], v);
                LongMin[c] = std::min(LongMin[c], v);
            }
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        Known[c] = count > 0 && sent[c] == count;
        // A channel missing from some entries holds zeros there: no statistic.
        if (!Known[c]) LongMax[c] = LongMin[c] = 0.0;
    }
    if (count == 0) {
        UpdateSpanCheck(history, adjWS);
        return;
    }
    for (int c = 0; c < kChannels; ++c)
        if (Known[c]) LongAvg[c] = sums[c] / count;

    // Each correction brings its channel to the mean of the pair.
    AtCorr = {0.0f, 0.0f};
    if (AtKnown()) {
        const double at = (LongAvg[1] + LongAvg[2]) * 0.5;
        AtCorr = {static_cast<float>(at - LongAvg[1]), static_cast<float>(at - LongAvg[2])};
    }
    WdtCorr = {0.0f, 0.0f};
    if (WdtKnown()) {
        const double wdt = (LongAvg[3] + LongAvg[4]) * 0.5;
        WdtCorr = {static_cast<float>(wdt - LongAvg[3]), static_cast<float>(wdt - LongAvg[4])};
    }

    if (TempDiffKnown()) {
        if (LongAvg[0] < 0.5) ZeroTempDiff = static_cast<float>(LongAvg[5]);
        if (LongAvg[0] > 0.3) SpanTempDiff = static_cast<float>(LongAvg[5]);
    } else {
        ZeroTempDiff = SpanTempDiff = 0.0f;
    }

    std::copy_backward(ResultRing.begin(), ResultRing.end() - 1, ResultRing.end());
    ResultRing[0] = {LongAvg[5], AtCorr[0], AtCorr[1], WdtCorr[0], WdtCorr[1]};

    ShortValues shortSums{};
    ShortMax = ShortMin = ResultRing[0];
    int shortCount = 0;
    for (int k = 0; k < kShortWindow; ++k) {
        if (!history[static_cast<std::size_t>(k)].Valid) continue;
        ++shortCount;
        for (int v = 0; v < kShortValues; ++v) {
            const double x = ResultRing[k][v];
            shortSums[v] += x;
            ShortMax[v] = std::max(ShortMax[v], x);
            ShortMin[v] = std::min(ShortMin[v], x);
        }
    }
    ShortAvg.fill(0.0);
    if (shortCount > 0) {
        for (int v = 0; v < kShortValues; ++v)
            ShortAvg[v] = shortSums[v] / shortCount;
    }

    if (count == kLongWindow && shortCount > 0) {
        StableWs = Known[0] && LongSpan(0) < 0.2;
        StableAt1 = AtKnown() && LongSpan(1) < 0.5 && ShortSpan(1) < 0.005;
        StableAt2 = AtKnown() && LongSpan(2) < 0.5 && ShortSpan(1) < 0.005;
        StableWdt1 = WdtKnown() && LongSpan(3) < 0.8 && ShortSpan(3) < 0.005;
        StableWdt2 = WdtKnown() && LongSpan(4) < 0.8 && ShortSpan(3) < 0.005;
        StableTempDiff = TempDiffKnown() && LongSpan(5) < 1.0 && ShortSpan(0) < 0.12;
    }
    UpdateSpanCheck(history, adjWS);
}

void Calibration::UpdateSpanCheck(const TSampleHistory& history, float adjWS) {
    WsAvg5 = WsAvg15 = Gauge5 = Gauge15 = 0;
    SpanReached = false;
    const float tol = static_cast<float>(static_cast<double>(adjWS) * 0.005);

    double sum5 = 0;
    double sum15 = 0;
    int n5 = 0;
    int n15 = 0;
    for (int i = 0; i < 15; ++i) {
        const TSampleRec& entry = history[static_cast<std::size_t>(i)];
        if (!ChannelSent(entry, 0)) continue;
        sum15 += entry.WindSpeed;
        ++n15;
        if (i < 5) {
            sum5 += entry.WindSpeed;
            ++n5;
        }
    }
    if (n5 > 0) WsAvg5 = static_cast<float>(sum5 / n5);
    if (n15 == 0) return;
    WsAvg15 = static_cast<float>(sum15 / n15);

    // 1 on the reference speed, 0 at 1 % off or more. Without a positive
    // reference there is no tolerance to divide by and nothing to be close to.
    const auto gauge = [&](float average) -> float {
        if (!(tol > 0)) return 0.0f;
        const double d = static_cast<double>(average) - adjWS;
        const double g = 1.0 - (std::fabs(d) / tol) * 0.5;
        return g > 0 ? static_cast<float>(g) : 0.0f;
    };
    Gauge5 = gauge(WsAvg5);
    Gauge15 = gauge(WsAvg15);

    // Only a reading of the sensor itself can say it shows 0 m/s.
    if (n5 > 0 && WsAvg5 == 0.0f && CalStep == 4) CalStep = 5;

    const double h = static_cast<double>(tol) * 0.5;
    if (adjWS - h < WsAvg15 && WsAvg15 < adjWS + h) {
        SpanReached = true;
        if (CalStep == 6) CalStep = 7;
    } else if (CalStep == 7) {
        CalStep = 6;
    }
}

} // namespace qvr
