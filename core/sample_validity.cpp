#include "core/sample_validity.h"

namespace qvr {

FieldSet PolledFields(bool fastMode, bool windDirModel) {
    const int keys = fastMode ? 5 : kStatusKeyCount;
    FieldSet fields = 0;
    for (int i = 0; i < keys; ++i) {
        const SampleField field = StatusKeys[static_cast<std::size_t>(i)].Field;
        if (field != SampleField::None) fields |= FieldBit(field);
    }
    if (!windDirModel) fields &= ~(FieldBit(SampleField::WindDir) | FieldBit(SampleField::VectorX));
    return fields;
}

void SampleValidity::Collect(FieldSet answered, TDateTime now) {
    if (!running_) {
        // Whatever was decoded at the first tick came before this run's first request.
        running_ = true;
        answered_ = 0;
        lastAnswer_ = 0;
        started_ = now;
        ++run_;
        return;
    }
    if (answered == 0) return;
    if (!Fresh(now)) {
        answered_ = 0;
        ++run_;
    }
    answered_ |= answered;
    lastAnswer_ = now;
}

bool SampleValidity::Fresh(TDateTime now) const {
    // A clock set back counts as silence too.
    const double silent = (now - lastAnswer_) * 86400.0;
    return silent >= 0 && silent <= kSilenceSeconds + 0.001;
}

bool SampleValidity::Valid(TDateTime now, bool fastMode, bool windDirModel) const {
    const FieldSet needed = PolledFields(fastMode, windDirModel);
    return running_ && (answered_ & needed) == needed && Fresh(now);
}

DataStateReport SampleValidity::State(TDateTime now, bool fastMode, bool windDirModel) const {
    if (!running_) return {DataState::Stopped, 0};
    if (Valid(now, fastMode, windDirModel)) return {DataState::Receiving, 0};
    const bool answered = lastAnswer_ != 0;
    const double silent = (now - (answered ? lastAnswer_ : started_)) * 86400.0;
    // A sensor that answers but has not yet sent every field is still coming up.
    if ((answered && Fresh(now)) || (silent >= 0 && silent <= kSilenceSeconds + 0.001))
        return {DataState::Connecting, 0};
    // Whole seconds, with the same millisecond of slack as the silence limit
    // (day fractions do not add up to whole seconds exactly).
    return {DataState::NoAnswer, silent > 0 ? static_cast<int>(silent + 0.001) : 0};
}

} // namespace qvr
