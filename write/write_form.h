#pragma once

#include "core/app_context.h"

#include <QDialog>

namespace qvr {

// Write window: sends the parameter set to the sensor group by group.
class TWriteForm : public QDialog {
    Q_OBJECT
public:
    explicit TWriteForm(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& context_;
};

} // namespace qvr
