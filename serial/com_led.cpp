#include "serial/com_led.h"

#include "serial/custom_com_port.h"
#include "serial/led_glyphs.h"
#include "serial/qt_com_hand_over.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace qvr {

namespace {

const char* const kGlyphNames[][2] = {
    {"LEDREDON", "LEDREDOFF"},       {"LEDGREENON", "LEDGREENOFF"},   {"LEDBLUEON", "LEDBLUEOFF"},
    {"LEDYELLOWON", "LEDYELLOWOFF"}, {"LEDPURPLEON", "LEDPURPLEOFF"}, {"LEDBULBON", "LEDBULBOFF"}};

} // namespace

TComLed::TComLed(QWidget* parent) : QWidget(parent) {
    InstallQtComSupport();
    resize(25, 25);
    ringTimer_.setSingleShot(true);
    connect(&ringTimer_, &QTimer::timeout, this, [this] { StoreState(lsOff); });
    link_.OnPortDestroyed = [this](TCustomComPort*) { port_ = nullptr; };
    SetLedSignal(lsConn);
    LoadGlyphs();
}

TComLed::~TComLed() {
    if (port_) {
        try {
            port_->UnRegisterLink(&link_);
        } catch (...) {
        }
    }
}

void TComLed::SetComPort(TCustomComPort* port) {
    if (port == port_) return;
    if (port_) port_->UnRegisterLink(&link_);
    port_ = port;
    if (!port_) {
        StoreState(lsOff);
        return;
    }
    port_->RegisterLink(&link_);
    if (!port_->Connected()) return;
    bool on = false;
    switch (signal_) {
    case lsConn:
        on = true;
        break;
    case lsCTS:
        on = port_->Signals().Contains(csCTS);
        break;
    case lsDSR:
        on = port_->Signals().Contains(csDSR);
        break;
    case lsRLSD:
        on = port_->Signals().Contains(csRLSD);
        break;
    default:
        break;
    }
    StoreState(on ? lsOn : lsOff);
}

void TComLed::SetLedSignal(TComLedSignal value) {
    signal_ = value;
    link_.ClearCallbacks();
    auto onSignal = [this](TCustomComPort*, bool on) { SignalChanged(on); };
    switch (value) {
    case lsConn:
        link_.SetSignal(leConn, onSignal);
        break;
    case lsCTS:
        link_.SetSignal(leCTS, onSignal);
        break;
    case lsDSR:
        link_.SetSignal(leDSR, onSignal);
        break;
    case lsRLSD:
        link_.SetSignal(leRLSD, onSignal);
        break;
    case lsRx:
        link_.SetSignal(leRx, onSignal);
        break;
    case lsTx:
        link_.SetSignal(leTx, onSignal);
        break;
    case lsRing:
        link_.SetNotify(leRing, [this](TCustomComPort*) { RingDetected(); });
        break;
    }
}

void TComLed::SetKind(TLedKind value) {
    if (value == kind_) return;
    kind_ = value;
    LoadGlyphs();
    update();
}

void TComLed::SetState(TLedState value) {
    if (port_) throw EComPort(CE_LedStateFailed);
    StoreState(value);
}

void TComLed::SetGlyphOn(const QPixmap& picture) {
    if (kind_ != lkCustom) return;
    glyphOn_ = MakeTransparent(picture);
    update();
}

void TComLed::SetGlyphOff(const QPixmap& picture) {
    if (kind_ != lkCustom) return;
    glyphOff_ = MakeTransparent(picture);
    update();
}

void TComLed::LoadGlyphs() {
    if (kind_ == lkCustom) return;
    glyphOn_ = LedGlyph(kGlyphNames[kind_][0]);
    glyphOff_ = LedGlyph(kGlyphNames[kind_][1]);
}

void TComLed::StoreState(TLedState value) {
    state_ = value;
    if (OnChange) OnChange(this, value);
    update();
}

void TComLed::SignalChanged(bool on) {
    StoreState(on ? lsOn : lsOff);
    // Repaint now, even in the middle of a port operation; timers and
    // pending event deliveries may run here too.
    QCoreApplication::processEvents();
}

void TComLed::RingDetected() {
    StoreState(lsOn);
    ringTimer_.start(ringDuration_);
}

void TComLed::paintEvent(QPaintEvent*) {
    if (glyphOn_.isNull() || glyphOff_.isNull()) LoadGlyphs();
    const QPixmap& picture = isEnabled() && state_ == lsOn ? glyphOn_ : glyphOff_;
    if (picture.isNull()) return;
    QPainter p(this);
    const QRect area = contentsRect();
    const int x = area.left() + std::max(0, (area.width() - picture.width()) / 2);
    const int y = area.top() + std::max(0, (area.height() - picture.height()) / 2);
    p.drawPixmap(x, y, picture);
}

void TComLed::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

} // namespace qvr
