#pragma once

#include "app/app_context.h"

#include <QWidget>

namespace qvr {

// Settings window: port buttons, serial number, parameter editing, calibration.
class TSysSetForm : public QWidget {
    Q_OBJECT
public:
    explicit TSysSetForm(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& context_;
};

} // namespace qvr
