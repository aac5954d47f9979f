#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace qvr {

class ViewerForm;

// The record viewer on its own, as "--view PATH..." starts it: on the paths,
// or on the Record folder in `dataDir` when there are none. No port is opened
// and no other window is created. With `shot` set, the window is saved there
// as a picture once the files are read, and the program ends.
std::unique_ptr<ViewerForm> StartViewer(const QStringList& paths, const QString& dataDir,
                                        const QString& shot = {});

} // namespace qvr
