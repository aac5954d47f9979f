#pragma once

#include "core/verification.h"

#include <QFont>
#include <vector>

class QCustomPlot;

namespace qvr {

// The verification's two charts, for the tab and the report alike; each
// clears the plot and fills it anew.

// Moves the legend out of the plot area into a row under it; once is enough.
void PlaceLegendBelow(QCustomPlot& plot);

// The sensor's mean against the reference: the points, the fitted line and
// the line of no deviation.
void PlotVerificationLine(QCustomPlot& plot, const std::vector<VerPoint>& points, const VerFit& fit,
                          const QFont& font);

// Each point's deviation against its reference inside the tolerance band;
// failing points in red.
void PlotVerificationDeviation(QCustomPlot& plot, const std::vector<VerPoint>& points,
                               const VerTolerance& tolerance, const QFont& font);

} // namespace qvr
