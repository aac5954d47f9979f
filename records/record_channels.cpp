#include "records/record_channels.h"

#include "core/sample_fields.h"

#include <cstdint>

namespace qvr {

namespace {
constexpr RecordChannel Channel(SampleField field, double maxStart, double minStart) {
    const SampleFieldInfo& f = FieldInfo(field);
    return {f.RecordCaption, f.Float, maxStart, minStart};
}
using F = SampleField;
} // namespace

const std::array<RecordChannel, kRecordChannelCount> RecordChannels = {
    Channel(F::WindSpeed, 0, 999),      Channel(F::AirTemp, -99, 999),
    Channel(F::AirTempHiRes, -99, 999), Channel(F::WindSpeedRaw, 0, 999),
    Channel(F::ProbeTemp, -99, 999),    Channel(F::TempDiff, -99, 999),
    Channel(F::CpuLoad, 0, 999),        Channel(F::SupplyVoltage, 0, 999),
    Channel(F::AdCount, 0, 999),        Channel(F::DaOutput, 0, 999),
    Channel(F::AirTemp1, -99, 999),     Channel(F::AirTemp2, -99, 999),
    Channel(F::WdsTemp1, -99, 999),     Channel(F::WdsTemp2, -99, 999),
    Channel(F::WindDir, -999, 999),     Channel(F::VectorX, -9999, 9999),
};

double ChannelValue(const TSampleRec& sample, const RecordChannel& channel) {
    if (!channel.Field) return sample.AdCount;
    return sample.*channel.Field;
}

void SetChannelValue(TSampleRec& sample, const RecordChannel& channel, double value) {
    if (!channel.Field)
        sample.AdCount = static_cast<std::int32_t>(value);
    else
        sample.*channel.Field = static_cast<float>(value);
}

} // namespace qvr
