#pragma once

#include <QString>
#include <QStringList>

namespace qvr {

// What the program takes from its command line. "--demo FOLDER" is its one
// option; anything else (a launcher's extra argument, a stray word) is
// collected in `ignored` so that it cannot keep the program from starting.
struct CommandLine {
    QString demoDir;
    QStringList ignored;
};

// `arguments` as QCoreApplication gives them, the program's own path first.
CommandLine ParseCommandLine(const QStringList& arguments);

} // namespace qvr
