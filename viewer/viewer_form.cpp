#include "viewer/viewer_form.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "records/record_csv.h"
#include "records/record_texts.h"
#include "ui/language.h"
#include "viewer/column_text.h"

#include "ui/plot.h"
#include "ui/window_fit.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace qvr {

namespace {

const QColor kWindColor(0, 70, 200);
const QColor kBandColor(120, 160, 235);
const QColor kAirColor(210, 40, 40);
const QColor kOtherColors[] = {QColor(0, 140, 60), QColor(150, 60, 170), QColor(200, 120, 0),
                               QColor(0, 140, 150), QColor(110, 110, 110)};
const char* const kKindPatterns[] = {"RT_*.RCD", "RT_*.csv"};

// A line that may come as each pixel's extremes (pairs of points at one
// time): those are drawn as one run a pixel column, joined to the column
// before as the zigzag stroke would be. A month's tall envelope then costs a
// rectangle fill a column, not a stroke plotted pixel by pixel.
class ExtremesGraph : public QCPGraph {
public:
    using QCPGraph::QCPGraph;
    void SetExtremes(bool on) { extremes_ = on; }

protected:
    void draw(QCPPainter* painter) override {
        if (!extremes_ || !keyAxis() || !valueAxis() ||
            keyAxis()->orientation() != Qt::Horizontal || pen().style() == Qt::NoPen) {
            QCPGraph::draw(painter);
            return;
        }
        columns_.clear();
        runs_.clear();
        // Pixels are kept near the axis rectangle (what is outside is clipped
        // anyway): a reading far off the scale must not overflow an int.
        const QRect area = keyAxis()->axisRect()->rect();
        const auto pixel = [](double coord, int low, int high) {
            return static_cast<int>(std::floor(std::clamp(coord, low - 2.0, high + 2.0)));
        };
        bool joined = false;
        int lastTop = 0, lastBottom = 0;
        for (auto it = data()->constBegin(); it != data()->constEnd(); ++it) {
            if (std::isnan(it->value)) {
                joined = false;
                continue;
            }
            double lo = it->value, hi = it->value;
            const auto next = it + 1;
            if (next != data()->constEnd() && next->key == it->key && !std::isnan(next->value)) {
                lo = std::min(lo, next->value);
                hi = std::max(hi, next->value);
                ++it;
            }
            // The key is a pixel column's middle: its left edge names it.
            const int x = pixel(keyAxis()->coordToPixel(it->key), area.left(), area.right());
            int top = pixel(valueAxis()->coordToPixel(hi) + 0.5, area.top(), area.bottom());
            int bottom = pixel(valueAxis()->coordToPixel(lo) + 0.5, area.top(), area.bottom());
            if (top > bottom) std::swap(top, bottom); // a reversed axis
            const int ownTop = top, ownBottom = bottom;
            if (joined) {
                top = std::min(top, lastBottom);
                bottom = std::max(bottom, lastTop);
            }
            columns_.push_back({x, top, bottom});
            joined = true;
            lastTop = ownTop;
            lastBottom = ownBottom;
        }
        Cover(columns_, 3);
        // One call: the raster engine sets up its fill once for all columns.
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(pen().color());
        painter->drawRects(runs_.constData(), static_cast<int>(runs_.size()));
        painter->restore();
    }

private:
    struct Column {
        int X, Top, Bottom;
    };

    // The columns as rectangles: neighbours share the rows all of them cover
    // as one wide rectangle (a scanline span each row), and keep only what
    // sticks out above or below it as their own.
    void Cover(const std::vector<Column>& columns, int depth) {
        const std::size_t n = columns.size();
        std::vector<Column> above, below;
        for (std::size_t i = 0; i < n;) {
            int top = columns[i].Top, bottom = columns[i].Bottom;
            std::size_t j = i + 1;
            for (; depth > 0 && j < n && columns[j].X == columns[j - 1].X + 1; ++j) {
                const int t = std::max(top, columns[j].Top);
                const int b = std::min(bottom, columns[j].Bottom);
                if (8 * (b - t) < 7 * (bottom - top)) break; // the shared part would shrink
                top = t;
                bottom = b;
            }
            runs_.append(QRect(columns[i].X, top, static_cast<int>(j - i), bottom - top + 1));
            for (std::size_t k = i; k < j; ++k) {
                const Column& c = columns[k];
                if (c.Top < top) above.push_back({c.X, c.Top, top - 1});
                if (c.Bottom > bottom) below.push_back({c.X, bottom + 1, c.Bottom});
            }
            i = j;
        }
        // What sticks out is the edge of the envelope: shared the same way.
        if (!above.empty()) Cover(above, depth - 1);
        if (!below.empty()) Cover(below, depth - 1);
    }

