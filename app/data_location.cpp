#include "app/data_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qvr {

QString PerUserFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return dir.isEmpty() || dir.endsWith('/') ? dir : dir + '/';
}

QString ShippedDefaultsFolder(const std::string& programDir) {
    return QDir::cleanPath(QString::fromStdString(programDir) + "/../share/qvr-monitor");
}

DataLocation PrepareDataFolder(const QString& requested, const std::string& programDir,
                               const QString& perUserDir, const QString& defaultsDir) {
    DataLocation location;
    const QString absolute =
        requested.isEmpty() ? QString() : QFileInfo(requested).absoluteFilePath();
    location.folder =
        ChooseDataFolder(absolute.toStdString(), programDir, perUserDir.toStdString());
    // The program's own folder is there and holds what it holds.
    if (location.folder.origin == DataFolder::Origin::BesideProgram) return location;
    std::string error;
    if (!MakeDataFolder(location.folder.path, error)) {
        location.error =
            QString::fromStdString(location.folder.path) + ": " + QString::fromStdString(error);
        return location;
    }
    std::vector<std::string> errors;
    for (const std::string& name :
         CopyMissingDefaults(defaultsDir.toStdString(), location.folder.path, errors))
        location.copied.append(QString::fromStdString(name));
    for (const std::string& e : errors)
        location.warnings.append(QString::fromStdString(e));
    return location;
}

} // namespace qvr
