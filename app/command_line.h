#pragma once

#include <QString>
#include <QStringList>

namespace qvr {

// What the program takes from its command line: "--demo FOLDER", "--lang en|ja",
// "--data FOLDER", "--version" and "--view PATH..."; anything else (a launcher's extra argument, a
// stray word) is collected in `ignored` so that it cannot keep the program from starting.
struct CommandLine {
    QString demoDir;
    // The word after "--lang" as given; ChooseUiLanguage judges it.
    QString language;
    // "--data FOLDER": where the settings, records and reports go, instead of
    // the folder the program chooses itself.
    QString dataDir;
    // "--version": the program's name and version on standard output, and end.
    bool version = false;
    QStringList ignored;

    // "--view [PATH...]": the record viewer alone on those files or folders
    // (the Record folder beside the program when none is given); the words
    // after it up to the next option are its paths.
    bool view = false;
    QStringList viewPaths;
};

// `arguments` as QCoreApplication gives them, the program's own path first.
CommandLine ParseCommandLine(const QStringList& arguments);

} // namespace qvr
