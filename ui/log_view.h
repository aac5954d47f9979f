#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <deque>

namespace qvr {

// A read-only log of one-line entries that stays cheap at any size: lines are
// kept as plain strings, up to a cap, and only the rows in view are painted.
// An append costs no text layout, so a log left on for a working day neither
// slows the program nor fills its memory. Whole lines can be selected and copied.
class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    // Adds a line at the end; beyond the cap the oldest lines go. The view
    // follows the end only while it is scrolled to the end.
    void appendPlainText(const QString& line);
    // The lines joined by '\n', as a multi-line text would give them.
    QString toPlainText() const;
    int lineCount() const { return static_cast<int>(lines_.size()); }
    const QString& line(int row) const { return lines_[static_cast<std::size_t>(row)]; }

    int maximumLineCount() const { return maxLines_; }
    void setMaximumLineCount(int lines);

    // The selected lines as rows first..last, or -1 when none is selected.
    int selectionFirst() const;
    int selectionLast() const;
    QString selectedText() const;
    void selectAll();
    void copy() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int LineHeight() const;
    int RowAt(int y) const;
    int Trim();
    void Rescroll(int dropped);
    void UpdateScrollBars();

    std::deque<QString> lines_;
    int maxLines_ = 0; // 0: no cap
    int widestChars_ = 0;
    int widestPixels_ = 0;
    int anchor_ = -1; // selection: the row it started at and the row it reaches
    int cursor_ = -1;
};

} // namespace qvr