    bool extremes_ = false;
    std::vector<Column> columns_;
    QList<QRect> runs_;
};

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// A day file of a folder, and why it cannot be read (empty when it can).
struct DayFile {
    QString Path;
    QString Problem;
};

// A message of the reader in the interface's language; "" stays "".
QString ReaderText(const std::string& message) {
    return TranslatePieces(message, record_text::kContext, record_text::kPieces);
}

// The record files of a folder (of the chosen kind), sorted by name, i.e. by
// day; one that cannot be read is listed too, with the reason.
std::vector<DayFile> DayFiles(const QString& folder, int kind) {
    QDir dir(folder);
    std::vector<DayFile> out;
    for (const QString& name : dir.entryList(
             {kKindPatterns[kind]}, QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot,
             QDir::Name)) {
        if (RecordFileDate(name.toStdString()) <= 0) continue;
        const QString path = dir.filePath(name);
        out.push_back({path, ReaderText(RecordFileProblem(path.toStdString()))});
    }
    return out;
}

// A day's tooltip: its path, or why it cannot be read.
QString DayTip(const DayFile& day) {
    return day.Problem.isEmpty() ? QDir::toNativeSeparators(day.Path) : day.Problem;
}

QStringList ReadableDayFiles(const QString& folder, int kind) {
    QStringList out;
    for (const DayFile& day : DayFiles(folder, kind))
        if (day.Problem.isEmpty()) out.append(day.Path);
    return out;
}

// The readout beside the chart: a line for each channel drawn, each cut to
// the panel's fixed width, the whole lines in its tooltip. No value, however
// long, can widen the window.
class ReadoutLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetLines(const QStringList& lines, const QStringList& whole) {
        lines_ = lines;
        setToolTip(whole.join('\n'));
        Elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() {
        QStringList shown;
        const int width = std::max(1, contentsRect().width());
        for (const QString& line : lines_)
            shown.append(fontMetrics().elidedText(line, Qt::ElideRight, width));
        const QString text = shown.join('\n');
        if (text != this->text()) setText(text);
    }

    QStringList lines_;
};

// The maximum and minimum of the statistics as the rows in view hold them: the
// cell of the first row giving each (a minute's own extreme, else the value).
std::pair<QString, QString> ExtremeTexts(const RecordView& view, int column, TDateTime from,
                                         TDateTime to, double max, double min) {
    const RecordColumn& c = view.Data().Columns[static_cast<std::size_t>(column)];
    QString maxText, minText;
    for (std::size_t r = view.Lower(from), end = view.Upper(to);
         r < end && (maxText.isEmpty() || minText.isEmpty()); ++r) {
        const bool band = r < c.Max.size() && !std::isnan(c.Max[r]);
        const float hi = band ? c.Max[r] : c.Avg[r], lo = band ? c.Min[r] : c.Avg[r];
        if (maxText.isEmpty() && static_cast<double>(hi) == max)
            maxText = ShownCell(c, band ? 1 : 0, r);
        if (minText.isEmpty() && static_cast<double>(lo) == min)
            minText = ShownCell(c, band ? 2 : 0, r);
    }
    const int decimals = ChannelDecimals(c.Name);
    if (maxText.isEmpty()) maxText = QString::fromStdString(DecimalText(max, decimals));
    if (minText.isEmpty()) minText = QString::fromStdString(DecimalText(min, decimals));
    return {maxText, minText};
}

void FitAxis(QCPAxis* axis, const QList<QCPGraph*>& graphs) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (QCPGraph* g : graphs) {
        if (!g->visible()) continue;
        for (const QCPGraphData& d : *g->data()) {
            if (!std::isfinite(d.value)) continue;
            lo = std::min(lo, d.value);
            hi = std::max(hi, d.value);
        }
    }
    if (!(hi >= lo)) return;
    const double pad = std::max(0.5, (hi - lo) * 0.06);
    axis->setRange(lo - pad, hi + pad);
}

} // namespace

// What the worker thread reads and hands back. The window reads the result only
// after the thread has finished.
struct ViewerForm::Job {
    QStringList files;
    std::atomic<bool> cancel{false};
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    bool reload = false; // the same files again: the span in view stays
    std::shared_ptr<RecordView> result;
};

ViewerForm::ViewerForm(QWidget* parent, const Clock& clock)
    : QWidget(parent, Qt::Window), clock_(clock) {
    setObjectName("ViewerForm");
    KeepOnScreenWhenShown(*this);
    setWindowTitle(tr("記録ビューア"));
    BuildControls();
    resize(1000, 620);
}

ViewerForm::~ViewerForm() {
    if (thread_) {
        job_->cancel = true;
        thread_->wait();
        delete thread_;
    }
}

