#include "report/verification_plot.h"

#include "ui/plot.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace qvr {

namespace {

const QColor kPointColour(0, 90, 200);
const QColor kFailColour(200, 0, 0);
const QColor kLineColour(0, 150, 70);
const QColor kGuideColour(140, 140, 140);

void Reset(QCustomPlot& plot, const QFont& font) {
    plot.clearItems();
    plot.clearGraphs();
    plot.legend->setVisible(true);
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.85);
    plot.legend->setFont(small);
    plot.legend->setBorderPen(Qt::NoPen);
    plot.legend->setBrush(Qt::NoBrush);
    PlaceLegendBelow(plot);
    for (QCPAxis* axis : {plot.xAxis, plot.yAxis}) {
        axis->setLabelFont(font);
        axis->setTickLabelFont(small);
        auto ticker = QSharedPointer<QCPAxisTicker>::create();
        ticker->setTickCount(6);
        ticker->setTickStepStrategy(QCPAxisTicker::tssReadability);
        axis->setTicker(ticker);
    }
}

// The reference axis from 0 to the largest reference rounded up.
double ReferenceTop(const std::vector<VerPoint>& points) {
    double top = 1;
    for (const VerPoint& p : points)
        top = std::max(top, p.Reference);
    return std::ceil(top * 1.05);
}

QCPGraph* Scatter(QCustomPlot& plot, const QString& name, const QColor& colour) {
    QCPGraph* g = plot.addGraph();
    g->setName(name);
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, colour, colour, 6));
    return g;
}

QCPGraph* Line(QCustomPlot& plot, const QString& name, const QPen& pen) {
    QCPGraph* g = plot.addGraph();
    g->setName(name);
    g->setPen(pen);
    return g;
}

} // namespace

void PlaceLegendBelow(QCustomPlot& plot) {
    // Out of the plot area, one row under it: no point ever hides behind it.
    if (plot.legend->layout() == plot.plotLayout()) return;
    plot.axisRect()->insetLayout()->take(plot.legend);
    plot.plotLayout()->addElement(1, 0, plot.legend);
    plot.plotLayout()->setRowStretchFactor(1, 0.001);
    plot.plotLayout()->setRowSpacing(0);
    plot.legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot.legend->setWrap(2); // two a row: the longer English names keep their room
    plot.legend->setMargins(QMargins(4, 0, 4, 2));
}

void PlotVerificationLine(QCustomPlot& plot, const std::vector<VerPoint>& points, const VerFit& fit,
                          const QFont& font) {
    Reset(plot, font);
    const double top = ReferenceTop(points);
    QCPGraph* identity = Line(plot, QCoreApplication::translate("CalibrationReport", "偏差なし"),
                              QPen(kGuideColour, 1, Qt::DashLine));
    identity->addData({0.0, top}, {0.0, top});
    if (fit.Defined) {
        QCPGraph* line = Line(plot, QCoreApplication::translate("CalibrationReport", "回帰直線"),
                              QPen(kLineColour, 1.5));
        line->addData({0.0, top}, {fit.Offset, fit.Slope * top + fit.Offset});
    }
    QCPGraph* dots =
        Scatter(plot, QCoreApplication::translate("CalibrationReport", "測定点"), kPointColour);
    double hi = top;
    for (const VerPoint& p : points) {
        dots->addData(p.Reference, p.Mean);
        hi = std::max(hi, p.Mean);
    }
    plot.xAxis->setLabel(QCoreApplication::translate("CalibrationReport", "基準風速 (m/s)"));
    plot.yAxis->setLabel(QCoreApplication::translate("CalibrationReport", "センサー風速 (m/s)"));
    plot.xAxis->setRange(0, top);
    plot.yAxis->setRange(0, std::ceil(hi * 1.05));
}

void PlotVerificationDeviation(QCustomPlot& plot, const std::vector<VerPoint>& points,
                               const VerTolerance& tolerance, const QFont& font) {
    Reset(plot, font);
    const double top = ReferenceTop(points);
    const double edge = tolerance.A + tolerance.B * top;
    QCPGraph* upper = Line(plot, QCoreApplication::translate("CalibrationReport", "許容差"),
                           QPen(kFailColour, 1, Qt::DashLine));
    upper->addData({0.0, top}, {tolerance.A, edge});
    QCPGraph* lower = Line(plot, QString(), QPen(kFailColour, 1, Qt::DashLine));
    lower->addData({0.0, top}, {-tolerance.A, -edge});
    lower->removeFromLegend();
    QCPGraph* zero = Line(plot, QString(), QPen(kGuideColour, 1));
    zero->addData({0.0, top}, {0.0, 0.0});
    zero->removeFromLegend();
    QCPGraph* pass =
        Scatter(plot, QCoreApplication::translate("CalibrationReport", "合格"), kPointColour);
    QCPGraph* fail =
        Scatter(plot, QCoreApplication::translate("CalibrationReport", "不合格"), kFailColour);
    double span = edge;
    bool anyFail = false;
    for (const VerPoint& p : points) {
        const bool ok = VerPointPasses(p, tolerance);
        (ok ? pass : fail)->addData(p.Reference, p.Deviation());
        anyFail = anyFail || !ok;
        span = std::max(span, std::fabs(p.Deviation()));
    }
    if (!anyFail) fail->removeFromLegend();
    plot.xAxis->setLabel(QCoreApplication::translate("CalibrationReport", "基準風速 (m/s)"));
    plot.yAxis->setLabel(QCoreApplication::translate("CalibrationReport", "偏差 (m/s)"));
    plot.xAxis->setRange(0, top);
    plot.yAxis->setRange(-span * 1.2, span * 1.2);
}

} // namespace qvr
