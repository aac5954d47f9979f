#include "ui/window_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace qvr {

QRect FitInside(const QRect& frame, const QRect& available) {
    if (available.isEmpty()) return frame;
    const int width = std::min(frame.width(), available.width());
    const int height = std::min(frame.height(), available.height());
    const int x = std::clamp(frame.x(), available.left(), available.right() - width + 1);
    const int y = std::clamp(frame.y(), available.top(), available.bottom() - height + 1);
    return {x, y, width, height};
}

QMargins FrameMargins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    if (outer != inner)
        return {inner.left() - outer.left(), inner.top() - outer.top(),
                outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    const int border = 4;
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return {border, title + border, border, border};
}

void KeepOnScreen(QWidget& window) {
    const QMargins margins = FrameMargins(window);
    const QRect frame = window.geometry().marginsAdded(margins);
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect fitted = FitInside(frame, screen->availableGeometry());
    if (fitted == frame) return;
    window.setGeometry(fitted.marginsRemoved(margins));
}

namespace {

class ShowFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* window = qobject_cast<QWidget*>(watched); window && window->isWindow())
                KeepOnScreen(*window);
        return false;
    }
};

} // namespace

void KeepOnScreenWhenShown(QWidget& window) {
    window.installEventFilter(new ShowFitter(&window));
}

} // namespace qvr
