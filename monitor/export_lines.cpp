#include "monitor/export_lines.h"

#include "base/date_time.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/sample_fields.h"
#include "core/sample_validity.h"

#include <limits>

namespace qvr {

namespace {

struct ExportColumn {
    const char* Name;
    const char* Unit;
    SampleField Sent; // the field the value comes from, as the sensor sends it
};

const ExportColumn kWindSpeed{"風速", "m/s.", SampleField::WindSpeed};
const ExportColumn kAirTemp{"気温", "℃", SampleField::AirTempHiRes};
const ExportColumn kWindDir{"風向", "°", SampleField::WindDir};

std::vector<ExportColumn> ShortLogColumns(bool windDirModel) {
    std::vector<ExportColumn> columns = {
        kWindSpeed,
        kAirTemp,
        {"温度差", "℃", SampleField::TempDiff},
        {"風速(RAW)", "m/s.", SampleField::WindSpeedRaw},
        {"AT-1", "℃", SampleField::AirTemp1},
        {"AT-2", "℃", SampleField::AirTemp2},
        {"WDT-1", "℃", SampleField::WdsTemp1},
        {"WDT-2", "℃", SampleField::WdsTemp2},
    };
    if (windDirModel) {
        columns.push_back(kWindDir);
        columns.push_back({"Vector-X", "", SampleField::VectorX});
    }
    return columns;
}

std::vector<ExportColumn> PlotDataColumns(bool windDirModel) {
    std::vector<ExportColumn> columns = {kWindSpeed, kAirTemp};
    if (windDirModel) columns.push_back(kWindDir);
    return columns;
}

std::vector<std::string> ExportLines(const TSampleHistory& history,
                                     const std::vector<ExportColumn>& columns) {
    std::string names = ",";
    std::string units = ",";
    for (const ExportColumn& column : columns) {
        names += column.Name;
        names += ',';
        units += column.Unit;
        units += ',';
    }
    std::vector<std::string> lines = {names, units};
    for (int i = kSampleHistorySize - 1; i >= 1; --i) {
        const TSampleRec& entry = history[static_cast<std::size_t>(i)];
        if (entry.Time == 0) continue; // never filled
        std::string row = FormatDateTime("yyyy/mm/dd hh:nn:ss", entry.Time) + ",";
        for (const ExportColumn& column : columns) {
            // A value the sensor did not send (fast mode polls only the first
            // key set) is written as the files write a missing reading, "NAN",
            // which the record viewer shows as a gap; never its start value
            // or an old one.
            const bool sent = (entry.Sent & FieldBit(column.Sent)) != 0;
            row += sent ? GeneralNumberText(entry.*FieldInfo(column.Sent).Float)
                        : GeneralNumberText(std::numeric_limits<double>::quiet_NaN());
            row += ',';
        }
        lines.push_back(std::move(row));
    }
    return lines;
}

} // namespace

std::vector<std::string> ShortLogLines(const TSampleHistory& history, bool windDirModel) {
    return ExportLines(history, ShortLogColumns(windDirModel));
}

std::vector<std::string> PlotDataLines(const TSampleHistory& history, bool windDirModel) {
    return ExportLines(history, PlotDataColumns(windDirModel));
}

void WriteShortLog(const std::string& path, const TSampleHistory& history, bool windDirModel) {
    WriteTextLines(path, ShortLogLines(history, windDirModel));
}

void WritePlotData(const std::string& path, const TSampleHistory& history, bool windDirModel) {
    WriteTextLines(path, PlotDataLines(history, windDirModel));
}

} // namespace qvr
