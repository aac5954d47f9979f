#pragma once

#include "core/shared_state.h"

#include <array>
#include <cstdint>

namespace qvr {

// Each reading of a TSampleRec with its sensor key, its caption and format in
// the monitor list and its column name in the minute record. Decoding, the
// status list and the record channels all take these facts from here.
struct SampleFieldInfo {
    SampleField Field;
    const char* Key;
    float TSampleRec::*Float; // exactly one of Float and Int is set
    std::int32_t TSampleRec::*Int;
    const char* ListCaption;
    const char* ListFormat; // "%...f" for floats; for integers "%d" and the text after it
    const char* RecordCaption;
};

// In the order of TSampleRec.
inline constexpr std::array<SampleFieldInfo, 21> SampleFields = {{
    {SampleField::WindSpeed, "M01", &TSampleRec::WindSpeed, nullptr, "風速", "%1.3f m/s.", "風速"},
    {SampleField::AirTemp, "M11", &TSampleRec::AirTemp, nullptr, "気温", "%1.1f ℃", "気温(参考)"},
    {SampleField::AirTempHiRes, "C11", &TSampleRec::AirTempHiRes, nullptr, "気温(内部用)",
     "%1.3f ℃", "気温（高精度）"},
    {SampleField::WindSpeedRaw, "C01", &TSampleRec::WindSpeedRaw, nullptr, "風速(補正前)",
     "%1.3f m/s.", "風速（生値）"},
    {SampleField::ProbeTemp, "C12", &TSampleRec::ProbeTemp, nullptr, "プローブ温度", "%1.3f ℃",
     "風速用温度"},
    {SampleField::TempDiff, "C32", &TSampleRec::TempDiff, nullptr, "温度差", "%1.3f ℃", "温度差"},
    {SampleField::CpuLoad, "C50", &TSampleRec::CpuLoad, nullptr, "CPU使用率", "%1.1f %%",
     "CPU使用率"},
    {SampleField::SupplyVoltage, "C51", &TSampleRec::SupplyVoltage, nullptr, "電源電圧", "%1.3f V",
     "電源電圧"},
    {SampleField::AdCount, "C52", nullptr, &TSampleRec::AdCount, "AD変換回数", "%d /s.",
     "AD変換回数"},
    {SampleField::DaOutput, "C53", &TSampleRec::DaOutput, nullptr, "DA出力値", "%1.3f V", "DA出力"},
    {SampleField::AirTemp1, "C21", &TSampleRec::AirTemp1, nullptr, "気温１", "%1.3f ℃", "AT-1"},
    {SampleField::AirTemp2, "C22", &TSampleRec::AirTemp2, nullptr, "気温２", "%1.3f ℃", "AT-2"},
    {SampleField::WdsTemp1, "C16", &TSampleRec::WdsTemp1, nullptr, "WDS温度１", "%1.3f ℃", "WDT-1"},
    {SampleField::WdsTemp2, "C17", &TSampleRec::WdsTemp2, nullptr, "WDS温度２", "%1.3f ℃", "WDT-2"},
    {SampleField::WindDir, "M05", &TSampleRec::WindDir, nullptr, "風向", "%1.0f °", "WD"},
    {SampleField::VectorX, "M07", &TSampleRec::VectorX, nullptr, "Vector-X", "%1.3f ", "Vector-X"},
    {SampleField::ModelNo, "S00", &TSampleRec::ModelNo, nullptr, "モデル番号", "%1.2f", nullptr},
    {SampleField::Version, "S01", &TSampleRec::Version, nullptr, "バージョン", "%1.2f", nullptr},
    {SampleField::SystemState, "S11", nullptr, &TSampleRec::SystemState, "システム状態", "%d",
     nullptr},
    {SampleField::HardState, "S12", nullptr, &TSampleRec::HardState, "ハード状態", "%d", nullptr},
    {SampleField::SoftState, "S13", nullptr, &TSampleRec::SoftState, "ソフト状態", "%d", nullptr},
}};

// The entry of a field (None has none: it is never asked for).
constexpr const SampleFieldInfo& FieldInfo(SampleField field) {
    for (const SampleFieldInfo& info : SampleFields)
        if (info.Field == field) return info;
    return SampleFields[0]; // not reached for a real field
}

} // namespace qvr
