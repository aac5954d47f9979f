#include "monitor/mon_form.h"

#include "monitor/export_lines.h"
#include "monitor/status_list.h"
#include "records/record_settings.h"
#include "ui/window_fit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <utility>

namespace qvr {

namespace {

constexpr int kInitialRows = 16; // until the first refresh, heading row included

// Column 0 of the list shows a row's name, column 1 its value.
const std::string& Cell(const std::array<StatusListCells, kStatusListRows>& rows, int row,
                        int column) {
    const StatusListCells& cells = rows[static_cast<std::size_t>(row)];
    return column == 0 ? cells.Name : cells.Value;
}

// Names are shown in the interface's language (core/sample_fields.h marks
// them), values as they are.
QString ShownCell(const std::array<StatusListCells, kStatusListRows>& rows, int row, int column) {
    const std::string& text = Cell(rows, row, column);
    return column == 0 ? QCoreApplication::translate("SampleField", text.c_str())
                       : QString::fromStdString(text);
}

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
    QTableWidgetItem* cell = grid->item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled);
        grid->setItem(row, column, cell);
    }
    if (cell->text() != text) cell->setText(text);
}

// Room beside a cell's text for its margins and the header's sort space.
constexpr int kCellPadding = 16;

} // namespace

TMonForm::TMonForm(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Tool), ctx_(context), recorder_(context) {
    askFileName_ = [this] { return AskWithSaveDlg(); };
    reportError_ = [this](const QString& message) { ShowWriteError(message); };
    BuildControls();

    // FormCreate: the settings are in place before the main window first shows SecRec.
    LoadRecordSettings(SettingsFile(), ctx_.mySts);

    SubTimer = new QTimer(this);
    SubTimer->setObjectName("SubTimer");
    SubTimer->setInterval(1000);
    // Precise, so that the second file gets one row per wall-clock second
    // rather than drifting by up to 5 % a tick.
    SubTimer->setTimerType(Qt::PreciseTimer);
    connect(SubTimer, &QTimer::timeout, this, &TMonForm::SubTimerTimer);
    SubTimer->start();
}

TMonForm::~TMonForm() {
    SaveRecordSettings(SettingsFile(), ctx_.mySts);
}

void TMonForm::BuildControls() {
    setObjectName("MonForm");
    KeepOnScreenWhenShown(*this);
    setWindowTitle("Monitor List");
    setFont(QFont("Tahoma", 8));
    resize(212, 474);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());

    SGList = new QTableWidget(kInitialRows - 1, 2, this);
    SGList->setObjectName("SGList");
    SGList->setHorizontalHeaderLabels({"Name", "Data"});
    SGList->verticalHeader()->hide();
    SGList->verticalHeader()->setDefaultSectionSize(20);
    SGList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGList->horizontalHeader()->setFixedHeight(20);
    SGList->horizontalHeader()->setDefaultSectionSize(90);
    // The operator may widen a column; the list widens one to fit a longer text.
    SGList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SGList->horizontalHeader()->setHighlightSections(false);
    SGList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGList->setSelectionMode(QAbstractItemView::NoSelection);
    SGList->setFocusPolicy(Qt::NoFocus);
    SGList->setTextElideMode(Qt::ElideNone); // long names are clipped, as in a plain grid
    // Horizontal grid lines only.
    SGList->setShowGrid(false);
    SGList->setStyleSheet("QTableWidget::item { border-bottom: 1px solid #d0d0d0; }");

    PConsole = new QWidget(this);
    PConsole->setObjectName("PConsole");
    PConsole->setFixedHeight(41);
    BBSaveFile = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                 "Save Short Log.", PConsole);
    BBSaveFile->setObjectName("BBSaveFile");
    BBClose =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), "Close", PConsole);
    BBClose->setObjectName("BBClose");
    auto* buttons = new QHBoxLayout(PConsole);
    buttons->setContentsMargins(6, 6, 6, 6);
    buttons->addWidget(BBSaveFile);
    buttons->addStretch();
    buttons->addWidget(BBClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SGList);
    layout->addWidget(PConsole);

    connect(BBSaveFile, &QPushButton::clicked, this, &TMonForm::BBSaveFileClick);
    connect(BBClose, &QPushButton::clicked, this, &QWidget::close);

    SaveDlg = new QFileDialog(this);
    SaveDlg->setObjectName("SaveDlg");
    SaveDlg->setAcceptMode(QFileDialog::AcceptSave);
    SaveDlg->setFileMode(QFileDialog::AnyFile);
    SaveDlg->setNameFilter("CSV File (*.csv)");
    SaveDlg->setDefaultSuffix("csv");
    SaveDlg->setSizeGripEnabled(true);
}

