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
        return;
    }
    if (answered == 0) return;
    if (!Fresh(now)) answered_ = 0;
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

} // namespace qvr
