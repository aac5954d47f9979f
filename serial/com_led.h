#pragma once

#include "serial/com_link.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qvr {

class TCustomComPort;

enum TComLedSignal { lsConn, lsCTS, lsDSR, lsRLSD, lsRing, lsRx, lsTx };
enum TLedKind {
    lkRedLight,
    lkGreenLight,
    lkBlueLight,
    lkYellowLight,
    lkPurpleLight,
    lkBulb,
    lkCustom
};
enum TLedState { lsOff, lsOn };

// A signal lamp bound to a port: it shows one activity of the port (the
// connection, a modem line, transmit or receive) and repaints at once on
// every change, processing pending user-interface messages to do so.
class TComLed : public QWidget {
    Q_OBJECT
public:
    using TLedStateEvent = std::function<void(TComLed* Sender, TLedState AState)>;

    explicit TComLed(QWidget* parent = nullptr);
    ~TComLed() override;

    TCustomComPort* ComPort() const { return port_; }
    // Binds the lamp (null unbinds it). A bound open port gives its current state.
    void SetComPort(TCustomComPort* port);
    TComLedSignal LedSignal() const { return signal_; }
    void SetLedSignal(TComLedSignal value);
    TLedKind Kind() const { return kind_; }
    void SetKind(TLedKind value);
    TLedState State() const { return state_; }
    // By hand only while unbound; raises EComPort code 19 when bound.
    void SetState(TLedState value);
    const QPixmap& GlyphOn() const { return glyphOn_; }
    const QPixmap& GlyphOff() const { return glyphOff_; }
    // Accepted only for lkCustom; made transparent like the built-in pictures.
    void SetGlyphOn(const QPixmap& picture);
    void SetGlyphOff(const QPixmap& picture);
    int RingDuration() const { return ringDuration_; }
    void SetRingDuration(int ms) { ringDuration_ = ms; }

    TLedStateEvent OnChange;

    QSize sizeHint() const override { return {25, 25}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LoadGlyphs();
    void StoreState(TLedState value);
    void SignalChanged(bool on);
    void RingDetected();

    TCustomComPort* port_ = nullptr;
    TComLink link_;
    TComLedSignal signal_ = lsConn;
    TLedKind kind_ = lkRedLight;
    TLedState state_ = lsOff;
    QPixmap glyphOn_, glyphOff_;
    int ringDuration_ = 1000;
    QTimer ringTimer_;
};

} // namespace qvr
