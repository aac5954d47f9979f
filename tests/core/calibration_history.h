#pragma once

#include "base/date_time.h"
#include "core/calibration.h"
#include "core/sample_validity.h"
#include "core/shared_state.h"

namespace qvr::test {

// A steady reading of a sensor in still air, as the calibration sees it.
inline TSampleRec SteadySample(float windSpeed = 0.0f) {
    TSampleRec s;
    s.Valid = true;
    s.Sent = PolledFields(false, false);
    s.WindSpeed = windSpeed;
    s.AirTemp1 = 20.3f;
    s.AirTemp2 = 19.8f;
    s.WdsTemp1 = 66.5f;
    s.WdsTemp2 = 65.7f;
    s.TempDiff = 46.0f;
    return s;
}

// The `count` newest entries made from `sample`, one second apart, entry 0
// stamped `newest`; the rest as the main window's first show leaves them.
inline TSampleHistory HistoryOf(int count, const TSampleRec& sample,
                                TDateTime newest = EncodeDateTime({2026, 12, 10, 8, 0, 0, 0})) {
    TSampleHistory h{};
    for (int i = 0; i < count; ++i) {
        h[static_cast<std::size_t>(i)] = sample;
        h[static_cast<std::size_t>(i)].Valid = true;
        h[static_cast<std::size_t>(i)].Time = newest - i / 86400.0;
    }
    return h;
}

// Readings that keep coming, one history step a second: each tick sees the
// history stamped one second after the newest entry judged before, and judges
// it at once.
inline void TickFresh(Calibration& cal, const TSampleHistory& history, int times,
                      const TSampleRec& current, float adjWS) {
    for (int i = 0; i < times; ++i) {
        TSampleHistory h = history;
        const TDateTime next = cal.LastJudged + 1 / 86400.0;
        const TDateTime shift = h[0].Time > 0 && h[0].Time < next ? next - h[0].Time : 0;
        for (TSampleRec& e : h)
            if (e.Time != 0) e.Time += shift;
        cal.UpdateStatistics(current, h, adjWS, h[0].Time > 0 ? h[0].Time : next);
    }
}

} // namespace qvr::test
