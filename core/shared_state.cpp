#include "core/shared_state.h"

#include "base/number_text.h"
#include "core/sample_fields.h"

#include <cmath>
#include <limits>

namespace qvr {

namespace {

// The fields in the order the poll rotation asks for their keys; the filler
// key "M00" stores nothing.
constexpr std::array<StatusKey, kStatusKeyCount> MakeStatusKeys() {
    using F = SampleField;
    constexpr F order[kStatusKeyCount] = {
        F::WindSpeed, F::AirTemp,  F::WindSpeedRaw,  F::AirTempHiRes, F::ProbeTemp,
        F::TempDiff,  F::CpuLoad,  F::SupplyVoltage, F::AdCount,      F::DaOutput,
        F::ModelNo,   F::Version,  F::SystemState,   F::HardState,    F::SoftState,
        F::AirTemp1,  F::AirTemp2, F::WdsTemp1,      F::WdsTemp2,     F::WindDir,
        F::VectorX,   F::None,     F::None,          F::None,         F::None,
        F::None,      F::None,     F::None,          F::None,         F::None};
    std::array<StatusKey, kStatusKeyCount> keys{};
    for (int i = 0; i < kStatusKeyCount; ++i)
        keys[static_cast<std::size_t>(i)] = {order[i] == F::None ? "M00" : FieldInfo(order[i]).Key,
                                             order[i]};
    return keys;
}

} // namespace

const std::array<StatusKey, kStatusKeyCount> StatusKeys = MakeStatusKeys();

const char* const AppVersion = "0.94";

TSampleRec CurrentSample;
TSampleHistory SampleHistory;
TMySts MySts;
TWritePrm WritePrm;
TWriteRecord LastWrite;

namespace {
// Truncates toward zero; values beyond 32 bits are clamped rather than
// invoking undefined behaviour.
std::int32_t TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(value);
    if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}
} // namespace

bool StoreSampleField(TSampleRec& s, SampleField field, double value) {
    // Every field holds 32 bits: beyond single precision a reading is no number.
    const auto single = ToSingle(value);
    if (!single || field == SampleField::None) return false;
    const SampleFieldInfo& info = FieldInfo(field);
    if (info.Int)
        s.*info.Int = TruncToInt(value);
    else
        s.*info.Float = *single;
    return true;
}

} // namespace qvr
