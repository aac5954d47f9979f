#include "viewer/viewer_form.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "records/record_csv.h"
#include "records/record_texts.h"
#include "ui/language.h"

#include "ui/plot.h"
#include "ui/window_fit.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
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

QString Fixed3(double v) {
    return QString::asprintf("%.3f", v);
}

// Adds the record files of a folder (of the chosen kind), sorted by name, i.e. by day.
QStringList DayFiles(const QString& folder, int kind) {
    QDir dir(folder);
    QStringList out;
    for (const QString& name :
         dir.entryList({kKindPatterns[kind]}, QDir::Files | QDir::Readable, QDir::Name))
        if (RecordFileDate(name.toStdString()) > 0) out.append(dir.filePath(name));
    return out;
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

ViewerForm::ViewerForm(QWidget* parent) : QWidget(parent, Qt::Window) {
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
    sideBox->setFixedWidth(fontMetrics().horizontalAdvance(tr("ほかに表示するチャンネル")) + 30);
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
    ViewerChart->legend->setVisible(true);
    ViewerChart->legend->setBrush(QColor(255, 255, 255, 210)); // the lines show through
    windMin_->removeFromLegend();                              // the band has one entry
    ViewerChart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    cursor_ = new QCPItemStraightLine(ViewerChart);
    cursor_->setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
    cursor_->setVisible(false);
    main->addWidget(ViewerChart, 1);

    LViewCursor = new QLabel(this);
    LViewCursor->setObjectName("LViewCursor");
    LViewCursor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PViewStats = new QLabel(this);
    PViewStats->setObjectName("PViewStats");
    PViewStats->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PViewStats->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LViewMessage = new QLabel(this);
    LViewMessage->setObjectName("LViewMessage");
    LViewMessage->setWordWrap(true);
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

    connect(CBViewKind, &QComboBox::currentIndexChanged, this, [this] {
        ListDays();
        if (LBViewDays->selectedItems().isEmpty() && LBViewDays->count() > 0)
            LBViewDays->setCurrentRow(LBViewDays->count() - 1); // loads the newest
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
    UseKindFound(folder);
    ListDays();
    if (LBViewDays->count() == 0) {
        ShowMessage(tr("%1 に記録ファイルがありません").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    LBViewDays->setCurrentRow(LBViewDays->count() - 1); // the newest day
}

void ViewerForm::OpenPaths(const QStringList& paths) {
    QStringList files;
    QStringList missing;
    for (const QString& p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            if (folder_.isEmpty()) folder_ = info.absoluteFilePath();
            UseKindFound(info.absoluteFilePath());
            files += DayFiles(info.absoluteFilePath(), CBViewKind->currentIndex());
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
    if (DayFiles(folder, kind).isEmpty() && !DayFiles(folder, 1 - kind).isEmpty()) {
        const QSignalBlocker block(CBViewKind);
        CBViewKind->setCurrentIndex(1 - kind);
    }
}

void ViewerForm::ListDays() {
    const QSignalBlocker block(LBViewDays);
    LBViewDays->clear();
    if (folder_.isEmpty()) return;
    for (const QString& path : DayFiles(folder_, CBViewKind->currentIndex())) {
        const TDateTime day = RecordFileDate(QFileInfo(path).fileName().toStdString());
        auto* item = new QListWidgetItem(Text(FormatDateTime("yyyy/mm/dd", day)), LBViewDays);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
        item->setSelected(files_.contains(path));
    }
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
        errors.append(TranslatePieces(e, record_text::kContext, record_text::kPieces));
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
    airGraph_->setName(air_ >= 0 ? Text(d.Columns[static_cast<std::size_t>(air_)].Name)
                                 : tr("気温"));
    {
        const QSignalBlocker block(LBViewChannels);
        QStringList checked;
        for (int i = 0; i < LBViewChannels->count(); ++i)
            if (LBViewChannels->item(i)->checkState() == Qt::Checked)
                checked.append(LBViewChannels->item(i)->text());
        LBViewChannels->clear();
        for (std::size_t c = 0; c < d.Columns.size(); ++c) {
            if (static_cast<int>(c) == air_ || d.Columns[c].Name == "風速") continue;
            auto* item = new QListWidgetItem(Text(d.Columns[c].Name), LBViewChannels);
            item->setData(Qt::UserRole, static_cast<int>(c));
            item->setCheckState(checked.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
        }
    }
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
    if (FileStamp() != stamp_) Reload();
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
    auto fill = [&](QCPGraph* graph, int column, int what, bool smoothRows = true) {
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
        rows.reserve(static_cast<qsizetype>(points_.size()));
        for (const LinePoint& p : points_)
            rows.append(QCPGraphData(Key(p.Time), p.Value));
        line->set(rows, true);
    };
    const int wind = view_ ? view_->Data().Find("風速") : -1;
    const bool band =
        wind >= 0 && !view_->Data().Columns[static_cast<std::size_t>(wind)].Max.empty();
    fill(wind_, wind, 0, false);
    fill(windMax_, band ? wind : -1, 1, false);
    fill(windMin_, band ? wind : -1, 2, false);
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
    if (st.Values > 0)
        text += tr("　風速 平均 %1 m/s　最大 %2 m/s　最小 %3 m/s")
                    .arg(Fixed3(st.Mean), Fixed3(st.Max), Fixed3(st.Min));
    text += tr("　読めなかった行 %1").arg(skipped);
    PViewStats->setText(text);
    ViewerChart->replot(QCustomPlot::rpQueuedReplot);
}

void ViewerForm::ShowCursor(QMouseEvent* event) {
    if (!view_ || view_->Empty()) return;
    const double key = ViewerChart->xAxis->pixelToCoord(event->position().x());
    const long row = view_->Nearest(FromKey(key));
    if (row < 0) return;
    const RecordData& d = view_->Data();
    const auto r = static_cast<std::size_t>(row);
    cursor_->point1->setCoords(Key(d.Time[r]), 0);
    cursor_->point2->setCoords(Key(d.Time[r]), 1);
    cursor_->setVisible(true);
    QString text = Text(FormatDateTime("yyyy/mm/dd hh:nn:ss", d.Time[r] + 0.5 / 86400e3));
    for (const RecordColumn& c : d.Columns) {
        if (!std::isfinite(c.Avg[r])) continue;
        text += tr("　%1 %2").arg(Text(c.Name), Text(GeneralNumberText(c.Avg[r])));
        if (!c.Max.empty() && std::isfinite(c.Max[r]))
            text += tr(" (%1〜%2)")
                        .arg(Text(GeneralNumberText(c.Min[r])), Text(GeneralNumberText(c.Max[r])));
    }
    LViewCursor->setText(text);
    ViewerChart->replot(QCustomPlot::rpQueuedReplot);
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
