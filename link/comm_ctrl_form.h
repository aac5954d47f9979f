#pragma once

#include "core/shared_state.h"
#include "link/frame_link.h"
#include "link/frame_receiver.h"
#include "link/port_reconnect.h"
#include "serial/com_port.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QLabel;

namespace qvr {
class TComLed;
}

namespace qvr {

// Link window: the one serial connection to the sensor, its framing, the send
// and receive logs, and the single listener for good frames.
class TCommCtrlForm : public QWidget, public FrameLink {
    Q_OBJECT
public:
    // handOver: where the port's event thread delivers (the process default when null).
    TCommCtrlForm(TMySts& mySts, std::string exeDir, QWidget* parent = nullptr,
                  TComHandOver* handOver = nullptr);
    ~TCommCtrlForm() override;

    // The one connection to the sensor.
    std::unique_ptr<TComPort> ComPortM;
    // Selects the port settings file "Port<Tag>.ini" beside the executable.
    int Tag = 0;
    bool LinkOpen = false;
    // The system's words for the port's last failure (an open that failed, a
    // write into a dead line); empty once the port opens.
    std::string PortFailure;
    // Reopens the port every 2 s after a failed write closed it, until it
    // opens or ClosePort is called from outside.
    PortReconnect Reconnect{[this] { return OpenPort(); }};
    // Called once for each good frame with the frame text.
    FrameListener OnFrame;

    bool OpenPort();
    bool ClosePort();
    void SendFrame(const std::string& payload) override;
    void SetOnFrame(FrameListener listener) override { OnFrame = std::move(listener); }
    bool PortConnected() const;
    // Handles received characters; `count` is how many are waiting.
    void ComPortMRxChar(int count);
    void CheckFrame();
    void LoadPortSettings();
    void StorePortSettings();
    void PortSetup();
    // "Com Setup.." and the main window's settings button without Shift.
    void SetupRule();

    std::string PortSettingsFile() const;
    const std::string& RxBuffer() const { return receiver_.RxBuffer; }
    int RxState() const { return receiver_.RxState; }
    // Feeds characters as if received (used by the port handler).
    void FeedReceived(const std::string& chars);

    // Each log keeps its newest lines: a working day at 4 lines a second (8 h).
    // Left on for a weekend, the logs would otherwise eat the machine's memory.
    static constexpr int kMaxLogLines = 115200;

    TComLed* ComLed2 = nullptr;
    TComLed* ComLedTxD = nullptr;
    TComLed* ComLedRxD = nullptr;
    QCheckBox* CBSendLog = nullptr;
    QPlainTextEdit* MSend = nullptr;
    QSplitter* Splitter1 = nullptr;
    QCheckBox* CBReciveLog = nullptr;
    QPlainTextEdit* MRecive = nullptr;
    QPushButton* BBSetup = nullptr;
    QPushButton* BBClose = nullptr;
    QLabel* Image1 = nullptr;

private:
    void BuildControls();
    void AddLog(QPlainTextEdit* log, const std::string& line);

    TMySts& sts_;
    std::string exeDir_;
    FrameReceiver receiver_;
};

} // namespace qvr
