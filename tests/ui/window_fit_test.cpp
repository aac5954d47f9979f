#include "ui/window_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace qvr {
namespace {

// A 1600 x 1000 screen with a 40-pixel panel at its bottom, in the logical
// pixels windows are placed in at each scale.
QRect Available(double scale, int originX = 0) {
    return {originX, 0, static_cast<int>(1600 / scale), static_cast<int>(960 / scale)};
}

TEST(WindowFitTest, BringsEveryWindowInsideTheScreenAtEachScale) {
    struct Case {
        const char* what;
        QRect frame;
        double scale;
        int originX;
        QRect expected;
    };
    const Case cases[] = {
        {"inside stays", {100, 100, 635, 700}, 1.0, 0, {100, 100, 635, 700}},
        {"past the bottom", {100, 400, 635, 700}, 1.0, 0, {100, 260, 635, 700}},
        {"left of the screen", {-77, 200, 400, 300}, 1.0, 0, {0, 200, 400, 300}},
        {"title bar above", {0, -24, 220, 500}, 1.0, 0, {0, 0, 220, 500}},
        {"past the bottom at 125 %", {100, 300, 635, 700}, 1.25, 0, {100, 68, 635, 700}},
        {"taller at 150 %", {100, 100, 635, 700}, 1.5, 0, {100, 0, 635, 640}},
        {"wider and taller at 150 %", {-10, -10, 1200, 900}, 1.5, 0, {0, 0, 1066, 640}},
        {"right of a second screen", {3300, 100, 400, 300}, 1.0, 1600, {2800, 100, 400, 300}},
        {"on a second screen at 125 %", {1500, 700, 400, 300}, 1.25, 1600, {1600, 468, 400, 300}},
    };
    for (const Case& c : cases) {
        const QRect available = Available(c.scale, c.originX);
        const QRect fitted = FitInside(c.frame, available);
        EXPECT_EQ(fitted, c.expected) << c.what;
        EXPECT_TRUE(available.contains(fitted)) << c.what;
    }
    // No screen to fit in leaves the window where it is.
    EXPECT_EQ(FitInside({-5, -5, 10, 10}, QRect()), QRect(-5, -5, 10, 10));
}

// A real window placed off its screen, before its first show and again after
// a move, comes back inside with its frame.
TEST(WindowFitTest, KeepsARealWindowOnItsScreen) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.resize(300, available.height() + 200);
    window.move(-77, available.bottom() - 50);
    KeepOnScreen(window);
    window.show();
    auto inside = [&] {
        return available.contains(window.geometry().marginsAdded(FrameMargins(window)));
    };
    EXPECT_TRUE(inside()) << window.geometry().x() << "," << window.geometry().y();
    window.move(available.right() - 10, available.top() - 40);
    KeepOnScreen(window);
    EXPECT_TRUE(inside());
}

} // namespace
} // namespace qvr