void ViewerForm::BuildControls() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);

    auto* side = new QVBoxLayout;
    CBViewKind = new QComboBox(this);
    CBViewKind->setObjectName("CBViewKind");
    CBViewKind->addItems({tr("分記録 (.RCD)"), tr("秒記録 (.csv)")});
    LBViewDays = new QListWidget(this);
    LBViewDays->setObjectName("LBViewDays");
    LBViewDays->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LBViewDays->setToolTip(tr("Shift や Ctrl で複数の日を選ぶと、続けて表示します"));
    BBViewFolder = new QPushButton(tr("フォルダを開く..."), this);
    BBViewFolder->setObjectName("BBViewFolder");
    BBViewFiles = new QPushButton(tr("ファイルを開く..."), this);
    BBViewFiles->setObjectName("BBViewFiles");
    LBViewChannels = new QListWidget(this);
    LBViewChannels->setObjectName("LBViewChannels");
    side->addWidget(new QLabel(tr("記録の日"), this));
    side->addWidget(CBViewKind);
    side->addWidget(LBViewDays, 3);
    side->addWidget(BBViewFolder);
    side->addWidget(BBViewFiles);
    side->addWidget(new QLabel(tr("ほかに表示するチャンネル"), this));
    side->addWidget(LBViewChannels, 2);
    auto* sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setFixedWidth(
        std::max(fontMetrics().horizontalAdvance(tr("ほかに表示するチャンネル")) + 30,
                 CBViewKind->sizeHint().width() + side->contentsMargins().left() +
                     side->contentsMargins().right()));
    row->addWidget(sideBox);

    auto* main = new QVBoxLayout;
    auto* tools = new QHBoxLayout;
    BBViewReload = new QPushButton(tr("再読み込み"), this);
    BBViewReload->setObjectName("BBViewReload");
    CBViewFollow = new QCheckBox(tr("追従"), this);
    CBViewFollow->setObjectName("CBViewFollow");
    CBViewFollow->setToolTip(tr("記録中のファイルが増えたら読み直します"));
    BBViewAll = new QPushButton(tr("全体表示"), this);
    BBViewAll->setObjectName("BBViewAll");
    BBViewPng = new QPushButton(tr("PNG 保存..."), this);
    BBViewPng->setObjectName("BBViewPng");
    BBViewCsv = new QPushButton(tr("CSV 保存..."), this);
    BBViewCsv->setObjectName("BBViewCsv");
    PBViewLoad = new QProgressBar(this);
    PBViewLoad->setObjectName("PBViewLoad");
    PBViewLoad->setRange(0, 1000);
    PBViewLoad->setTextVisible(false);
    PBViewLoad->setMaximumWidth(160);
    PBViewLoad->hide();
    for (QWidget* w : {static_cast<QWidget*>(BBViewReload), static_cast<QWidget*>(CBViewFollow),
                       static_cast<QWidget*>(BBViewAll), static_cast<QWidget*>(BBViewPng),
                       static_cast<QWidget*>(BBViewCsv)})
        tools->addWidget(w);
    tools->addStretch(1);
    tools->addWidget(PBViewLoad);
    main->addLayout(tools);

    ViewerChart = new QCustomPlot(this);
    ViewerChart->setObjectName("ViewerChart");
    ViewerChart->setMinimumSize(400, 250);
    // Nothing is drawn on the overlay layer; as a layer of its own it would
    // cost a second full-size buffer to clear and blend at every redraw.
    ViewerChart->layer("overlay")->setMode(QCPLayer::lmLogical);
    ViewerChart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    ViewerChart->axisRect()->setRangeDrag(Qt::Horizontal);
    ViewerChart->axisRect()->setRangeZoom(Qt::Horizontal);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    // Keys are the files' own wall-clock times: labels show them unshifted.
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setDateTimeFormat("MM/dd\nhh:mm:ss");
    ViewerChart->xAxis->setTicker(ticker);
    ViewerChart->yAxis->setLabel(tr("風速 (m/s)"));
    tempAxis_ = ViewerChart->yAxis2;
    tempAxis_->setVisible(true);
    tempAxis_->setLabel(tr("気温 (℃)"));
    tempAxis_->setLabelColor(kAirColor);
    tempAxis_->setTickLabelColor(kAirColor);
    otherAxis_ = ViewerChart->axisRect()->addAxis(QCPAxis::atRight);
    otherAxis_->setVisible(false);
    windMax_ = ViewerChart->addGraph(ViewerChart->xAxis, ViewerChart->yAxis);
    windMin_ = ViewerChart->addGraph(ViewerChart->xAxis, ViewerChart->yAxis);
    for (QCPGraph* g : {windMax_, windMin_})
        g->setPen(QPen(kBandColor, 1));
    QColor fill = kBandColor;
    fill.setAlpha(70);
    windMax_->setBrush(fill);
    windMax_->setChannelFillGraph(windMin_);
    windMax_->setName(tr("風速（最大・最小）"));
    wind_ = new ExtremesGraph(ViewerChart->xAxis, ViewerChart->yAxis);
    // One-pixel lines: a wider or fractional pen takes the raster engine's
    // stroker, which costs a hundred times more on a dense line.
    wind_->setPen(QPen(kWindColor, 1));
    wind_->setName(tr("風速"));
    airGraph_ = new ExtremesGraph(ViewerChart->xAxis, tempAxis_);
    airGraph_->setPen(QPen(kAirColor, 1));
    airGraph_->setName(tr("気温"));
    for (QCPGraph* g : {windMax_, windMin_, wind_, airGraph_})
        g->setAdaptiveSampling(false); // the lines come decimated already
    // The wind comes as each pixel's extremes: pixel-aligned, and far cheaper
    // to draw without antialiasing.
    for (QCPGraph* g : {windMax_, windMin_, wind_})
        g->setAntialiased(false);
    // The legend goes under the chart, three entries a row: with many channels
    // ticked it would cover the lines; the exported picture keeps it.
    QCPLegend* legend = ViewerChart->legend;
    ViewerChart->axisRect()->insetLayout()->take(legend);
    ViewerChart->axisRect()->insetLayout()->simplify();
    ViewerChart->plotLayout()->addElement(1, 0, legend);
    ViewerChart->plotLayout()->setRowStretchFactor(1, 0.001);
    legend->setVisible(true);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setWrap(3);
    legend->setBorderPen(Qt::NoPen);
    legend->setMargins(QMargins(4, 0, 4, 2));
    legend->setColumnSpacing(12);
    legend->setRowSpacing(0);
    windMin_->removeFromLegend(); // the band has one entry
    cursor_ = new QCPItemStraightLine(ViewerChart);
    cursor_->setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
    cursor_->setVisible(false);
    auto* chartRow = new QHBoxLayout;
    chartRow->addWidget(ViewerChart, 1);

    LViewCursor = new ReadoutLabel(this);
    LViewCursor->setObjectName("LViewCursor");
    LViewCursor->setTextFormat(Qt::PlainText);
    LViewCursor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LViewCursor->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Room for a name and its value; the rest is cut.
    LViewCursor->setFixedWidth(fontMetrics().horizontalAdvance(QString(24, QChar('0'))));
    LViewCursor->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    chartRow->addWidget(LViewCursor);
    main->addLayout(chartRow, 1);

    PViewStats = new QLabel(this);
    PViewStats->setObjectName("PViewStats");
    PViewStats->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PViewStats->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LViewMessage = new QLabel(this);
    LViewMessage->setObjectName("LViewMessage");
    LViewMessage->setWordWrap(true);
    // Long texts wrap or are cut, never widen the window; the tooltip keeps them whole.
    for (QLabel* l : {PViewStats, LViewMessage}) {
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        l->setWordWrap(true);
    }
    QPalette warn = LViewMessage->palette();
    warn.setColor(QPalette::WindowText, QColor(192, 0, 0));
    LViewMessage->setPalette(warn);
    LViewMessage->hide();
    main->addWidget(LViewCursor);
    main->addWidget(PViewStats);
    main->addWidget(LViewMessage);
    row->addLayout(main, 1);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (!job_) return;
        // Only a read that takes a while shows that it runs: a day comes
        // quicker than a progress bar could flash.
        if (PBViewLoad->isHidden()) {
            PBViewLoad->show();
            setCursor(Qt::BusyCursor);
        }
        const double total = static_cast<double>(std::max<std::uint64_t>(job_->total, 1));
        PBViewLoad->setValue(static_cast<int>(1000.0 * static_cast<double>(job_->done) / total));
    });
    followTimer_ = new QTimer(this);
    followTimer_->setInterval(2000);
    connect(followTimer_, &QTimer::timeout, this, &ViewerForm::FollowTick);
    // The watcher tells of new days at once where the file system can; the
    // look once a minute covers the others (network folders).
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &ViewerForm::FolderChanged);
    folderTimer_ = new QTimer(this);
    folderTimer_->setInterval(60 * 1000);
    connect(folderTimer_, &QTimer::timeout, this, &ViewerForm::FolderChanged);

    connect(CBViewKind, &QComboBox::currentIndexChanged, this, [this] {
        ListDays();
        if (LBViewDays->selectedItems().isEmpty() && LBViewDays->count() > 0)
            LBViewDays->setCurrentRow(LBViewDays->count() - 1,
                                      QItemSelectionModel::ClearAndSelect); // loads the newest
        else
            LoadSelectedDays();
    });
    connect(LBViewDays, &QListWidget::itemSelectionChanged, this, &ViewerForm::LoadSelectedDays);
    connect(LBViewChannels, &QListWidget::itemChanged, this, &ViewerForm::ChannelsChanged);
    connect(BBViewFolder, &QPushButton::clicked, this, &ViewerForm::BBViewFolderClick);
    connect(BBViewFiles, &QPushButton::clicked, this, &ViewerForm::BBViewFilesClick);
    connect(BBViewReload, &QPushButton::clicked, this, &ViewerForm::Reload);
    connect(CBViewFollow, &QCheckBox::toggled, this,
            [this](bool on) { on ? followTimer_->start() : followTimer_->stop(); });
    connect(BBViewAll, &QPushButton::clicked, this, &ViewerForm::ShowAll);
    connect(BBViewPng, &QPushButton::clicked, this, &ViewerForm::BBViewPngClick);
    connect(BBViewCsv, &QPushButton::clicked, this, &ViewerForm::BBViewCsvClick);
    connect(ViewerChart->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &ViewerForm::Refresh);
    connect(ViewerChart, &QCustomPlot::mouseDoubleClick, this, &ViewerForm::ShowAll);
    connect(ViewerChart, &QCustomPlot::mouseMove, this, &ViewerForm::ShowCursor);
}

