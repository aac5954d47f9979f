#include "ui/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace qvr {
namespace {

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 120);
        view.show();
        QApplication::processEvents();
    }
    void Append(int from, int to) {
        for (int i = from; i < to; ++i)
            view.appendPlainText(QString("line %1").arg(i));
    }
    int Rows() const { return view.verticalScrollBar()->pageStep(); }
    // The y of a row's middle, counted from the top of the view.
    int RowY(int visibleRow) const {
        return 2 + visibleRow * view.fontMetrics().lineSpacing() +
               view.fontMetrics().lineSpacing() / 2;
    }
    LogView view;
};

TEST_F(LogViewTest, KeepsTheNewestLinesUpToItsCap) {
    view.setMaximumLineCount(5);
    Append(0, 8);
    EXPECT_EQ(view.lineCount(), 5);
    EXPECT_EQ(view.toPlainText(), "line 3\nline 4\nline 5\nline 6\nline 7");
    // A lower cap drops the oldest at once.
    view.setMaximumLineCount(2);
    EXPECT_EQ(view.toPlainText(), "line 6\nline 7");
}

TEST_F(LogViewTest, FollowsTheEndOnlyWhileScrolledToIt) {
    Append(0, 50);
    QScrollBar* down = view.verticalScrollBar();
    ASSERT_GT(down->maximum(), 0);
    EXPECT_EQ(down->value(), down->maximum());
    Append(50, 60);
    EXPECT_EQ(down->value(), down->maximum());
    EXPECT_EQ(down->maximum(), 60 - Rows());
    down->setValue(10);
    Append(60, 70);
    EXPECT_EQ(down->value(), 10);
}

TEST_F(LogViewTest, DroppedLinesLeaveTheViewAndTheSelectionOnTheSameLines) {
    view.setMaximumLineCount(40);
    Append(0, 40);
    QScrollBar* down = view.verticalScrollBar();
    down->setValue(20);
    // Select the first two lines in view: "line 20" and "line 21".
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, RowY(0)));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, RowY(1)));
    ASSERT_EQ(view.selectedText(), "line 20\nline 21");
    Append(40, 45);
    EXPECT_EQ(down->value(), 15);
    EXPECT_EQ(view.line(down->value()), "line 20");
    EXPECT_EQ(view.selectedText(), "line 20\nline 21");
    // Once the selected lines have gone, nothing is selected.
    Append(45, 70);
    EXPECT_EQ(view.selectionFirst(), -1);
    EXPECT_EQ(view.selectedText(), "");
}

TEST_F(LogViewTest, SelectedLinesAreCopiedWhole) {
    Append(0, 3);
    view.verticalScrollBar()->setValue(0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(10, RowY(1)));
    QTest::mouseMove(view.viewport(), QPoint(10, RowY(2)));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(10, RowY(2)));
    QTest::keySequence(&view, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "line 1\nline 2");
    QTest::keySequence(&view, QKeySequence::SelectAll);
    QTest::keySequence(&view, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "line 0\nline 1\nline 2");
}

TEST_F(LogViewTest, LongLinesAreShownFromTheirStarts) {
    view.appendPlainText(QString(200, 'x'));
    QScrollBar* across = view.horizontalScrollBar();
    EXPECT_GT(across->maximum(), 0);
    EXPECT_EQ(across->value(), 0);
    view.hide();
    across->setValue(across->maximum());
    view.show();
    EXPECT_EQ(across->value(), 0);
}

} // namespace
} // namespace qvr
