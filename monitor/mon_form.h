#pragma once

#include "app/app_context.h"

#include <QWidget>

namespace qvr {

// Monitor list window: status values, recording, short log and plot-data export.
class TMonForm : public QWidget {
    Q_OBJECT
public:
    explicit TMonForm(AppContext& context, QWidget* parent = nullptr);

    // Plot-data export, asked for by the main window's save button.
    void SavePlotData();

private:
    AppContext& context_;
};

} // namespace qvr
