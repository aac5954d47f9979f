#include "report/report_pdf.h"

#include "base/text_file.h"
#include "report/verification_plot.h"

#include "ui/plot.h"
#include <QBuffer>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <algorithm>
#include <cmath>

namespace qvr {

namespace {

constexpr int kDpi = 300;
constexpr double kPageW = 210.0, kPageH = 297.0, kMargin = 12.0;
const QColor kChanged(200, 0, 0);
const QColor kPass(0, 130, 0);
const QColor kRule(120, 120, 120);
const QColor kShade(235, 240, 250);

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A text of the calibration's own (verdict, stage, parameter, channel, state) in
// the interface's language; values and file names come through unchanged.
QString Shown(const std::string& s) {
    return QCoreApplication::translate("CalibrationReport", s.c_str());
}

QString Time(TDateTime t) {
    return t > 0 ? Q(FormatDateTime("yyyy/mm/dd hh:nn:ss", t)) : QStringLiteral("—");
}

QString Fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

// A CJK font the PDF embeds: IPA Gothic here, the system's Japanese gothic on Windows.
QFont ReportFont(double points, bool bold = false) {
    QFont f;
    f.setFamilies(
        {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "Yu Gothic", "MS Gothic", "Meiryo"});
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

// Draws in millimetres from the page's top-left corner, page by page, and
// numbers the pages ("1 / 2") once their count is known.
class Page {
public:
    Page(QPdfWriter& writer, int total, std::vector<ReportTextBox>* layout)
        : writer_(writer), painter_(&writer), total_(total), layout_(layout) {}
    QPainter& P() { return painter_; }
    static double Px(double mm) { return mm * kDpi / 25.4; }
    static double Mm(double px) { return px * 25.4 / kDpi; }
    QRectF R(double x, double y, double w, double h) const {
        return QRectF(Px(x), Px(y), Px(w), Px(h));
    }
    void Text(double x, double y, double w, double h, const QString& text, const QFont& font,
              int flags = Qt::AlignLeft | Qt::AlignVCenter, const QColor& color = Qt::black) {
        // A text wider than its cell is set smaller rather than run into its
        // neighbour or past the margin (a longer language, a long file name).
        QFont f = font;
        QFontMetricsF metrics(f, painter_.device());
        double width = metrics.horizontalAdvance(text);
        while (width > Px(w) && f.pointSizeF() > kSmallestPoints) {
            f.setPointSizeF(std::max(kSmallestPoints, f.pointSizeF() - 0.25));
            metrics = QFontMetricsF(f, painter_.device());
            width = metrics.horizontalAdvance(text);
        }
        painter_.setFont(f);
        painter_.setPen(color);
        painter_.drawText(R(x, y, w, h), flags | Qt::TextSingleLine, text);
        if (!layout_ || text.isEmpty()) return;
        const double inkW = Mm(width);
        const double inkH = Mm(metrics.ascent() + metrics.descent());
        const double left = flags & Qt::AlignRight     ? x + w - inkW
                            : flags & Qt::AlignHCenter ? x + (w - inkW) / 2
                                                       : x;
        const double top = flags & Qt::AlignTop      ? y
                           : flags & Qt::AlignBottom ? y + h - inkH
                                                     : y + (h - inkH) / 2;
        layout_->push_back(
            {pages_, QRectF(x, y, w, h), QRectF(left, top, inkW, inkH), text, f.pointSizeF()});
    }
    void Fill(double x, double y, double w, double h, const QColor& color) {
        painter_.fillRect(R(x, y, w, h), color);
    }
    void Rule(double x, double y, double w, double thickness = 0.2) {
        painter_.fillRect(R(x, y, w, thickness), kRule);
    }
    // Moves on to a fresh page when `height` does not fit below `y`.
    double Room(double y, double height) {
        if (y + height <= kPageH - kMargin - 6) return y;
        return NewPage();
    }
    double NewPage() {
        Number();
        writer_.newPage();
        ++pages_;
        return kMargin;
    }
    // The last page's number; then the painter may end.
    void Finish() { Number(); }
    int Pages() const { return pages_; }

private:
    static constexpr double kSmallestPoints = 5.0;

    void Number() {
        if (total_ <= 0) return;
        Text(kPageW - kMargin - 40, kPageH - kMargin + 2, 40, 4,
             QCoreApplication::translate("CalibrationReport", "%1 / %2 ページ")
                 .arg(pages_)
                 .arg(total_),
             ReportFont(7), Qt::AlignRight | Qt::AlignVCenter, kRule);
    }

    QPdfWriter& writer_;
    QPainter painter_;
    int pages_ = 1;
    int total_ = 0;
    std::vector<ReportTextBox>* layout_ = nullptr;
};

double Heading(Page& page, double y, const QString& text) {
    page.Text(kMargin, y, kPageW - 2 * kMargin, 6, text, ReportFont(10.5, true));
    page.Rule(kMargin, y + 6, kPageW - 2 * kMargin, 0.3);
    return y + 7.5;
}

QString ReportTitle(const CalibrationReport& r) {
    return r.Calibrated
               ? QCoreApplication::translate("CalibrationReport", "キャリブレーション報告書")
               : QCoreApplication::translate("CalibrationReport", "検証報告書");
}

double DrawHeader(Page& page, const CalibrationReport& r) {
    double y = kMargin;
    page.Text(kMargin, y, 120, 9, ReportTitle(r), ReportFont(17, true));
    page.Text(kPageW - kMargin - 70, y, 70, 9,
              QCoreApplication::translate("CalibrationReport", "作成 ") + Time(r.Created),
              ReportFont(9), Qt::AlignRight | Qt::AlignVCenter);
    y += 11;
    const std::pair<QString, QString> left[] = {
        {QCoreApplication::translate("CalibrationReport", "シリアル番号"),
         r.SerialNo.empty() ? QCoreApplication::translate("CalibrationReport", "（未入力）")
                            : Q(r.SerialNo)},
        {QCoreApplication::translate("CalibrationReport", "機種"), Shown(r.Model)},
        {QCoreApplication::translate("CalibrationReport", "ファームウェア"), Shown(r.Firmware)},
    };
    const std::pair<QString, QString> right[] = {
        {QCoreApplication::translate("CalibrationReport", "校正開始"), Time(r.Started)},
        {QCoreApplication::translate("CalibrationReport", "プログラム"),
         QStringLiteral("QVR Monitor ") + Q(r.ProgramVersion)},
        {QCoreApplication::translate("CalibrationReport", "コンピュータ"), Q(r.Computer)},
    };
    page.Fill(kMargin, y - 0.5, kPageW - 2 * kMargin, 16.5, kShade);
    for (int i = 0; i < 3; ++i) {
        const double row = y + i * 5.2;
        page.Text(kMargin + 2, row, 26, 5, left[i].first, ReportFont(8.5));
        page.Text(kMargin + 28, row, 60, 5, left[i].second, ReportFont(i == 0 ? 11 : 9, i == 0));
        page.Text(kMargin + 95, row, 24, 5, right[i].first, ReportFont(8.5));
        page.Text(kMargin + 119, row, 66, 5, right[i].second, ReportFont(9));
    }
    return y + 19;
}

// Three blocks of ten rows: the main parameters, then the correction table.
double DrawParams(Page& page, const CalibrationReport& r, double y) {
    y = Heading(
        page, y,
        QCoreApplication::translate("CalibrationReport",
                                    "パラメータ（開始時 → 完了時、変更は赤字と「変更」で表示）"));
    const double blockW = (kPageW - 2 * kMargin - 3) / 3.0;
    const double rowH = 4.3;
    // The group write's order is E01-E04, P01-P20, E16, E17, E12, E13, P32, P41;
    // the first block gathers the ten single values.
    std::vector<const ReportParamRow*> blocks[3];
    for (const auto& row : r.Params) {
        if (row.Key[0] == 'E' || row.Key == "P32" || row.Key == "P41")
            blocks[0].push_back(&row);
        else
            blocks[row.Key < "P11" ? 1 : 2].push_back(&row);
    }
    std::size_t rows = 0;
    for (int b = 0; b < 3; ++b) {
        const double x = kMargin + b * (blockW + 1.5);
        // Key, label, the two values right-aligned, the change mark; the label
        // gets what the short values leave.
        const double cols[] = {x, x + 6.5, x + 31, x + 42, x + 53};
        const double widths[] = {6.5, 24.5, 10.5, 10.5, blockW - 53};
        page.Text(cols[0], y, widths[0], rowH,
                  QCoreApplication::translate("CalibrationReport", "キー"), ReportFont(7, true));
        page.Text(cols[1], y, widths[1], rowH,
                  QCoreApplication::translate("CalibrationReport", "項目"), ReportFont(7, true));
        page.Text(cols[2], y, widths[2], rowH,
                  QCoreApplication::translate("CalibrationReport", "開始時"), ReportFont(7, true),
                  Qt::AlignRight | Qt::AlignVCenter);
        page.Text(cols[3], y, widths[3], rowH,
                  QCoreApplication::translate("CalibrationReport", "完了時"), ReportFont(7, true),
                  Qt::AlignRight | Qt::AlignVCenter);
        page.Rule(x, y + rowH, blockW);
        for (std::size_t i = 0; i < blocks[b].size(); ++i) {
            const ReportParamRow& p = *blocks[b][i];
            const double row = y + rowH * (i + 1) + 0.3;
            if (i % 2 == 1) page.Fill(x, row, blockW, rowH, kShade);
            const QColor c = p.Changed ? kChanged : QColor(Qt::black);
            page.Text(cols[0], row, widths[0], rowH, Q(p.Key), ReportFont(7.5));
            page.Text(cols[1], row, widths[1], rowH, Shown(p.Label), ReportFont(7));
            page.Text(cols[2], row, widths[2], rowH, Q(p.Before), ReportFont(7.5),
                      Qt::AlignRight | Qt::AlignVCenter);
            page.Text(cols[3], row, widths[3], rowH, Q(p.After), ReportFont(7.5, p.Changed),
                      Qt::AlignRight | Qt::AlignVCenter, c);
            if (p.Changed)
                page.Text(cols[4], row, widths[4], rowH,
                          QCoreApplication::translate("CalibrationReport", "変更"), ReportFont(6.5),
                          Qt::AlignCenter, c);
        }
        rows = std::max(rows, blocks[b].size());
    }
    return y + rowH * (rows + 1) + 3;
}

QString StatText(const ReportStage& s) {
    if (!s.LogRead)
        return QCoreApplication::translate("CalibrationReport", "ログ %1 が読めません")
            .arg(Q(s.LogFile));
    if (s.Stats.empty())
        return QCoreApplication::translate("CalibrationReport", "ログ %1 に計測値がありません")
            .arg(Q(s.LogFile));
    QStringList parts;
    for (const auto& st : s.Stats)
        parts << QCoreApplication::translate("CalibrationReport", "%1 平均 %2 幅 %3 %4")
                     .arg(Shown(st.Channel), Fixed(st.Average, 3), Fixed(st.Span, 3), Q(st.Unit));
    return parts.join(QCoreApplication::translate("CalibrationReport", "　")) +
           QCoreApplication::translate("CalibrationReport", "（最後の%1件）").arg(s.LogLines);
}

double DrawStages(Page& page, const CalibrationReport& r, double y) {
    y = Heading(page, y,
                QCoreApplication::translate("CalibrationReport",
                                            "確定した工程（根拠はその工程のログの統計）"));
    const double rowH = 4.6;
    const double x[] = {kMargin, kMargin + 6, kMargin + 30, kMargin + 63, kMargin + 88};
    const QString heads[] = {QStringLiteral("No."),
                             QCoreApplication::translate("CalibrationReport", "工程"),
                             QCoreApplication::translate("CalibrationReport", "日時"),
                             QCoreApplication::translate("CalibrationReport", "確定値"),
                             QCoreApplication::translate("CalibrationReport", "根拠（平均と幅）")};
    for (int i = 0; i < 5; ++i)
        page.Text(x[i], y, 30, rowH, heads[i], ReportFont(7.5, true));
    page.Rule(kMargin, y + rowH, kPageW - 2 * kMargin);
    y += rowH + 0.3;
    if (r.Stages.empty()) {
        page.Text(kMargin, y, 120, rowH,
                  QCoreApplication::translate("CalibrationReport", "確定した工程はありません"),
                  ReportFont(8));
        return y + rowH + 3;
    }
    for (std::size_t i = 0; i < r.Stages.size(); ++i) {
        const ReportStage& s = r.Stages[i];
        if (i % 2 == 1) page.Fill(kMargin, y, kPageW - 2 * kMargin, rowH, kShade);
        page.Text(x[0], y, 6, rowH, QString::number(i + 1), ReportFont(8, true));
        page.Text(x[1], y, 24, rowH, Shown(s.Name), ReportFont(8));
        page.Text(x[2], y, 33, rowH, Time(s.Time), ReportFont(7.5));
        page.Text(x[3], y, 25, rowH, Shown(s.Value), ReportFont(7.5, true));
        page.Text(x[4], y, kPageW - kMargin - x[4], rowH, StatText(s), ReportFont(6.5));
        y += rowH;
    }
    return y + 3;
}

double DrawFinal(Page& page, const CalibrationReport& r, double y) {
    y = Heading(
        page, y,
        QCoreApplication::translate("CalibrationReport", "最終確認（15件平均の風速と基準風速）"));
    const ReportFinalCheck& f = r.Final;
    QString text;
    if (f.Measured)
        text =
            QCoreApplication::translate(
                "CalibrationReport", "WsAvg15 %1 m/s　　AdjWS %2 m/s　　合格範囲 %3 < WsAvg15 < %4")
                .arg(Fixed(f.WsAvg15, 3), Fixed(f.AdjWS, 2), Fixed(f.BandLow, 4),
                     Fixed(f.BandHigh, 4));
    else
        text = QCoreApplication::translate("CalibrationReport",
                                           "風速の15件平均がありません　　AdjWS %1 m/s")
                   .arg(Fixed(f.AdjWS, 2));
    page.Text(kMargin, y, 140, 7, text, ReportFont(9.5));
    const QColor c = f.Pass ? kPass : kChanged;
    page.P().setPen(QPen(c, Page::Px(0.5)));
    page.P().setBrush(Qt::NoBrush);
    page.P().drawRect(page.R(kPageW - kMargin - 36, y - 0.5, 36, 8));
    page.Text(kPageW - kMargin - 36, y - 0.5, 36, 8,
              QCoreApplication::translate("CalibrationReport", "判定：") + Shown(ReportVerdict(r)),
              ReportFont(12, true), Qt::AlignCenter, c);
    y += 9;
    // Whether the sensor holds the set, and what was left out, in plain words.
    const bool verified = r.Write.Result == ReportWriteCheck::State::Verified;
    page.Text(kMargin, y, 140, 5, Shown(r.Write.Text), ReportFont(9, !verified),
              Qt::AlignLeft | Qt::AlignVCenter, verified ? kPass : kChanged);
    y += 5.5;
    if (!r.Skipped.empty()) {
        QStringList names;
        for (const auto& n : r.Skipped)
            names << Shown(n);
        page.Text(kMargin, y, 170, 5,
                  QCoreApplication::translate("CalibrationReport", "省略した工程：") +
                      names.join(QCoreApplication::translate("CalibrationReport", "、")),
                  ReportFont(9, true), Qt::AlignLeft | Qt::AlignVCenter, kChanged);
        y += 5.5;
    }
    return y + 2;
}

// Draws the plot into `target` as a picture of painter calls, so that the PDF
// keeps lines and text.
void PlacePlot(Page& page, QCustomPlot& plot, QSize size, const QRectF& target) {
    QPicture picture;
    {
        QCPPainter painter(&picture);
        plot.toPainter(&painter, size.width(), size.height());
    }
    QPainter& p = page.P();
    p.save();
    p.translate(target.topLeft());
    // A picture plays back scaled from its own resolution to the device's.
    const double dpiX = double(picture.logicalDpiX()) / p.device()->logicalDpiX();
    const double dpiY = double(picture.logicalDpiY()) / p.device()->logicalDpiY();
    p.scale(dpiX * target.width() / size.width(), dpiY * target.height() / size.height());
    p.drawPicture(0, 0, picture);
    p.restore();
}

// A value axis from lo to hi in whole units, with about five steps of 1, 2
// or 5 times a power of ten; one decimal where the span is short.
void ReportAxis(QCPAxis* axis, const QString& title, double lo, double hi) {
    auto ticker = QSharedPointer<QCPAxisTicker>::create();
    ticker->setTickCount(5);
    ticker->setTickStepStrategy(QCPAxisTicker::tssReadability);
    axis->setTicker(ticker);
    axis->setRange(lo, hi);
    axis->setLabel(title);
    axis->setLabelFont(ReportFont(8));
    axis->setTickLabelFont(ReportFont(7));
    axis->setNumberFormat("f");
    axis->setNumberPrecision(hi - lo < 5 ? 1 : 0);
    axis->setVisible(true);
}

// Wind speed (left scale) and temperature difference (right scale) over the
// minutes since the start, with each confirmation as a numbered line.
void DrawChart(Page& page, const CalibrationReport& r, double y, double height) {
    const QSize size(680, static_cast<int>(680 * height / (kPageW - 2 * kMargin)));
    QCustomPlot plot;
    plot.setBackground(Qt::NoBrush);
    plot.resize(size);

    const TDateTime t0 = r.Started > 0       ? r.Started
                         : !r.Series.empty() ? r.Series.front().Time
                                             : r.Created;
    const auto minutes = [t0](TDateTime t) { return (t - t0) * 1440.0; };
    QCPGraph* ws = plot.addGraph(plot.xAxis, plot.yAxis);
    ws->setName(QCoreApplication::translate("CalibrationReport", "風速 (m/s)"));
    ws->setPen(QPen(QColor(0, 90, 200), 1.4));
    QCPGraph* td = plot.addGraph(plot.xAxis, plot.yAxis2);
    td->setName(QCoreApplication::translate("CalibrationReport", "温度差 (℃)"));
    td->setPen(QPen(QColor(220, 90, 0), 1.4));
    double wsLo = 0, wsHi = 1, tdLo = 0, tdHi = 1, xHi = 1;
    bool first = true;
    for (const auto& p : r.Series) {
        ws->addData(minutes(p.Time), p.WindSpeed);
        td->addData(minutes(p.Time), p.TempDiff); // NaN leaves a gap
        wsLo = std::min(wsLo, p.WindSpeed);
        wsHi = std::max(wsHi, p.WindSpeed);
        if (!std::isnan(p.TempDiff)) {
            if (first) {
                tdLo = tdHi = p.TempDiff;
                first = false;
            }
            tdLo = std::min(tdLo, p.TempDiff);
            tdHi = std::max(tdHi, p.TempDiff);
        }
        xHi = std::max(xHi, minutes(p.Time));
    }
    for (const auto& m : r.Marks)
        xHi = std::max(xHi, minutes(m.Time));
    ReportAxis(plot.xAxis,
               QCoreApplication::translate("CalibrationReport", "開始からの経過時間 (分)"), 0,
               std::ceil(xHi));
    ReportAxis(plot.yAxis, QCoreApplication::translate("CalibrationReport", "風速 (m/s)"),
               std::floor(wsLo), std::ceil(wsHi * 1.1));
    const double pad = std::max(0.5, (tdHi - tdLo) * 0.1);
    ReportAxis(plot.yAxis2, QCoreApplication::translate("CalibrationReport", "温度差 (℃)"),
               std::floor(tdLo - pad), std::ceil(tdHi + pad));
    plot.legend->setVisible(true);
    plot.legend->setFont(ReportFont(8));
    plot.legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot.legend->setBorderPen(Qt::NoPen);
    plot.legend->setBrush(Qt::NoBrush);
    PlaceLegendBelow(plot);

    // The confirmations: a dashed line each, numbered as in the stage table;
    // numbers close together go one below the other.
    const QCPRange xr = plot.xAxis->range();
    double lastX = -1e9;
    int row = 0;
    for (std::size_t i = 0; i < r.Marks.size(); ++i) {
        const double x = minutes(r.Marks[i].Time);
        auto* line = new QCPItemStraightLine(&plot);
        line->setPen(QPen(QColor(90, 90, 90), 1.0, Qt::DashLine));
        line->point1->setCoords(x, 0);
        line->point2->setCoords(x, 1);
        row = (x - lastX) / std::max(1e-9, xr.size()) * size.width() < 14 ? row + 1 : 0;
        lastX = x;
        auto* label = new QCPItemText(&plot);
        label->setText(QString::number(i + 1));
        label->setFont(ReportFont(8, true));
        label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        label->position->setCoords(x, 0.0);
        label->setPadding(QMargins(2, 1 + 11 * row, 0, 0));
    }

    PlacePlot(page, plot, size, page.R(kMargin, y, kPageW - 2 * kMargin, height));
}

// Room for the people who sign the calibration off, and where the report came from.
void DrawFooter(Page& page, const CalibrationReport& r, double y) {
    const double boxW = 38, boxH = 12;
    for (int i = 0; i < 2; ++i) {
        const double x = kPageW - kMargin - (2 - i) * boxW;
        page.P().setPen(QPen(kRule, Page::Px(0.2)));
        page.P().setBrush(Qt::NoBrush);
        page.P().drawRect(page.R(x, y, boxW, boxH));
        page.Text(x + 1.5, y + 0.5, boxW - 3, 4,
                  i == 0 ? QCoreApplication::translate("CalibrationReport", "校正者")
                         : QCoreApplication::translate("CalibrationReport", "確認者"),
                  ReportFont(7));
    }
    page.Text(kMargin, y + boxH - 4, 110, 4,
              QCoreApplication::translate("CalibrationReport", "QVR Monitor %1 が %2 に作成（%3）")
                  .arg(Q(r.ProgramVersion), Time(r.Created), Q(r.Computer)),
              ReportFont(7), Qt::AlignLeft | Qt::AlignVCenter, kRule);
}

QString FitText(const VerFit& f) {
    if (!f.Defined)
        return QCoreApplication::translate("CalibrationReport", "回帰：") +
               Shown(VerFitGapText(f.Gap));
    QString text = QCoreApplication::translate("CalibrationReport",
                                               "傾き %1　　オフセット %2 m/s　　相関係数 %3")
                       .arg(Fixed(f.Slope, 4), Fixed(f.Offset, 3), Fixed(f.R, 6));
    if (f.StdErrorDefined)
        text += QCoreApplication::translate("CalibrationReport", "　　残差標準偏差 %1 m/s")
                    .arg(Fixed(f.StdError, 3));
    return text;
}

QString FitErrorText(const VerFit& f) {
    if (!f.Defined || !f.StdErrorDefined) return {};
    return QCoreApplication::translate("CalibrationReport", "標準誤差：傾き %1　オフセット %2 m/s")
        .arg(Fixed(f.SlopeError, 4), Fixed(f.OffsetError, 3));
}

QString OrDash(const std::string& s) {
    return s.empty() ? QCoreApplication::translate("CalibrationReport", "—") : Q(s);
}

double DrawVerification(Page& page, const CalibrationReport& r, double y) {
    const ReportVerification& v = *r.Verification;
    const VerSettings& settings = v.Settings;
    const double fullW = kPageW - 2 * kMargin;
    y = Heading(page, y,
                QCoreApplication::translate("CalibrationReport",
                                            "検証（基準風速ごとのセンサー風速、30件の平均）"));
    // Whose sensor, verified where and when: the page names it even when it
    // follows a calibration report.
    const std::pair<QString, QString> facts[] = {
        {QCoreApplication::translate("CalibrationReport", "シリアル番号"),
         r.SerialNo.empty() ? QCoreApplication::translate("CalibrationReport", "（未入力）")
                            : Q(r.SerialNo)},
        {QCoreApplication::translate("CalibrationReport", "機種"), Shown(r.Model)},
        {QCoreApplication::translate("CalibrationReport", "ファームウェア"), Shown(r.Firmware)},
        {QCoreApplication::translate("CalibrationReport", "検証完了"), Time(v.Finished)},
        {QCoreApplication::translate("CalibrationReport", "校正機関"),
         OrDash(settings.Lab.LabName)},
        {QCoreApplication::translate("CalibrationReport", "依頼者"),
         OrDash(settings.Lab.Customer) +
             (settings.Lab.CustomerRef.empty()
                  ? QString()
                  : QStringLiteral(" (") + Q(settings.Lab.CustomerRef) + ")")},
    };
    const double half = fullW / 2;
    page.Fill(kMargin, y - 0.5, fullW, 3 * 4.8 + 1, kShade);
    for (int i = 0; i < 6; ++i) {
        const double x = kMargin + (i % 2) * half;
        const double row = y + (i / 2) * 4.8;
        page.Text(x + 2, row, 24, 4.8, facts[i].first, ReportFont(8));
        page.Text(x + 27, row, half - 29, 4.8, facts[i].second, ReportFont(8.5, i == 0));
    }
    y += 3 * 4.8 + 2;
    page.Text(
        kMargin, y, fullW, 4.6,
        QCoreApplication::translate("CalibrationReport",
                                    "許容差 ±(%1 m/s + %2 % × 基準風速)　　合格条件：%3点以上、%5 "
                                    "m/s以上離れた基準風速%4種類以上")
            .arg(Fixed(settings.Tolerance.A, 3), Fixed(settings.Tolerance.B * 100.0, 2))
            .arg(settings.Range.MinPoints)
            .arg(settings.Range.MinSpeeds)
            .arg(Fixed(settings.Range.SpeedStep, 2)),
        ReportFont(8));
    y += 4.6;
    const QString refUnc = settings.RefUnc.Percent
                               ? QCoreApplication::translate("CalibrationReport", "読値の %1 %")
                                     .arg(Fixed(settings.RefUnc.Value, 2))
                               : Fixed(settings.RefUnc.Value, 3) + QStringLiteral(" m/s");
    page.Text(kMargin, y, fullW, 4.6,
              QCoreApplication::translate(
                  "CalibrationReport",
                  "拡張不確かさ U (k=2)：基準器 %1、繰返し性 s/√n、分解能 0.001 m/s（矩形）を合成")
                  .arg(refUnc),
              ReportFont(8));
    y += 5.6;
    const double rowH = 4.6;
    // Left edges and widths; the numbers stand right-aligned in their columns.
    const double width[] = {7, 16, 16, 15, 15, 15, 15, 8, 15, 14, 17, 16};
    double x[12];
    x[0] = kMargin;
    for (int i = 1; i < 12; ++i)
        x[i] = x[i - 1] + width[i - 1] + (i == 2 ? 2 : 1);
    const QString heads[] = {QStringLiteral("No."),
                             QCoreApplication::translate("CalibrationReport", "時刻"),
                             QCoreApplication::translate("CalibrationReport", "基準 m/s"),
                             QCoreApplication::translate("CalibrationReport", "平均"),
                             QCoreApplication::translate("CalibrationReport", "標準偏差"),
                             QCoreApplication::translate("CalibrationReport", "最大"),
                             QCoreApplication::translate("CalibrationReport", "最小"),
                             QCoreApplication::translate("CalibrationReport", "数"),
                             QCoreApplication::translate("CalibrationReport", "偏差 m/s"),
                             QCoreApplication::translate("CalibrationReport", "偏差%"),
                             QCoreApplication::translate("CalibrationReport", "U (k=2) m/s"),
                             QCoreApplication::translate("CalibrationReport", "判定")};
    const auto align = [](int c) {
        return c >= 2 && c <= 10 ? Qt::AlignRight | Qt::AlignVCenter
                                 : Qt::AlignLeft | Qt::AlignVCenter;
    };
    const auto header = [&](double at) {
        for (int i = 0; i < 12; ++i)
            page.Text(x[i], at, width[i], rowH, heads[i], ReportFont(7.5, true), align(i));
        page.Rule(kMargin, at + rowH, fullW);
        return at + rowH + 0.3;
    };
    y = header(page.Room(y, 2 * rowH));
    if (v.Points.empty()) {
        page.Text(kMargin, y, 120, rowH,
                  QCoreApplication::translate("CalibrationReport", "測定点はありません"),
                  ReportFont(8));
        y += rowH;
    }
    for (std::size_t i = 0; i < v.Points.size(); ++i) {
        const double at = page.Room(y, rowH);
        if (at != y) y = header(at);
        const VerPoint& p = v.Points[i];
        const bool pass = VerPointPasses(p, settings.Tolerance);
        if (i % 2 == 1) page.Fill(kMargin, y, fullW, rowH, kShade);
        const QString cells[] = {
            QString::number(i + 1),
            p.Time > 0 ? Q(FormatDateTime("hh:nn:ss", p.Time))
                       : QCoreApplication::translate("CalibrationReport", "—"),
            Fixed(p.Reference, 3),
            Fixed(p.Mean, 3),
            Fixed(p.StdDev, 3),
            Fixed(p.Max, 3),
            Fixed(p.Min, 3),
            QString::number(p.Samples),
            Fixed(p.Deviation(), 3),
            VerPercentDefined(p) ? Fixed(VerPercent(p), 2)
                                 : QCoreApplication::translate("CalibrationReport", "—"),
            QStringLiteral("± ") + Fixed(VerPointUncertainty(p, settings.RefUnc).Expanded, 3),
            pass ? QCoreApplication::translate("CalibrationReport", "合格")
                 : QCoreApplication::translate("CalibrationReport", "不合格")};
        for (int c = 0; c < 12; ++c)
            page.Text(x[c], y, width[c], rowH, cells[c], ReportFont(7.5, c == 11 && !pass),
                      align(c), pass ? QColor(Qt::black) : kChanged);
        y += rowH;
    }
    y = page.Room(y + 2, 22);
    const VerFit fit = FitVerification(v.Points);
    const VerVerdict verdict = JudgeVerification(v.Points, settings.Tolerance, settings.Range);
    page.Text(kMargin, y, fullW - 46, 5, FitText(fit), ReportFont(9));
    const QColor c = verdict.Pass ? kPass : kChanged;
    page.P().setPen(QPen(c, Page::Px(0.5)));
    page.P().setBrush(Qt::NoBrush);
    page.P().drawRect(page.R(kPageW - kMargin - 44, y - 0.5, 44, 8));
    page.Text(kPageW - kMargin - 44, y - 0.5, 44, 8,
              QCoreApplication::translate("CalibrationReport", "判定：") +
                  Shown(VerVerdictText(verdict)),
              ReportFont(12, true), Qt::AlignCenter, c);
    y += 5;
    if (const QString errors = FitErrorText(fit); !errors.isEmpty())
        page.Text(kMargin, y, fullW - 46, 4.5, errors, ReportFont(8));
    y += 5;
    QString shortfall;
    if (verdict.Failing == 0 && !verdict.Enough)
        shortfall =
            QCoreApplication::translate("CalibrationReport", "合格には%1点以上の測定点が必要です")
                .arg(settings.Range.MinPoints);
    else if (verdict.Failing == 0 && !verdict.Spread)
        shortfall = QCoreApplication::translate(
                        "CalibrationReport",
                        "合格には%2 m/s以上離れた基準風速が%1種類以上必要です（この検証は%3種類）")
                        .arg(settings.Range.MinSpeeds)
                        .arg(Fixed(settings.Range.SpeedStep, 2))
                        .arg(verdict.Speeds);
    if (!shortfall.isEmpty()) {
        page.Text(kMargin, y, fullW, 5, shortfall, ReportFont(9, true),
                  Qt::AlignLeft | Qt::AlignVCenter, kChanged);
        y += 5.5;
    }
    page.Text(
        kMargin, y, fullW, 4.5,
        QCoreApplication::translate("CalibrationReport", "ログ %1　　デジタル証明書 %2")
            .arg(Q(v.LogFile), v.CertificateFile.empty()
                                   ? QCoreApplication::translate("CalibrationReport", "（なし）")
                                   : Q(v.CertificateFile)),
        ReportFont(8));
    y += 5.5;

    y = page.Room(y + 1, 80);
    const double w = (fullW - 4) / 2;
    const double h = 72;
    const QSize size(340, static_cast<int>(340 * h / w));
    QCustomPlot line;
    line.setBackground(Qt::NoBrush);
    line.resize(size);
    PlotVerificationLine(line, v.Points, fit, ReportFont(8));
    PlacePlot(page, line, size, page.R(kMargin, y, w, h));
    QCustomPlot deviation;
    deviation.setBackground(Qt::NoBrush);
    deviation.resize(size);
    PlotVerificationDeviation(deviation, v.Points, settings.Tolerance, ReportFont(8));
    PlacePlot(page, deviation, size, page.R(kMargin + w + 4, y, w, h));
    return y + h + 3;
}

// Draws the whole report; gives the number of pages. `total` numbers them
// (0: not numbered, while counting them).
int DrawReport(QIODevice& device, const CalibrationReport& r, int total,
               std::vector<ReportTextBox>* layout) {
    QPdfWriter writer(&device);
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setTitle(ReportTitle(r) + QStringLiteral(" ") + Q(r.SerialNo));
    writer.setCreator(QStringLiteral("QVR Monitor ") + Q(r.ProgramVersion));
    Page page(writer, total, layout);
    double y = DrawHeader(page, r);
    if (r.Calibrated) {
        y = DrawParams(page, r, y);
        y = page.Room(y, 8 + 4.9 * (r.Stages.size() + 1));
        y = DrawStages(page, r, y);
        y = page.Room(y, 30);
        y = DrawFinal(page, r, y);
        y = Heading(page, page.Room(y, 80),
                    QCoreApplication::translate("CalibrationReport",
                                                "風速と温度差の推移（番号は確定した工程）"));
        const double bottom = kPageH - kMargin - 18;
        const double chartH = std::min(110.0, bottom - y);
        DrawChart(page, r, y, chartH);
        DrawFooter(page, r, y + chartH + 2);
        // The verification, when one was run, on a page of its own.
        if (r.Verification) y = page.NewPage();
    }
    if (r.Verification) {
        y = DrawVerification(page, r, y);
        DrawFooter(page, r, page.Room(y, 14));
    }
    page.Finish();
    page.P().end();
    return page.Pages();
}

} // namespace

QByteArray RenderReportPdf(const CalibrationReport& r) {
    // Once to count the pages, once to draw them numbered.
    QBuffer scratch;
    scratch.open(QIODevice::WriteOnly);
    const int pages = DrawReport(scratch, r, 0, nullptr);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    DrawReport(buffer, r, pages, nullptr);
    return bytes;
}

std::vector<ReportTextBox> ReportLayout(const CalibrationReport& r) {
    QBuffer scratch;
    scratch.open(QIODevice::WriteOnly);
    const int pages = DrawReport(scratch, r, 0, nullptr);
    std::vector<ReportTextBox> layout;
    QBuffer again;
    again.open(QIODevice::WriteOnly);
    DrawReport(again, r, pages, &layout);
    return layout;
}

void WriteReportPdf(const CalibrationReport& report, const QString& path) {
    const QByteArray pdf = RenderReportPdf(report);
    ReplaceFileBytes(path.toStdString(), std::string_view(pdf.constData(), pdf.size()));
}

} // namespace qvr
