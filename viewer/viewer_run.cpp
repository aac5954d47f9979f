#include "viewer/viewer_run.h"

#include "records/record_settings.h"
#include "viewer/viewer_form.h"

#include "ui/plot.h"
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace qvr {

std::unique_ptr<ViewerForm> StartViewer(const QStringList& paths, const QString& dataDir,
                                        const QString& shot) {
    auto viewer = std::make_unique<ViewerForm>();
    viewer->SetMemoryBudget(
        LoadViewerMemoryBudget(QDir(dataDir).filePath("BaseSetpoint.ini").toStdString()));
    ViewerForm* v = viewer.get();
    // From the event loop, so that the window has its size and its last paint.
    const auto takeShot = [v, shot] {
        QTimer::singleShot(0, v, [v, shot] {
            v->ViewerChart->replot();
            v->grab().save(shot);
            QCoreApplication::quit();
        });
    };
    if (!shot.isEmpty()) QObject::connect(v, &ViewerForm::Loaded, v, takeShot);
    viewer->show();
    if (paths.isEmpty())
        viewer->OpenFolder(QDir(dataDir).filePath("Record"));
    else
        viewer->OpenPaths(paths);
    // Nothing to read: the shot shows what the operator would see then.
    if (!shot.isEmpty() && !viewer->Loading()) takeShot();
    return viewer;
}

} // namespace qvr
