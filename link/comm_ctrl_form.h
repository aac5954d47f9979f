#pragma once

#include "link/sensor_link.h"

#include <QWidget>
#include <string>

class QCheckBox;
class QPushButton;
class QSplitter;
class QLabel;

namespace qvr {
class LogView;
class TComLed;
}

namespace qvr {

// Link window: shows the sensor link's lamps and its send and receive logs, and
// guards the port setup. It observes the link; it does not own it. The link's
// operations stay callable here by their names and go to the link.
class TCommCtrlForm : public QWidget {
    Q_OBJECT
public:
    explicit TCommCtrlForm(SensorLink& link, QWidget* parent = nullptr);
    ~TCommCtrlForm() override;

    SensorLink& Link() { return link_; }

    // The link's own items, named here as the window's.
    int& Tag;
    bool& LinkOpen;

    bool OpenPort() { return link_.OpenPort(); }
    bool ClosePort() { return link_.ClosePort(); }
    void SendFrame(const std::string& payload) { link_.SendFrame(payload); }
    bool PortConnected() const { return link_.PortConnected(); }
    void LoadPortSettings() { link_.LoadPortSettings(); }
    void StorePortSettings() { link_.StorePortSettings(); }
    std::string PortSettingsFile() const { return link_.PortSettingsFile(); }
    void PortSetup();
    // "Com Setup.." and the main window's settings button without Shift.
    void SetupRule();

    // Each log keeps its newest lines: a working day at 4 lines a second (8 h).
    // Left on for a weekend, the logs would otherwise eat the machine's memory.
    static constexpr int kMaxLogLines = 115200;

    TComLed* ComLed2 = nullptr;
    TComLed* ComLedTxD = nullptr;
    TComLed* ComLedRxD = nullptr;
    QCheckBox* CBSendLog = nullptr;
    LogView* MSend = nullptr;
    QSplitter* Splitter1 = nullptr;
    QCheckBox* CBReciveLog = nullptr;
    LogView* MRecive = nullptr;
    QPushButton* BBSetup = nullptr;
    QPushButton* BBClose = nullptr;
    QLabel* Image1 = nullptr;

Q_SIGNALS:
    // The port opened or closed, whichever window or failure did it; sent
    // after the change, so PortConnected() tells the new state.
    void PortStateChanged();

private:
    void BuildControls();
    void AddLog(LogView* log, const std::string& line);

    SensorLink& link_;
};

} // namespace qvr
