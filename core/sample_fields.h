#pragma once

#include "core/shared_state.h"
#include "core/ui_text.h"

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
    {SampleField::WindSpeed, "M01", &TSampleRec::WindSpeed, nullptr, QT_TRANSLATE_NOOP("SampleField", "風速"), "%1.3f m/s.", "風速"},
    {SampleField::AirTemp, "M11", &TSampleRec::AirTemp, nullptr, QT_TRANSLATE_NOOP("SampleField", "気温"), "%1.1f ℃", "気温(参考)"},
    {SampleField::AirTempHiRes, "C11", &TSampleRec::AirTempHiRes, nullptr, QT_TRANSLATE_NOOP("SampleField", "気温(内部用)"),
     "%1.3f ℃", "気温（高精度）"},
    {SampleField::WindSpeedRaw, "C01", &TSampleRec::WindSpeedRaw, nullptr, QT_TRANSLATE_NOOP("SampleField", "風速(補正前)"),
     "%1.3f m/s.", "風速（生値）"},
    {SampleField::ProbeTemp, "C12", &TSampleRec::ProbeTemp, nullptr, QT_TRANSLATE_NOOP("SampleField", "プローブ温度"), "%1.3f ℃",
     "風速用温度"},
    {SampleField::TempDiff, "C32", &TSampleRec::TempDiff, nullptr, QT_TRANSLATE_NOOP("SampleField", "温度差"), "%1.3f ℃", "温度差"},
    {SampleField::CpuLoad, "C50", &TSampleRec::CpuLoad, nullptr, QT_TRANSLATE_NOOP("SampleField", "CPU使用率"), "%1.1f %%",
     "CPU使用率"},
    {SampleField::SupplyVoltage, "C51", &TSampleRec::SupplyVoltage, nullptr, QT_TRANSLATE_NOOP("SampleField", "電源電圧"), "%1.3f V",
     "電源電圧"},
    {SampleField::AdCount, "C52", nullptr, &TSampleRec::AdCount, QT_TRANSLATE_NOOP("SampleField", "AD変換回数"), "%d /s.",
     "AD変換回数"},
    {SampleField::DaOutput, "C53", &TSampleRec::DaOutput, nullptr, QT_TRANSLATE_NOOP("SampleField", "DA出力値"), "%1.3f V", "DA出力"},
    {SampleField::AirTemp1, "C21", &TSampleRec::AirTemp1, nullptr, QT_TRANSLATE_NOOP("SampleField", "気温１"), "%1.3f ℃", "AT-1"},
    {SampleField::AirTemp2, "C22", &TSampleRec::AirTemp2, nullptr, QT_TRANSLATE_NOOP("SampleField", "気温２"), "%1.3f ℃", "AT-2"},
    {SampleField::WdsTemp1, "C16", &TSampleRec::WdsTemp1, nullptr, QT_TRANSLATE_NOOP("SampleField", "WDS温度１"), "%1.3f ℃", "WDT-1"},
    {SampleField::WdsTemp2, "C17", &TSampleRec::WdsTemp2, nullptr, QT_TRANSLATE_NOOP("SampleField", "WDS温度２"), "%1.3f ℃", "WDT-2"},
    {SampleField::WindDir, "M05", &TSampleRec::WindDir, nullptr, QT_TRANSLATE_NOOP("SampleField", "風向"), "%1.0f °", "WD"},
    {SampleField::VectorX, "M07", &TSampleRec::VectorX, nullptr, QT_TRANSLATE_NOOP("SampleField", "Vector-X"), "%1.3f ", "Vector-X"},
    {SampleField::ModelNo, "S00", &TSampleRec::ModelNo, nullptr, QT_TRANSLATE_NOOP("SampleField", "モデル番号"), "%1.2f", nullptr},
    {SampleField::Version, "S01", &TSampleRec::Version, nullptr, QT_TRANSLATE_NOOP("SampleField", "バージョン"), "%1.2f", nullptr},
    {SampleField::SystemState, "S11", nullptr, &TSampleRec::SystemState, QT_TRANSLATE_NOOP("SampleField", "システム状態"), "%d",
     nullptr},
    {SampleField::HardState, "S12", nullptr, &TSampleRec::HardState, QT_TRANSLATE_NOOP("SampleField", "ハード状態"), "%d", nullptr},
    {SampleField::SoftState, "S13", nullptr, &TSampleRec::SoftState, QT_TRANSLATE_NOOP("SampleField", "ソフト状態"), "%d", nullptr},
}};

// The entry of a field (None has none: it is never asked for).
constexpr const SampleFieldInfo& FieldInfo(SampleField field) {
    for (const SampleFieldInfo& info : SampleFields)
        if (info.Field == field) return info;
    return SampleFields[0]; // not reached for a real field
}

} // namespace qvr
