#pragma once

#include <QWidget>

namespace qvr {

// Link window: the one serial connection to the sensor, its framing and logs.
class TCommCtrlForm : public QWidget {
    Q_OBJECT
public:
    explicit TCommCtrlForm(QWidget* parent = nullptr);

    // Selects the port settings file "Port<Tag>.ini".
    int Tag = 0;
};

} // namespace qvr
