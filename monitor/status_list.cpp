#include "monitor/status_list.h"

#include "base/number_text.h"

#include <cstdint>

namespace qvr {

namespace {

struct RowSpec {
    const char* Name;
    float TSampleRec::*FloatField;
    std::int32_t TSampleRec::*IntField;
    const char* Format; // "%...f" for floats; for integers "%d" and the text after it
};

constexpr const char* kNoFormat = nullptr;

const std::array<RowSpec, kStatusListRows - 1> kRows = {{
    {"風速", &TSampleRec::WindSpeed, nullptr, "%1.3f m/s."},
    {"気温", &TSampleRec::AirTemp, nullptr, "%1.1f ℃"},
    {"=== 状態値 ===", nullptr, nullptr, kNoFormat},
    {"風速(補正前)", &TSampleRec::WindSpeedRaw, nullptr, "%1.3f m/s."},
    {"気温(内部用)", &TSampleRec::AirTempHiRes, nullptr, "%1.3f ℃"},
    {"プローブ温度", &TSampleRec::ProbeTemp, nullptr, "%1.3f ℃"},
    {"温度差", &TSampleRec::TempDiff, nullptr, "%1.3f ℃"},
    {"CPU使用率", &TSampleRec::CpuLoad, nullptr, "%1.1f %%"},
    {"電源電圧", &TSampleRec::SupplyVoltage, nullptr, "%1.3f V"},
    {"AD変換回数", nullptr, &TSampleRec::AdCount, "%d /s."},
    {"DA出力値", &TSampleRec::DaOutput, nullptr, "%1.3f V"},
    {"モデル番号", &TSampleRec::ModelNo, nullptr, "%1.2f"},
    {"バージョン", &TSampleRec::Version, nullptr, "%1.2f"},
    {"システム状態", nullptr, &TSampleRec::SystemState, "%d"},
    {"ハード状態", nullptr, &TSampleRec::HardState, "%d"},
    {"ソフト状態", nullptr, &TSampleRec::SoftState, "%d"},
    {"=== 拡張部 ===", nullptr, nullptr, kNoFormat},
    {"気温１", &TSampleRec::AirTemp1, nullptr, "%1.3f ℃"},
    {"気温２", &TSampleRec::AirTemp2, nullptr, "%1.3f ℃"},
    {"WDS温度１", &TSampleRec::WdsTemp1, nullptr, "%1.3f ℃"},
    {"WDS温度２", &TSampleRec::WdsTemp2, nullptr, "%1.3f ℃"},
    {"風向", &TSampleRec::WindDir, nullptr, "%1.0f °"},
    {"Vector-X", &TSampleRec::VectorX, nullptr, "%1.3f "},
}};

std::string ValueText(const RowSpec& row, const TSampleRec& sample) {
    if (!row.Format) return {};
    if (row.FloatField) return FormatFloat(row.Format, sample.*row.FloatField);
    const std::string format = row.Format;
    return std::to_string(sample.*row.IntField) + format.substr(2); // after "%d"
}

} // namespace

std::array<StatusListCells, kStatusListRows> StatusListRows(const TSampleRec& sample) {
    std::array<StatusListCells, kStatusListRows> cells;
    cells[0] = {"Name", "Data"};
    for (std::size_t i = 0; i < kRows.size(); ++i)
        cells[i + 1] = {kRows[i].Name, ValueText(kRows[i], sample)};
    return cells;
}

} // namespace qvr
