#include "ui/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>

namespace qvr {

namespace {
constexpr int kMargin = 4; // pixels left of the text, as a text box leaves
} // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollBars();
}

void LogView::appendPlainText(const QString& line) {
    lines_.push_back(line);
    // Measured only when a line is longer than all before: most appends cost
    // no text layout at all.
    if (line.size() > widestChars_) {
        widestChars_ = static_cast<int>(line.size());
        widestPixels_ = std::max(widestPixels_, fontMetrics().horizontalAdvance(line));
    }
    const int dropped = Trim();
    // A hidden log only keeps the line; showing it brings the view up to date.
    if (isVisible()) Rescroll(dropped);
}

QString LogView::toPlainText() const {
    QStringList all;
    all.reserve(lineCount());
    for (const QString& l : lines_)
        all.append(l);
    return all.join('\n');
}

void LogView::setMaximumLineCount(int lines) {
    maxLines_ = std::max(0, lines);
    Rescroll(Trim());
}

// Fits the scroll bars to the lines after `dropped` oldest ones went: a view
// at the end stays at the end, any other on the lines it showed.
void LogView::Rescroll(int dropped) {
    QScrollBar* down = verticalScrollBar();
    const int top = down->value();
    const bool following = top >= down->maximum();
    UpdateScrollBars();
    down->setValue(following ? down->maximum() : top - dropped);
    viewport()->update();
}

// Drops the oldest lines beyond the cap, keeping the selection on the same
// lines; returns how many went.
int LogView::Trim() {
    if (maxLines_ <= 0 || lineCount() <= maxLines_) return 0;
    const int dropped = lineCount() - maxLines_;
    lines_.erase(lines_.begin(), lines_.begin() + dropped);
    if (anchor_ >= 0) {
        anchor_ -= dropped;
        cursor_ -= dropped;
        if (std::max(anchor_, cursor_) < 0) {
            anchor_ = cursor_ = -1; // every selected line has gone
        } else {
            anchor_ = std::max(anchor_, 0);
            cursor_ = std::max(cursor_, 0);
        }
    }
    return dropped;
}

int LogView::LineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int LogView::RowAt(int y) const {
    const int row = verticalScrollBar()->value() + (y - kMargin / 2) / LineHeight();
    return std::clamp(row, 0, std::max(0, lineCount() - 1));
}

void LogView::UpdateScrollBars() {
    const int rows = std::max(1, (viewport()->height() - kMargin / 2) / LineHeight());
    QScrollBar* down = verticalScrollBar();
    down->setPageStep(rows);
    down->setRange(0, std::max(0, lineCount() - rows));
    QScrollBar* across = horizontalScrollBar();
    const int width = viewport()->width();
    across->setPageStep(std::max(1, width));
    across->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    across->setRange(0, std::max(0, widestPixels_ + 2 * kMargin - width));
}

void LogView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int height = LineHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min(lineCount() - 1, first + viewport()->height() / height + 1);
    const int selFirst = selectionFirst();
    const int selLast = selectionLast();
    const int x = kMargin - horizontalScrollBar()->value();
    const int ascent = fontMetrics().ascent();
    const QPalette& pal = palette();
    for (int row = first; row <= last; ++row) {
        const int top = kMargin / 2 + (row - first) * height;
        const bool selected = selFirst >= 0 && row >= selFirst && row <= selLast;
        if (selected) p.fillRect(0, top, viewport()->width(), height, pal.highlight());
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        p.drawText(x, top + ascent, line(row));
    }
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Rescroll(0);
}

// Opens on the newest lines, each shown from its start.
void LogView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    UpdateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        widestPixels_ = 0;
        const QFontMetrics fm = fontMetrics();
        for (const QString& l : lines_)
            if (l.size() >= widestChars_)
                widestPixels_ = std::max(widestPixels_, fm.horizontalAdvance(l));
        UpdateScrollBars();
    }
    QAbstractScrollArea::changeEvent(event);
}

int LogView::selectionFirst() const {
    return anchor_ < 0 ? -1 : std::min(anchor_, cursor_);
}

int LogView::selectionLast() const {
    return anchor_ < 0 ? -1 : std::max(anchor_, cursor_);
}

QString LogView::selectedText() const {
    QStringList picked;
    for (int row = selectionFirst(); row >= 0 && row <= selectionLast(); ++row)
        picked.append(line(row));
    return picked.join('\n');
}

void LogView::selectAll() {
    if (lines_.empty()) return;
    anchor_ = 0;
    cursor_ = lineCount() - 1;
    viewport()->update();
}

void LogView::copy() const {
    if (selectionFirst() >= 0) QApplication::clipboard()->setText(selectedText());
}

void LogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || lines_.empty()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const int row = RowAt(event->position().toPoint().y());
    if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = row;
    cursor_ = row;
    viewport()->update();
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0) return;
    const int y = event->position().toPoint().y();
    QScrollBar* down = verticalScrollBar();
    // Dragging past an edge scrolls on, a line at a time.
    if (y < 0) down->setValue(down->value() - 1);
    if (y > viewport()->height()) down->setValue(down->value() + 1);
    cursor_ = RowAt(y);
    viewport()->update();
}

void LogView::mouseReleaseEvent(QMouseEvent* event) {
    event->setAccepted(event->button() == Qt::LeftButton);
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->key() == Qt::Key_Home) {
        verticalScrollBar()->setValue(0);
    } else if (event->key() == Qt::Key_End) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("コピー"), this, &LogView::copy);
    copyAction->setEnabled(selectionFirst() >= 0);
    menu.addAction(tr("すべて選択"), this, &LogView::selectAll)->setEnabled(!lines_.empty());
    menu.exec(event->globalPos());
}

} // namespace qvr
