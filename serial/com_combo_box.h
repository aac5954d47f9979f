#pragma once

#include "serial/com_select.h"

#include <QComboBox>

namespace qvr {

// A drop-down list of one port setting; only its own entries can be chosen,
// except for the port, whose box also takes any path or COM name typed in.
class TComComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComComboBox(QWidget* parent = nullptr);

    TCustomComPort* ComPort() const { return select_.ComPort(); }
    // Binding a port shows its current value (UpdateSettings).
    void SetComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return select_.ComProperty(); }
    void SetComProperty(TComProperty value);
    // Replaces the entries (the port list is otherwise read from the system).
    void SetEntries(const std::vector<std::string>& entries);

    void UpdateSettings();
    void ApplySettings();
    TComSelect& Select() { return select_; }

private:
    void Refill();
    void TakeTypedPort(const QString& text);

    TComSelect select_;
};

} // namespace qvr
