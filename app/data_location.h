#pragma once

#include "base/data_folder.h"

#include <QString>
#include <QStringList>
#include <string>

namespace qvr {

// The per-user data folder as Qt names it (application name "qvr-monitor", no
// organisation folder: ~/.local/share/qvr-monitor/, the logger's too), with a
// trailing separator.
QString PerUserFolder();

// Where an installed program finds the defaults its package ships: the
// share/qvr-monitor folder beside its bin folder (/usr/share/qvr-monitor for
// /usr/bin), so that any installation prefix works.
QString ShippedDefaultsFolder(const std::string& programDir);

// The data folder of this start, made ready.
struct DataLocation {
    DataFolder folder;
    // Why the folder could not be made; the start cannot keep its files.
    QString error;
    // The shipped defaults copied in now (the first start in a new folder).
    QStringList copied;
    // Defaults that could not be copied, one line each.
    QStringList warnings;
};

// Chooses the folder by the one rule (`requested` is --data, made absolute
// against the working folder), creates it, and gives a folder other than the
// program's own the shipped defaults it lacks.
DataLocation PrepareDataFolder(const QString& requested, const std::string& programDir,
                               const QString& perUserDir, const QString& defaultsDir);

} // namespace qvr
