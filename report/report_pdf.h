#pragma once

#include "report/calibration_report.h"

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <vector>

namespace qvr {

// Draws the report on A4 pages (one, or two when the content does not fit)
// and returns the PDF. Japanese text is drawn with a CJK font, embedded.
// Needs a QApplication (the chart is drawn by a plot widget).
QByteArray RenderReportPdf(const CalibrationReport& report);

// One text as the report draws it, in millimetres from the page's top-left
// corner: the cell it was given and where it stands, measured with the font
// metrics the painter draws it with (a text wider than its cell is set
// smaller first, down to 5 pt).
struct ReportTextBox {
    int Page = 1;
    QRectF Cell;
    QRectF Ink;
    QString Text;
    double Points = 0; // the font size it was drawn in
};

// Every text of the report, as RenderReportPdf draws it.
std::vector<ReportTextBox> ReportLayout(const CalibrationReport& report);

// Writes the report to `path` through a temporary file, so a failure never
// leaves half a file. Throws TextFileError naming the file.
void WriteReportPdf(const CalibrationReport& report, const QString& path);

} // namespace qvr