// --- Files and loading -----------------------------------------------------------

void ViewerForm::OpenFolder(const QString& folder) {
    folder_ = folder;
    notFound_.clear();
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    watcher_->addPath(folder);
    folderTimer_->start();
    UseKindFound(folder);
    ListDays();
    if (LBViewDays->count() == 0) {
        ShowMessage(folderProblem_.isEmpty()
                        ? tr("%1 に記録ファイルがありません").arg(QDir::toNativeSeparators(folder))
                        : folderProblem_);
        return;
    }
    LBViewDays->setCurrentRow(LBViewDays->count() - 1,
                              QItemSelectionModel::ClearAndSelect); // the newest day
}

void ViewerForm::FolderChanged() {
    if (folder_.isEmpty()) return;
    const bool hadDays = LBViewDays->count() > 0;
    if (!hadDays) UseKindFound(folder_);
    ListDays();
    if (!hadDays && LBViewDays->count() > 0 && files_.isEmpty()) {
        LBViewDays->setCurrentRow(LBViewDays->count() - 1,
                                  QItemSelectionModel::ClearAndSelect); // the first day recorded
        return;
    }
    if (LBViewDays->count() == 0 && files_.isEmpty())
        ShowMessage(folderProblem_.isEmpty()
                        ? tr("%1 に記録ファイルがありません").arg(QDir::toNativeSeparators(folder_))
                        : folderProblem_);
}

