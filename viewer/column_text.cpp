#include "viewer/column_text.h"

#include "core/sample_fields.h"

#include <QCoreApplication>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace qvr {

namespace {

struct ColumnKind {
    const char* Name; // as the files name the column
    SampleField Field;
};

// The minute and second records' columns, then the plot-data export's own.
constexpr std::array kColumns = {
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "風速"), SampleField::WindSpeed},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "気温(参考)"), SampleField::AirTemp},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "気温（高精度）"), SampleField::AirTempHiRes},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "風速（生値）"), SampleField::WindSpeedRaw},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "風速用温度"), SampleField::ProbeTemp},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "温度差"), SampleField::TempDiff},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "CPU使用率"), SampleField::CpuLoad},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "電源電圧"), SampleField::SupplyVoltage},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "AD変換回数"), SampleField::AdCount},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "DA出力"), SampleField::DaOutput},
    ColumnKind{"AT-1", SampleField::AirTemp1},
    ColumnKind{"AT-2", SampleField::AirTemp2},
    ColumnKind{"WDT-1", SampleField::WdsTemp1},
    ColumnKind{"WDT-2", SampleField::WdsTemp2},
    ColumnKind{"WD", SampleField::WindDir},
    ColumnKind{"Vector-X", SampleField::VectorX},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "気温"), SampleField::AirTempHiRes},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "風向"), SampleField::WindDir},
    ColumnKind{QT_TRANSLATE_NOOP("RecordColumn", "風速(RAW)"), SampleField::WindSpeedRaw},
};

// The viewer's own CSV export names a minute's extremes by these endings.
constexpr std::array kEndings = {QT_TRANSLATE_NOOP("RecordColumn", "(最大)"),
                                 QT_TRANSLATE_NOOP("RecordColumn", "(最小)")};

const ColumnKind* Find(std::string_view name) {
    for (const ColumnKind& c : kColumns)
        if (name == c.Name) return &c;
    for (const char* ending : kEndings)
        if (name.ends_with(ending)) return Find(name.substr(0, name.size() - std::strlen(ending)));
    return nullptr;
}

QString Translate(const char* text) {
    return QCoreApplication::translate("RecordColumn", text);
}

} // namespace

QString ColumnTitle(std::string_view name) {
    for (const ColumnKind& c : kColumns)
        if (name == c.Name) return Translate(c.Name);
    for (const char* ending : kEndings)
        if (name.ends_with(ending))
            return ColumnTitle(name.substr(0, name.size() - std::strlen(ending))) +
                   Translate(ending);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString ColumnValueText(std::string_view name, double value) {
    if (std::isnan(value)) return {};
    if (const ColumnKind* c = Find(name)) {
        const std::string_view format = FieldInfo(c->Field).ListFormat;
        // "%1.3f ..." gives 3 decimals; an integer channel ("%d") none.
        int decimals = 0;
        if (const auto dot = format.find('.'); dot != std::string_view::npos && format[0] == '%' &&
                                               format.find('f') != std::string_view::npos)
            decimals = format[dot + 1] - '0';
        return QString::number(value, 'f', decimals);
    }
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    return error == std::errc() ? QString::fromLatin1(text, end - text) : QString::number(value);
}

} // namespace qvr