std::string TMonForm::SettingsFile() const {
    return ctx_.dataDir + "BaseSetpoint.ini";
}

void TMonForm::SubTimerTimer() {
    UpdateList();
    recorder_.RecordTick();
}

void TMonForm::UpdateList() {
    // The list ticks every second, shown or not, and most values hold still:
    // only a text that differs from the shown one is converted and written.
    const auto rows = StatusListRows(ctx_.currentSample);
    const auto changed = [&](int row, int column) {
        return !listShown_ || Cell(rows, row, column) != Cell(shownRows_, row, column);
    };
    SGList->setRowCount(kStatusListRows - 1);
    for (int column = 0; column < 2; ++column) {
        if (!changed(0, column)) continue;
        QTableWidgetItem* header = SGList->horizontalHeaderItem(column);
        if (!header) SGList->setHorizontalHeaderItem(column, header = new QTableWidgetItem);
        header->setText(QString::fromStdString(Cell(rows, 0, column)));
    }
    bool anyChanged = false;
    for (int row = 0; row < kStatusListRows; ++row)
        for (int column = 0; column < 2; ++column)
            if (changed(row, column)) {
                anyChanged = true;
                if (row > 0) SetCell(SGList, row - 1, column, ShownCell(rows, row, column));
            }
    if (anyChanged && !isVisible())
        columnsUnfitted_ = true;
    else if (anyChanged)
        FitColumns(changed);
    shownRows_ = rows;
    listShown_ = true;
}

void TMonForm::FitColumns(const std::function<bool(int row, int column)>& measure) {
    int widest[2] = {0, 0};
    const QFontMetrics cellMetrics(SGList->font());
    const QFontMetrics headMetrics(SGList->horizontalHeader()->font());
    for (int row = 0; row < kStatusListRows; ++row)
        for (int column = 0; column < 2; ++column)
            if (measure(row, column)) {
                const QTableWidgetItem* cell =
                    row == 0 ? SGList->horizontalHeaderItem(column) : SGList->item(row - 1, column);
                const QString text = cell ? cell->text() : QString();
                const QFontMetrics& m = row == 0 ? headMetrics : cellMetrics;
                widest[column] = std::max(widest[column], m.horizontalAdvance(text));
            }
    // Only widened, never narrowed: a column does not jitter with its values.
    for (int column = 0; column < 2; ++column) {
        const int needed = widest[column] + kCellPadding;
        if (needed > SGList->columnWidth(column)) SGList->setColumnWidth(column, needed);
    }
}

void TMonForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(columnsUnfitted_, false)) FitColumns([](int, int) { return true; });
}

void TMonForm::closeEvent(QCloseEvent* event) {
    // FormCloseQuery: closing is never refused; the window only hides.
    SaveRecordSettings(SettingsFile(), ctx_.mySts);
    event->accept();
}

void TMonForm::BBSaveFileClick() {
    SaveShortLog();
}

void TMonForm::SaveShortLog() {
    Export(ExportKind::ShortLog);
}

void TMonForm::SavePlotData() {
    Export(ExportKind::PlotData);
}

void TMonForm::Export(ExportKind kind) {
    const auto k = static_cast<std::size_t>(kind);
    const char* const ownName[] = {"ShortLog.csv", "PlotData.csv"};
    proposal_ = lastOfKind_[k];
    if (proposal_.isEmpty() && !lastFileName_.isEmpty())
        proposal_ = QFileInfo(lastFileName_).dir().filePath(ownName[k]);
    const QString fileName = askFileName_();
    if (fileName.isEmpty()) return;
    lastFileName_ = fileName;
    lastOfKind_[k] = fileName;
    const auto write = kind == ExportKind::ShortLog ? &WriteShortLog : &WritePlotData;
    try {
        write(fileName.toStdString(), ctx_.sampleHistory, ctx_.mySts.WindDirModel);
    } catch (const std::exception& e) {
        reportError_(QString::fromUtf8(e.what()));
    }
}

QString TMonForm::AskWithSaveDlg() {
    if (!proposal_.isEmpty()) SaveDlg->selectFile(proposal_);
    if (SaveDlg->exec() != QDialog::Accepted) return {};
    const QStringList files = SaveDlg->selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void TMonForm::ShowWriteError(const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
}

} // namespace qvr