void ViewerForm::OpenPaths(const QStringList& paths) {
    QStringList files;
    QStringList missing;
    for (const QString& p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            if (folder_.isEmpty()) folder_ = info.absoluteFilePath();
            UseKindFound(info.absoluteFilePath());
            files += ReadableDayFiles(info.absoluteFilePath(), CBViewKind->currentIndex());
        } else if (info.exists()) {
            if (folder_.isEmpty()) folder_ = info.absolutePath();
            files.append(info.absoluteFilePath());
        } else {
            missing.append(p);
        }
    }
    {
        const QSignalBlocker block(LBViewDays);
        ListDays();
    }
    notFound_ = missing.isEmpty() ? QString() : tr("見つかりません: ") + missing.join(", ");
    if (files.isEmpty()) {
        ShowMessage(missing.isEmpty() ? tr("記録ファイルがありません") : notFound_);
        return;
    }
    ShowMessage(notFound_);
    Load(files);
}

// A folder with second files only (or minute files only) shows those.
void ViewerForm::UseKindFound(const QString& folder) {
    const int kind = CBViewKind->currentIndex();
    if (DayFiles(folder, kind).empty() && !DayFiles(folder, 1 - kind).empty()) {
        const QSignalBlocker block(CBViewKind);
        CBViewKind->setCurrentIndex(1 - kind);
    }
}

void ViewerForm::ListDays() {
    const QSignalBlocker block(LBViewDays);
    folderProblem_.clear();
    const std::vector<DayFile> days =
        folder_.isEmpty() ? std::vector<DayFile>() : DayFiles(folder_, CBViewKind->currentIndex());
    if (!folder_.isEmpty()) folderProblem_ = ReaderText(RecordFolderProblem(folder_.toStdString()));
    // The same days as listed: the list, its current row and its scrolling stay.
    bool same = static_cast<int>(days.size()) == LBViewDays->count();
    for (std::size_t i = 0; same && i < days.size(); ++i) {
        const QListWidgetItem* item = LBViewDays->item(static_cast<int>(i));
        same = item->data(Qt::UserRole).toString() == days[i].Path &&
               item->toolTip() == DayTip(days[i]);
    }
    if (same) {
        for (int i = 0; i < LBViewDays->count(); ++i)
            LBViewDays->item(i)->setSelected(
                files_.contains(LBViewDays->item(i)->data(Qt::UserRole).toString()));
        return;
    }
    const int scroll = LBViewDays->verticalScrollBar()->value();
    LBViewDays->clear();
    for (const DayFile& file : days) {
        const TDateTime day = RecordFileDate(QFileInfo(file.Path).fileName().toStdString());
        const QString date = Text(FormatDateTime("yyyy/mm/dd", day));
        auto* item = new QListWidgetItem(
            file.Problem.isEmpty() ? date : tr("%1 読めません").arg(date), LBViewDays);
        item->setData(Qt::UserRole, file.Path);
        item->setToolTip(DayTip(file));
        if (!file.Problem.isEmpty()) item->setForeground(QColor(192, 0, 0));
        item->setSelected(files_.contains(file.Path));
    }
    LBViewDays->verticalScrollBar()->setValue(scroll);
}

void ViewerForm::LoadSelectedDays() {
    notFound_.clear();
    QStringList files;
    for (int i = 0; i < LBViewDays->count(); ++i)
        if (LBViewDays->item(i)->isSelected())
            files.append(LBViewDays->item(i)->data(Qt::UserRole).toString());
    if (!files.isEmpty()) Load(files);
}

void ViewerForm::Load(const QStringList& files) {
    if (thread_) {
        // The newest request wins; the running read stops early.
        pending_ = files;
        job_->cancel = true;
        return;
    }
    job_ = std::make_shared<Job>();
    job_->files = files;
    job_->reload = files == files_;
    files_ = files;
    stamp_ = FileStamp();
    std::shared_ptr<Job> job = job_;
    const std::uint64_t budget = memoryBudget_;
    thread_ = QThread::create([job, budget] {
        std::vector<std::string> paths;
        std::uint64_t total = 0;
        for (const QString& f : job->files) {
            paths.push_back(f.toStdString());
            total += static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(f).size(), 0));
        }
        job->total = total;
        // The day files side by side, each once, within the session's memory.
        RecordBudget memory(budget);
        RecordReadOptions options;
        options.Budget = &memory;
        options.Cancel = &job->cancel;
        options.Done = &job->done;
        RecordData all = ReadRecordFiles(paths, options);
        // A window closing does not wait for the view of rows it will not show.
        job->result = std::make_shared<RecordView>(job->cancel ? RecordData() : std::move(all));
    });
    connect(thread_, &QThread::finished, this, &ViewerForm::LoadDone);
    PBViewLoad->setValue(0);
    progressTimer_->start();
    thread_->start();
}

