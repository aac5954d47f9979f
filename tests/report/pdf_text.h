#pragma once

// What poppler's tools (scripts/install.sh installs poppler-utils) read from a PDF.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace qvr::test {

inline QString PdfTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw std::runtime_error(program.toStdString() +
                                 " failed: " + p.readAllStandardError().toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of every page, laid out as on the page.
inline QString PdfText(const QString& path) {
    return PdfTool("pdftotext", {"-layout", path, "-"});
}

} // namespace qvr::test
