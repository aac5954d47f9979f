#include "core/shared_state.h"

#include "base/number_text.h"

#include <cmath>
#include <limits>

namespace qvr {

const std::array<StatusKey, kStatusKeyCount> StatusKeys = {{
    {"M01", SampleField::WindSpeed},    {"M11", SampleField::AirTemp},
    {"C01", SampleField::WindSpeedRaw}, {"C11", SampleField::AirTempHiRes},
    {"C12", SampleField::ProbeTemp},    {"C32", SampleField::TempDiff},
    {"C50", SampleField::CpuLoad},      {"C51", SampleField::SupplyVoltage},
    {"C52", SampleField::AdCount},      {"C53", SampleField::DaOutput},
    {"S00", SampleField::ModelNo},      {"S01", SampleField::Version},
    {"S11", SampleField::SystemState},  {"S12", SampleField::HardState},
    {"S13", SampleField::SoftState},    {"C21", SampleField::AirTemp1},
    {"C22", SampleField::AirTemp2},     {"C16", SampleField::WdsTemp1},
    {"C17", SampleField::WdsTemp2},     {"M05", SampleField::WindDir},
    {"M07", SampleField::VectorX},      {"M00", SampleField::None},
    {"M00", SampleField::None},         {"M00", SampleField::None},
    {"M00", SampleField::None},         {"M00", SampleField::None},
    {"M00", SampleField::None},         {"M00", SampleField::None},
    {"M00", SampleField::None},         {"M00", SampleField::None},
}};

const char* const AppVersion = "0.94";

TSampleRec CurrentSample;
TSampleHistory SampleHistory;
TMySts MySts;
TWritePrm WritePrm;

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

void StoreSampleField(TSampleRec& s, SampleField field, double value) {
    // Every field holds 32 bits: beyond single precision a reading is no number.
    const auto single = ToSingle(value);
    if (!single) return;
    const float f = *single;
    switch (field) {
    case SampleField::None:
        break;
    case SampleField::WindSpeed:
        s.WindSpeed = f;
        break;
    case SampleField::AirTemp:
        s.AirTemp = f;
        break;
    case SampleField::WindSpeedRaw:
        s.WindSpeedRaw = f;
        break;
    case SampleField::AirTempHiRes:
        s.AirTempHiRes = f;
        break;
    case SampleField::ProbeTemp:
        s.ProbeTemp = f;
        break;
    case SampleField::TempDiff:
        s.TempDiff = f;
        break;
    case SampleField::CpuLoad:
        s.CpuLoad = f;
        break;
    case SampleField::SupplyVoltage:
        s.SupplyVoltage = f;
        break;
    case SampleField::AdCount:
        s.AdCount = TruncToInt(value);
        break;
    case SampleField::DaOutput:
        s.DaOutput = f;
        break;
    case SampleField::ModelNo:
        s.ModelNo = f;
        break;
    case SampleField::Version:
        s.Version = f;
        break;
    case SampleField::SystemState:
        s.SystemState = TruncToInt(value);
        break;
    case SampleField::HardState:
        s.HardState = TruncToInt(value);
        break;
    case SampleField::SoftState:
        s.SoftState = TruncToInt(value);
        break;
    case SampleField::AirTemp1:
        s.AirTemp1 = f;
        break;
    case SampleField::AirTemp2:
        s.AirTemp2 = f;
        break;
    case SampleField::WdsTemp1:
        s.WdsTemp1 = f;
        break;
    case SampleField::WdsTemp2:
        s.WdsTemp2 = f;
        break;
    case SampleField::WindDir:
        s.WindDir = f;
        break;
    case SampleField::VectorX:
        s.VectorX = f;
        break;
    }
}

} // namespace qvr