void ViewerForm::LoadDone() {
    thread_->deleteLater();
    thread_ = nullptr;
    progressTimer_->stop();
    if (!PBViewLoad->isHidden()) {
        PBViewLoad->hide();
        unsetCursor();
    }
    std::shared_ptr<Job> job = std::move(job_);
    if (!pending_.isEmpty()) {
        const QStringList next = std::exchange(pending_, {});
        Load(next);
        return;
    }
    std::shared_ptr<RecordView> fresh = job->result;
    QStringList errors;
    if (!notFound_.isEmpty()) errors.append(notFound_);
    for (const std::string& e : fresh->Data().Errors)
        errors.append(ReaderText(e));
    // A reload that finds nothing (the file vanished) keeps what is shown.
    if (fresh->Empty() && view_ && !view_->Empty()) {
        ShowMessage(errors.join('\n'));
        Q_EMIT Loaded();
        return;
    }
    const bool hadView = job->reload && view_ && !view_->Empty();
    const TDateTime from = SpanFrom(), to = SpanTo();
    const bool atEnd = hadView && to >= view_->Last();
    view_ = std::move(fresh);
    air_ = -1;
    const RecordData& d = view_->Data();
    for (std::size_t c = 0; c < d.Columns.size() && air_ < 0; ++c)
        if (d.Columns[c].Name.starts_with("気温")) air_ = static_cast<int>(c);
    airGraph_->setName(air_ >= 0 ? ColumnTitle(d.Columns[static_cast<std::size_t>(air_)].Name)
                                 : tr("気温"));
    {
        const QSignalBlocker block(LBViewChannels);
        // Ticks stay with the channel's name in the file, whatever its title.
        QStringList checked;
        for (int i = 0; i < LBViewChannels->count(); ++i)
            if (LBViewChannels->item(i)->checkState() == Qt::Checked)
                checked.append(LBViewChannels->item(i)->data(Qt::UserRole + 1).toString());
        LBViewChannels->clear();
        for (std::size_t c = 0; c < d.Columns.size(); ++c) {
            if (static_cast<int>(c) == air_ || d.Columns[c].Name == "風速") continue;
            auto* item = new QListWidgetItem(ColumnTitle(d.Columns[c].Name), LBViewChannels);
            item->setData(Qt::UserRole, static_cast<int>(c));
            item->setData(Qt::UserRole + 1, Text(d.Columns[c].Name));
            item->setCheckState(checked.contains(Text(d.Columns[c].Name)) ? Qt::Checked
                                                                          : Qt::Unchecked);
        }
    }
    // A band only where minute rows give one: second files have none to name.
    const int wind = d.Find("風速");
    if (wind >= 0 && !d.Columns[static_cast<std::size_t>(wind)].Max.empty())
        windMax_->addToLegend();
    else
        windMax_->removeFromLegend();
    cursorRow_ = -1;
    MakeChannelGraphs();
    ShowMessage(errors.join('\n'));
    // Each branch draws the new rows once.
    if (view_->Empty()) {
        Refresh();
    } else if (hadView && atEnd) {
        // A reload of a growing day keeps the width in view and follows the end.
        SetSpan(view_->Last() - (to - from), view_->Last());
    } else if (hadView && from < view_->Last() && to > view_->First()) {
        SetSpan(from, to);
    } else {
        ShowAll();
    }
    Q_EMIT Loaded();
}

void ViewerForm::Reload() {
    FolderChanged();
    if (!files_.isEmpty()) Load(files_);
}

