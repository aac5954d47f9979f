#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

namespace qvr {

// `frame`, a window's outer rectangle, brought inside `available`: shrunk to
// it where larger, then moved the least distance that puts it wholly inside.
// A rectangle already inside is returned as it is.
QRect FitInside(const QRect& frame, const QRect& available);

// Brings a top-level window, title bar included, inside the available area
// of its screen (the one under its centre, else its own, else the primary).
// A window taller or wider than that area is made smaller; its layout must
// let it (scroll bars where the content cannot shrink). Call it where the
// window is shown, after any move.
void KeepOnScreen(QWidget& window);

// KeepOnScreen at every show of the window, first or again, wherever the
// window was moved or resized in between.
void KeepOnScreenWhenShown(QWidget& window);

// The frame a window's system adds around it; before the first show, when
// the system has not told it yet, a title bar's height and a thin border.
QMargins FrameMargins(const QWidget& window);

} // namespace qvr
