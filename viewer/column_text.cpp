#include "viewer/column_text.h"

#include <QCoreApplication>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace qvr {

namespace {

// The minute and second records' column names, then the plot-data export's
// own; the ASCII ones (AT-1, WD, Vector-X, ...) read the same in both.
constexpr std::array kNames = {
    QT_TRANSLATE_NOOP("RecordColumn", "風速"),
    QT_TRANSLATE_NOOP("RecordColumn", "気温(参考)"),
    QT_TRANSLATE_NOOP("RecordColumn", "気温（高精度）"),
    QT_TRANSLATE_NOOP("RecordColumn", "風速（生値）"),
    QT_TRANSLATE_NOOP("RecordColumn", "風速用温度"),
    QT_TRANSLATE_NOOP("RecordColumn", "温度差"),
    QT_TRANSLATE_NOOP("RecordColumn", "CPU使用率"),
    QT_TRANSLATE_NOOP("RecordColumn", "電源電圧"),
    QT_TRANSLATE_NOOP("RecordColumn", "AD変換回数"),
    QT_TRANSLATE_NOOP("RecordColumn", "DA出力"),
    QT_TRANSLATE_NOOP("RecordColumn", "気温"),
    QT_TRANSLATE_NOOP("RecordColumn", "風向"),
    QT_TRANSLATE_NOOP("RecordColumn", "風速(RAW)"),
};

// The viewer's own CSV export names a minute's extremes by these endings.
constexpr std::array kEndings = {QT_TRANSLATE_NOOP("RecordColumn", "(最大)"),
                                 QT_TRANSLATE_NOOP("RecordColumn", "(最小)")};

QString Translate(const char* text) {
    return QCoreApplication::translate("RecordColumn", text);
}

} // namespace

QString ColumnTitle(std::string_view name) {
    for (const char* known : kNames)
        if (name == known) return Translate(known);
    for (const char* ending : kEndings)
        if (name.size() > std::strlen(ending) && name.ends_with(ending))
            return ColumnTitle(name.substr(0, name.size() - std::strlen(ending))) +
                   Translate(ending);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString ShownCell(const RecordColumn& column, int what, std::size_t row) {
    const std::vector<float>& values = column.Values(what);
    if (row >= values.size() || std::isnan(values[row])) return {};
    const std::string text = CellText(column, what, row);
    int significant = 0;
    bool leading = true;
    for (const char ch : text) {
        if (ch == 'e' || ch == 'E') break;
        if (ch < '0' || ch > '9' || (leading && ch == '0')) continue;
        leading = false;
        ++significant;
    }
    // More digits than a float holds: the recorder widened a float. A
    // minute's average is shown in its channel's format, a reading (a
    // minute's extreme) with the digits that give the float back.
    if (significant > 9 && std::isfinite(values[row])) {
        if (what == 0)
            return QString::fromStdString(DecimalText(values[row], ChannelDecimals(column.Name)));
        char shortest[32];
        const auto end = std::to_chars(shortest, shortest + sizeof shortest, values[row]).ptr;
        return QString::fromLatin1(shortest, end - shortest);
    }
    return QString::fromStdString(text);
}

} // namespace qvr