QString ViewerForm::FileStamp() const {
    QString s;
    for (const QString& f : files_) {
        const QFileInfo info(f);
        s += QString("%1:%2:%3;")
                 .arg(f)
                 .arg(info.size())
                 .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return s;
}

void ViewerForm::FollowTick() {
    if (thread_ || files_.isEmpty()) return;
    if (FollowNewDay()) return;
    if (FileStamp() != stamp_) Load(files_);
}

// The day shown alone was the newest, the clock has passed into a later day
// and that day's file has begun: it is shown instead, and followed.
bool ViewerForm::FollowNewDay() {
    if (folder_.isEmpty() || files_.size() != 1) return false;
    const QFileInfo shown(files_.front());
    if (QDir(shown.absolutePath()) != QDir(folder_)) return false;
    const TDateTime shownDay = RecordFileDate(shown.fileName().toStdString());
    const TDateTime today = std::floor(clock_.Now());
    if (shownDay <= 0 || shownDay >= today) return false;
    QString name = kKindPatterns[CBViewKind->currentIndex()];
    name.replace("*", Text(FormatDateTime("yyyymmdd", today)));
    const QString next = QDir(folder_).filePath(name);
    if (!QFileInfo(next).isFile()) return false;
    ListDays();
    for (int i = 0; i < LBViewDays->count(); ++i) {
        const QString path = LBViewDays->item(i)->data(Qt::UserRole).toString();
        // Only from the newest day before it: an older day looked at stays.
        if (path == files_.front() && i + 1 < LBViewDays->count() &&
            LBViewDays->item(i + 1)->data(Qt::UserRole).toString() == next) {
            LBViewDays->setCurrentRow(i + 1, QItemSelectionModel::ClearAndSelect);
            return true;
        }
    }
    return false;
}

void ViewerForm::ShowMessage(const QString& text) {
    LViewMessage->setText(text);
    LViewMessage->setVisible(!text.isEmpty());
}

// --- View ------------------------------------------------------------------------

// A new span redraws through the axis's signal; the same span redraws here.
void ViewerForm::SetSpan(TDateTime from, TDateTime to) {
    const QCPRange before = ViewerChart->xAxis->range();
    ViewerChart->xAxis->setRange(Key(from), Key(to));
    if (ViewerChart->xAxis->range() == before) Refresh();
}

TDateTime ViewerForm::SpanFrom() const {
    return FromKey(ViewerChart->xAxis->range().lower);
}

TDateTime ViewerForm::SpanTo() const {
    return FromKey(ViewerChart->xAxis->range().upper);
}

void ViewerForm::ShowAll() {
    if (!view_ || view_->Empty()) return;
    TDateTime from = view_->First(), to = view_->Last();
    if (to - from < 60.0 / 86400) to = from + 60.0 / 86400; // one row still gets a minute
    SetSpan(from, to);
}

void ViewerForm::ChannelsChanged() {
    MakeChannelGraphs();
    Refresh();
}

void ViewerForm::MakeChannelGraphs() {
    for (auto& [column, graph] : others_)
        ViewerChart->removeGraph(graph);
    others_.clear();
    int n = 0;
    for (int i = 0; i < LBViewChannels->count(); ++i) {
        QListWidgetItem* item = LBViewChannels->item(i);
        if (item->checkState() != Qt::Checked) continue;
        QCPGraph* g = new ExtremesGraph(ViewerChart->xAxis, otherAxis_);
        g->setPen(QPen(kOtherColors[n++ % std::size(kOtherColors)], 1));
        g->setName(item->text());
        g->setAdaptiveSampling(false);
        others_.emplace_back(item->data(Qt::UserRole).toInt(), g);
    }
    otherAxis_->setVisible(!others_.empty());
    if (others_.size() == 1)
        otherAxis_->setLabel(others_.front().second->name());
    else
        otherAxis_->setLabel(QString());
}

// Draws what is in view: each line at the chart's width, so that a month costs
// what a day does; the axes fit the lines, the panel states the span.
void ViewerForm::Refresh() {
    const TDateTime from = SpanFrom(), to = SpanTo();
    const int pixels = std::max(1, ViewerChart->axisRect()->width());
    // A minute row's band is drawn as a step over the minute it covers (the
    // row is written a few seconds after the minute it is stamped with ends).
    auto fill = [&](QCPGraph* graph, int column, int what, bool smoothRows = true,
                    bool steps = false) {
        QSharedPointer<QCPGraphDataContainer> line = graph->data();
        if (!view_ || column < 0) {
            line->clear();
            return;
        }
        // Each pixel's extremes are pixel-aligned: antialiasing would only
        // cost (many times over on a month's tall envelope). Rows drawn one
        // by one keep it.
        const bool extremes = view_->Line(column, what, from, to, pixels, points_);
        if (smoothRows) graph->setAntialiased(!extremes);
        if (auto* e = dynamic_cast<ExtremesGraph*>(graph)) e->SetExtremes(extremes && what == 0);
        QVector<QCPGraphData> rows;
        rows.reserve(static_cast<qsizetype>(points_.size() * (steps ? 2 : 1)));
        double last = -std::numeric_limits<double>::infinity();
        for (const LinePoint& p : points_) {
            const double key = Key(p.Time);
            if (steps && !extremes && !std::isnan(p.Value))
                // Snapped to the row before when it ends this minute (times
                // as day fractions differ from a minute's step by noise).
                rows.append(QCPGraphData(key - 60.0 < last + 0.001 ? last : key - 60.0, p.Value));
            rows.append(QCPGraphData(key, p.Value));
            last = key;
        }
        line->set(rows, true);
    };
    const int wind = view_ ? view_->Data().Find("風速") : -1;
    const bool band =
        wind >= 0 && !view_->Data().Columns[static_cast<std::size_t>(wind)].Max.empty();
    fill(wind_, wind, 0, false);
    fill(windMax_, band ? wind : -1, 1, false, true);
    fill(windMin_, band ? wind : -1, 2, false, true);
    fill(airGraph_, air_, 0);
    for (auto& [column, graph] : others_)
        fill(graph, column, 0);
    FitAxis(ViewerChart->yAxis, {wind_, windMax_, windMin_});
    FitAxis(tempAxis_, {airGraph_});
    QList<QCPGraph*> others;
    for (auto& [column, graph] : others_)
        others.append(graph);
    FitAxis(otherAxis_, others);

    const ViewStatistics st = view_ ? view_->Statistics(from, to) : ViewStatistics{};
    const std::size_t skipped = view_ ? view_->Data().SkippedLines : 0;
    QString text = tr("行数 %1").arg(st.Rows);
    if (st.Values > 0) {
        const auto [max, min] = ExtremeTexts(*view_, wind, from, to, st.Max, st.Min);
        const QString mean = QString::fromStdString(DecimalText(st.Mean, ChannelDecimals("風速")));
        text += tr("　風速 平均 %1 m/s　最大 %2 m/s　最小 %3 m/s").arg(mean, max, min);
    }
    text += tr("　読めなかった行 %1").arg(skipped);
    PViewStats->setText(text);
    PViewStats->setToolTip(text);
    ShowReadout(cursorRow_);
    ViewerChart->replot(QCustomPlot::rpQueuedReplot);
}

void ViewerForm::ShowCursor(QMouseEvent* event) {
    if (!view_ || view_->Empty()) return;
    const double key = ViewerChart->xAxis->pixelToCoord(event->position().x());
    const long row = view_->Nearest(FromKey(key));
    if (row < 0) return;
    const TDateTime time = view_->Data().Time[static_cast<std::size_t>(row)];
    cursor_->point1->setCoords(Key(time), 0);
    cursor_->point2->setCoords(Key(time), 1);
    cursor_->setVisible(true);
    cursorRow_ = row;
    ShowReadout(row);
    ViewerChart->replot(QCustomPlot::rpQueuedReplot);
}

// The time, then a line for each channel drawn: the wind speed with its
// minute's extremes, the air temperature, the channels ticked. Without a row
// under the pointer the names alone keep the panel's layout.
void ViewerForm::ShowReadout(long row) {
    QStringList lines;
    if (!view_ || view_->Empty() || row < 0 ||
        static_cast<std::size_t>(row) >= view_->Data().Rows())
        row = -1;
    const RecordData* d = view_ ? &view_->Data() : nullptr;
    const auto r = static_cast<std::size_t>(row);
    lines.append(row < 0 ? QString()
                         : Text(FormatDateTime("yyyy/mm/dd hh:nn:ss", d->Time[r] + 0.5 / 86400e3)));
    QStringList whole = lines;
    const auto line = [&](int column, bool bandLine) {
        if (!d || column < 0) return;
        const RecordColumn& c = d->Columns[static_cast<std::size_t>(column)];
        QString text = ColumnTitle(c.Name), band;
        if (row >= 0 && !std::isnan(c.Avg[r])) {
            text = tr("%1 %2").arg(text, ShownCell(c, 0, r));
            if (!c.Max.empty() && !std::isnan(c.Max[r]) && !std::isnan(c.Min[r]))
                band = tr("(%1〜%2)").arg(ShownCell(c, 2, r), ShownCell(c, 1, r));
        }
        lines.append(text);
        whole.append(band.isEmpty() ? text : text + ' ' + band);
        if (bandLine && !c.Max.empty()) lines.append("    " + band);
    };
    line(d ? d->Find("風速") : -1, true);
    line(air_, false);
    for (const auto& [column, graph] : others_)
        line(column, false);
    static_cast<ReadoutLabel*>(LViewCursor)->SetLines(lines, whole);
}

// --- Exports ---------------------------------------------------------------------

QString ViewerForm::ExportPng(const QString& path) {
    if (!ViewerChart->savePng(path))
        return tr("%1 に書き込めません").arg(QDir::toNativeSeparators(path));
    return {};
}

QString ViewerForm::ExportCsv(const QString& path) {
    // The file's own digits, in a file the viewer reads back as it was.
    const std::vector<std::string> lines =
        view_ ? RecordCsvLines(view_->Data(), view_->Lower(SpanFrom()), view_->Upper(SpanTo()))
              : RecordCsvLines(RecordData(), 0, 0);
    try {
        WriteTextLines(path.toStdString(), lines);
    } catch (const TextFileError& e) {
        return Text(e.what());
    }
    return {};
}

void ViewerForm::BBViewFilesClick() {
    const QStringList files =
        QFileDialog::getOpenFileNames(this, tr("記録ファイルを開く"), folder_,
                                      tr("記録ファイル (*.RCD *.csv);;すべてのファイル (*)"));
    if (!files.isEmpty()) OpenPaths(files);
}

void ViewerForm::BBViewFolderClick() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("記録フォルダを開く"), folder_);
    if (!folder.isEmpty()) OpenFolder(folder);
}

void ViewerForm::BBViewPngClick() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("PNG 保存"), folder_, tr("PNG 画像 (*.png)"));
    if (!path.isEmpty()) ShowMessage(ExportPng(path));
}

void ViewerForm::BBViewCsvClick() {
    const QString path = QFileDialog::getSaveFileName(this, tr("CSV 保存"), folder_,
                                                      QStringLiteral("CSV File (*.csv)"));
    if (!path.isEmpty()) ShowMessage(ExportCsv(path));
}

} // namespace qvr
