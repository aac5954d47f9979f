#include "monitor/status_list.h"

#include "base/number_text.h"
#include "core/sample_fields.h"
#include "core/ui_text.h"

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

constexpr RowSpec Row(SampleField field) {
    const SampleFieldInfo& f = FieldInfo(field);
    return {f.ListCaption, f.Float, f.Int, f.ListFormat};
}

constexpr RowSpec Heading(const char* name) {
    return {name, nullptr, nullptr, kNoFormat};
}

// The list's section headings; the window translates them as it does the names.
constexpr const char* kStatusHeading = QT_TRANSLATE_NOOP("SampleField", "=== 状態値 ===");
constexpr const char* kExtensionHeading = QT_TRANSLATE_NOOP("SampleField", "=== 拡張部 ===");

using F = SampleField;
const std::array<RowSpec, kStatusListRows - 1> kRows = {
    Row(F::WindSpeed),          Row(F::AirTemp),     Heading(kStatusHeading), Row(F::WindSpeedRaw),
    Row(F::AirTempHiRes),       Row(F::ProbeTemp),   Row(F::TempDiff),        Row(F::CpuLoad),
    Row(F::SupplyVoltage),      Row(F::AdCount),     Row(F::DaOutput),        Row(F::ModelNo),
    Row(F::Version),            Row(F::SystemState), Row(F::HardState),       Row(F::SoftState),
    Heading(kExtensionHeading), Row(F::AirTemp1),    Row(F::AirTemp2),        Row(F::WdsTemp1),
    Row(F::WdsTemp2),           Row(F::WindDir),     Row(F::VectorX),
};

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
