#pragma once

#include "report/calibration_report.h"

#include <QByteArray>
#include <QString>

namespace qvr {

// Draws the report on A4 pages (one, or two when the content does not fit)
// and returns the PDF. Japanese text is drawn with a CJK font, embedded.
// Needs a QApplication (the chart is drawn by a plot widget).
QByteArray RenderReportPdf(const CalibrationReport& report);

// Writes the report to `path` through a temporary file, so a failure never
// leaves half a file. Throws TextFileError naming the file.
void WriteReportPdf(const CalibrationReport& report, const QString& path);

} // namespace qvr
