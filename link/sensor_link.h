#pragma once

#include "link/frame_link.h"
#include "link/frame_receiver.h"
#include "link/port_reconnect.h"
#include "serial/com_port.h"

#include <functional>
#include <memory>
#include <string>

namespace qvr {

// The one serial connection to the sensor, without any window: the port
// ComPortM, the receive state machine, framing and checking, the single
// listener for good frames and the port settings file. The link window shows
// its lamps and logs through the notifications below. User-interface thread
// only; every port failure is caught here and shows only as a result, a
// notification or PortFailure.
class SensorLink : public FrameLink {
public:
    // portName: where OpenPort records the name of the port it opened.
    // handOver: where the port's event thread delivers (the process default when null).
    SensorLink(std::string& portName, std::string dataDir, TComHandOver* handOver = nullptr);
    ~SensorLink() override;

    // The one connection to the sensor.
    std::unique_ptr<TComPort> ComPortM;
    // Selects the port settings file "Port<Tag>.ini" beside the executable.
    int Tag = 0;
    // True from a successful OpenPort until ClosePort; only SendFrame asks it.
    bool LinkOpen = false;
    // The system's words for the port's last failure (an open that failed, a
    // write into a dead line); empty once the port opens.
    std::string PortFailure;
    // The system's error number behind PortFailure (errno, or the Windows
    // error code); 0 when there is none.
    int PortFailureCode = 0;
    // Reopens the port every 2 s after a failed write closed it, while the
    // poll timer ticks it, until the port opens or ClosePort is called.
    PortReconnect Reconnect{[this] { return OpenPort(); }};
    // Called once for each good frame with the frame text.
    FrameListener OnFrame;

    // Notifications. Each log line is offered whether or not a log is shown.
    std::function<void(const std::string& line)> OnSendLog;    // frame without CR LF
    std::function<void(const std::string& line)> OnReceiveLog; // frame text, or the error line
    std::function<void()> OnPortOpened;
    std::function<void()> OnPortClosing; // before every close
    std::function<void()> OnLineFailed;  // after a failed write closed the port

    bool OpenPort();
    bool ClosePort();
    void SendFrame(const std::string& payload) override;
    void SetOnFrame(FrameListener listener) override { OnFrame = std::move(listener); }
    bool PortConnected() const;
    // The port's received-characters event; `count` is how many are waiting.
    void ComPortMRxChar(int count);
    // Feeds characters to the receive state machine as if received.
    void FeedReceived(const std::string& chars);
    void CheckFrame();
    void LoadPortSettings();
    void StorePortSettings();

    std::string PortSettingsFile() const;
    const std::string& RxBuffer() const { return receiver_.RxBuffer; }
    int RxState() const { return receiver_.RxState; }

private:
    // Marks the receive handler as running, also when it is left by an exception.
    struct ReceivingScope {
        explicit ReceivingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
        ~ReceivingScope() { flag_ = was_; }
        bool& flag_;
        const bool was_;
    };

    std::string& portName_;
    std::string dataDir_;
    FrameReceiver receiver_;
    bool receiving_ = false;
};

} // namespace qvr
