// Every window opens and reopens inside the screen, with its buttons in sight.
#include "../local_state.h"
#include "app/main_form.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"
#include "settings/sys_set_form.h"
#include "ui/window_fit.h"
#include "viewer/viewer_form.h"
#include "write/write_form.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace qvr {
namespace {

class WindowPlacementTest : public ::testing::Test, protected test::LocalState {
protected:
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    AppContext ctx = Context(clock);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();

    bool Inside(const QWidget& window) const {
        return available.contains(window.geometry().marginsAdded(FrameMargins(window)));
    }
    // Whether a control lies wholly within its window's client area.
    static bool InSight(const QWidget& control) {
        const QWidget* window = control.window();
        const QRect r(control.mapTo(window, QPoint(0, 0)), control.size());
        return control.isVisible() && window->rect().contains(r);
    }
};

TEST_F(WindowPlacementTest, EachWindowOpensAndReopensInsideTheScreen) {
    TMainForm main(ctx);
    TSysSetForm settings(ctx);
    TWriteForm writer(ctx);
    TMonForm monitor(ctx);
    ViewerForm viewer;
    main.MainTimer->stop();
    QWidget* const windows[] = {&main, &settings, &writer, &monitor, &main.Link(), &viewer};
    // Off each edge, larger than the screen, and the title bar above the top.
    const std::function<void(QWidget&)> places[] = {
        [](QWidget&) {}, // as it opens
        [&](QWidget& w) { w.move(-77, available.center().y()); },
        [&](QWidget& w) { w.move(available.right() - 20, available.bottom() - 20); },
        [&](QWidget& w) { w.setGeometry(available.adjusted(-40, -10, 300, 400)); },
        [&](QWidget& w) { w.move(available.left(), available.top()); },
    };
    for (QWidget* w : windows)
        for (std::size_t p = 0; p < std::size(places); ++p) {
            places[p](*w);
            w->show();
            const QRect g = w->geometry().marginsAdded(FrameMargins(*w));
            EXPECT_TRUE(Inside(*w))
                << w->objectName().toStdString() << " place " << p << ": " << g.x() << "," << g.y()
                << " " << g.width() << "x" << g.height();
            w->hide();
        }
}

// A window taller than the screen scrolls its body; OK and cancel stay in sight.
TEST_F(WindowPlacementTest, TheSettingsWindowKeepsItsButtonsOnALowScreen) {
    TSysSetForm settings(ctx);
    settings.resize(settings.width(), available.height() + 300);
    settings.show();
    EXPECT_TRUE(Inside(settings));
    EXPECT_TRUE(InSight(*settings.BBOk));
    EXPECT_TRUE(InSight(*settings.BBCancel));
}

} // namespace
} // namespace qvr
