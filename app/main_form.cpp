#include "app/main_form.h"

#include "base/ini_file.h"
#include "base/number_text.h"
#include "link/comm_ctrl_form.h"
#include "monitor/mon_form.h"
#include "records/record_lines.h"
#include "records/record_settings.h"
#include "settings/sys_set_form.h"
#include "ui/app_globals.h"
#include "ui/language.h"
#include "ui/pictures.h"
#include "ui/port_failure.h"
#include "ui/window_fit.h"
#include "viewer/viewer_form.h"

#include "ui/plot.h"
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace qvr {

namespace {

const char* const kCopyright = "Copyright (C) QVR Instruments Co., Ltd.";
// The port panel shows a name this long in full.
const char* const kLongPortName = "/tmp/qvr-sensor";
// The colour of a warning: the port panel's name while the port cannot be
// opened, the recording panel while rows are being lost.
const QColor kWarningColor(192, 0, 0);

// Seconds since the epoch for a local date-time, as the chart's time axis
// counts them. The zone offset is taken once per redraw, not per point.
double ChartSeconds(TDateTime t, qint64 offsetMs) {
    return std::round((t - 25569.0) * 86400000.0 - static_cast<double>(offsetMs)) / 1000.0;
}

// Samples further apart than this have missing ones between them: the line
// breaks there rather than drawing straight across.
constexpr double kGapSeconds = 2.0;

// The grid step for a span: 1, 2 or 5 times a power of ten, whole metres at
// least, and no more than six steps across, so that any reading leaves a
// handful of grid lines.
double GridStep(double span) {
    const double rough = span / 6;
    if (!(rough > 1)) return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * decade >= rough) return m * decade;
    return 10 * decade;
}

void SetAxisStep(QCPAxis& axis, double step) {
    auto ticker = qSharedPointerCast<QCPAxisTickerFixed>(axis.ticker());
    ticker->setTickStep(step);
}

// The automatic left axis: whole grid steps around low..high.
void SetNiceRange(QCPAxis& axis, double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
    const double step = GridStep(high - low);
    const double from = std::floor(low / step) * step;
    const double to = std::ceil(high / step) * step;
    axis.setRange(from, to);
    SetAxisStep(axis, step);
    // Plain whole numbers up to a million, then powers of ten ("2e+09").
    if (std::max(std::fabs(from), std::fabs(to)) < 1e6) {
        axis.setNumberFormat("f");
        axis.setNumberPrecision(0);
    } else {
        axis.setNumberFormat("g");
        axis.setNumberPrecision(3);
    }
}

qint64 LocalOffsetMs() {
    return qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000;
}

// Readouts that stand for no reading: dashes in a colour that does not
// compete with a live value.
const QColor kMutedColor(176, 176, 176);

// A readout shows its number in its own colour, or dashes in the muted one.
void SetReadout(QLabel* panel, const QString& text, bool live) {
    QPalette pal = panel->palette();
    pal.setColor(QPalette::WindowText,
                 live ? panel->property("liveColor").value<QColor>() : kMutedColor);
    panel->setPalette(pal);
    panel->setText(text);
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QLabel* ReadoutPanel(const QString& text, const QColor& fore, QWidget* parent) {
    auto* p = new QLabel(text, parent);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setLineWidth(2);
    p->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    p->setAutoFillBackground(true);
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    pal.setColor(QPalette::WindowText, fore);
    p->setProperty("liveColor", fore);
    pal.setColor(QPalette::Light, QColor(224, 224, 224));
    pal.setColor(QPalette::Dark, QColor(72, 72, 72));
    pal.setColor(QPalette::Shadow, QColor(40, 40, 40));
    p->setPalette(pal);
    QFont f("Century");
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(21);
    f.setBold(true);
    p->setFont(f);
    p->setContentsMargins(4, 0, 6, 0);
    return p;
}

QToolButton* PictureButton(const char* name, const QIcon& icon, const QString& hint,
                           QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setFixedSize(40, 36);
    b->setToolTip(hint);
    b->setAutoRaise(false);
    return b;
}

} // namespace

TMainForm::TMainForm(AppContext& context, QWidget* parent)
    : QMainWindow(parent), ctx_(context),
      // 1: the link window comes first; the exchange talks through it.
      sensorLink_(context.mySts.PortName, context.dataDir),
      link_(new TCommCtrlForm(sensorLink_, this)), exchange_(sensorLink_) {
    setObjectName("MainForm");
    KeepOnScreenWhenShown(*this);
    BuildControls();

    // 1-3: the link window's global reference, settings file number and caption.
    CommCtrlForm = link_;
    ctx_.exchange = &exchange_;
    sensorLink_.Tag = 0;
    link_->setWindowTitle(tr("ComPort 通信状態"));
    // 4-8.
    sensorLink_.LoadPortSettings();
    ResetPrm(ctx_.writePrm);
    ctx_.currentSample.AirTemp = 0;
    ctx_.currentSample.WindSpeed = 0;
    ctx_.currentSample.Valid = false;
    Collecting = true;
    ctx_.mySts.MaintenanceMode = false;
    // Nothing is read yet: no number, whatever the shared sample held.
    ShowReadouts();
    ShowDataState();

    MainTimer = new QTimer(this);
    MainTimer->setObjectName("MainTimer");
    MainTimer->setInterval(250);
    connect(MainTimer, &QTimer::timeout, this, &TMainForm::MainTimerTimer);
    MainTimer->start();
}

TMainForm::~TMainForm() {
    MainTimer->stop();
    sensorLink_.ClosePort();
    delete link_;
    if (CommCtrlForm == link_) CommCtrlForm = nullptr;
    if (ctx_.exchange == &exchange_) ctx_.exchange = nullptr;
}

void TMainForm::BuildControls() {
    setWindowIcon(QIcon(pictures::ProductIcon(64)));
    auto* central = new QWidget(this);
    central->setObjectName("MainClient");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Top band: the readouts.
    PTop = new QFrame(central);
    PTop->setObjectName("PTop");
    PTop->setFixedHeight(57);
    PTop->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* top = new QHBoxLayout(PTop);
    top->setContentsMargins(4, 3, 8, 3);
    top->setSpacing(8);
    Image2 = new QLabel(PTop);
    Image2->setObjectName("Image2");
    Image2->setPixmap(pictures::ProductIcon(50));
    Image2->setFixedSize(50, 50);
    Label1 = new QLabel(tr("風速"), PTop);
    Label1->setObjectName("Label1");
    PWindSpeed = ReadoutPanel(QStringLiteral("0.000 m/s."), QColor(0, 255, 255), PTop);
    PWindSpeed->setObjectName("PWindSpeed");
    PWindSpeed->setMinimumWidth(170);
    LWDir = new QLabel(tr("風向"), PTop);
    LWDir->setObjectName("LWDir");
    PWDir = ReadoutPanel(QStringLiteral("-00 °"), QColor(255, 255, 172), PTop);
    PWDir->setObjectName("PWDir");
    PWDir->setMinimumWidth(90);
    Label2 = new QLabel(tr("気温"), PTop);
    Label2->setObjectName("Label2");
    PAirTemp = ReadoutPanel(QStringLiteral("0.00 ℃"), QColor(255, 151, 151), PTop);
    PAirTemp->setObjectName("PAirTemp");
    PAirTemp->setMinimumWidth(110);
    QFont captionFont = Label1->font();
    captionFont.setPixelSize(15);
    captionFont.setBold(true);
    for (QLabel* l : {Label1, LWDir, Label2})
        l->setFont(captionFont);
    top->addWidget(Image2);
    top->addWidget(Label1);
    top->addWidget(PWindSpeed);
    top->addSpacing(10);
    top->addWidget(LWDir);
    top->addWidget(PWDir);
    top->addWidget(Label2);
    top->addWidget(PAirTemp);
    top->addStretch(1);
    for (QWidget* w : {static_cast<QWidget*>(LWDir), static_cast<QWidget*>(PWDir),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(PAirTemp)})
        w->hide();
    column->addWidget(PTop);

    BuildChart();
    column->addWidget(RTCWindSpeed, 1);

    // Bottom band: axis controls and the four buttons.
    PBottom = new QFrame(central);
    PBottom->setObjectName("PBottom");
    PBottom->setFixedHeight(51);
    PBottom->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* bottom = new QHBoxLayout(PBottom);
    bottom->setContentsMargins(8, 4, 8, 4);
    bottom->setSpacing(6);
    Image1 = new QLabel(PBottom);
    Image1->setObjectName("Image1");
    Image1->setPixmap(pictures::Logo(100, 22));
    Image1->setFixedSize(100, 22);
    CBAxisMan = new QCheckBox(tr("縦軸固定"), PBottom);
    CBAxisMan->setObjectName("CBAxisMan");
    SEAxisMax = new QSpinBox(PBottom);
    SEAxisMax->setObjectName("SEAxisMax");
    SEAxisMax->setRange(1, 20);
    SEAxisMax->setValue(10);
    Label3 = new QLabel(QStringLiteral("m/s."), PBottom);
    Label3->setObjectName("Label3");
    CBSecRec = new QCheckBox(tr("秒記録"), PBottom);
    CBSecRec->setObjectName("CBSecRec");
    BBStart = PictureButton("BBStart", pictures::StartGlyph(), tr("データ収取開始"), PBottom);
    BBStop = PictureButton("BBStop", pictures::StopGlyph(), tr("データ収集終了"), PBottom);
    BBSaveData = PictureButton("BBSaveData", pictures::SaveGlyph(),
                               tr("グラフプロットデータをファイルに保存"), PBottom);
    BBSetpoint = PictureButton("BBSetpoint", pictures::SetpointGlyph(), tr("設定変更"), PBottom);
    // The recorded days, in the program: a button that says what it does.
    BBViewer = new QToolButton(PBottom);
    BBViewer->setObjectName("BBViewer");
    BBViewer->setText(tr("記録を見る"));
    BBViewer->setToolTip(tr("Record フォルダの記録をグラフで見る"));
    BBViewer->setFixedHeight(36);
    bottom->addWidget(Image1);
    bottom->addSpacing(12);
    bottom->addWidget(CBAxisMan);
    bottom->addWidget(SEAxisMax);
    bottom->addWidget(Label3);
    bottom->addSpacing(12);
    bottom->addWidget(CBSecRec);
    bottom->addStretch(1);
    bottom->addWidget(BBViewer);
    bottom->addSpacing(6);
    for (QToolButton* b : {BBStart, BBStop, BBSaveData, BBSetpoint})
        bottom->addWidget(b);
    column->addWidget(PBottom);
    setCentralWidget(central);

    SBStatus = new QStatusBar(this);
    SBStatus->setObjectName("SBStatus");
    SBStatus->setSizeGripEnabled(false);
    QFont statusFont = SBStatus->font();
    statusFont.setPointSize(8);
    SBStatus->setFont(statusFont);
    // The port panel is wide enough for a device path such as /tmp/qvr-sensor;
    // the copyright panel gives up what it can spare for it.
    const QFontMetrics metrics(statusFont);
    const int portWidth = std::max(50, metrics.horizontalAdvance(kLongPortName) + 14);
    const int copyrightWidth =
        std::max(metrics.horizontalAdvance(kCopyright) + 14, 280 - (portWidth - 50));
    const int widths[4] = {copyrightWidth, 180, portWidth, 50};
    for (int i = 0; i < 4; ++i) {
        SBPanel[i] = new QLabel(SBStatus);
        SBPanel[i]->setObjectName(QString("SBStatusPanel%1").arg(i));
        SBPanel[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SBPanel[i]->setFixedWidth(widths[i]);
        SBPanel[i]->installEventFilter(this);
        SBStatus->addWidget(SBPanel[i], i == 3 ? 1 : 0);
    }
    SBDataState = new QLabel(SBStatus);
    SBDataState->setObjectName("SBDataState");
    SBDataState->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SBDataState->setAlignment(Qt::AlignCenter);
    SBDataState->setMinimumWidth(
        metrics.horizontalAdvance(
            QCoreApplication::translate("MainForm", "応答なし（%1 秒）").arg(99999)) +
        14);
    SBStatus->addPermanentWidget(SBDataState);
    SBStatus->installEventFilter(this);
    setStatusBar(SBStatus);
    BuildMenu();
    resize(602, 506 + SBStatus->sizeHint().height() - 20 + menuBar()->sizeHint().height());

    ClrD1 = new QColorDialog(this);
    ClrD1->setObjectName("ClrD1");

    connect(BBStart, &QToolButton::clicked, this, &TMainForm::BBStartClick);
    connect(BBStop, &QToolButton::clicked, this, &TMainForm::BBStopClick);
    connect(BBSaveData, &QToolButton::clicked, this, &TMainForm::BBSaveDataClick);
    connect(BBViewer, &QToolButton::clicked, this, &TMainForm::BBViewerClick);
    connect(BBSetpoint, &QToolButton::clicked, this, [this] {
        BBSetpointClick(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
    });
    connect(CBSecRec, &QCheckBox::clicked, this, &TMainForm::CBSecRecClick);
    connect(CBAxisMan, &QCheckBox::clicked, this, &TMainForm::ApplyAxisMode);
    connect(SEAxisMax, &QSpinBox::valueChanged, this, &TMainForm::ApplyAxisMode);
}

// Every door of the program, with its name on it; the Shift gestures of the
// buttons and the status bar stay as they were.
void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    const auto item = [this](QMenu* menu, QAction*& action, const char* name, const QString& text,
                             auto handler) {
        action = menu->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    MMFile = bar->addMenu(tr("ファイル(&F)"));
    MMFile->setObjectName("MMFile");
    item(MMFile, MMSaveData, "MMSaveData", tr("グラフのデータを保存(&S)..."),
         [this] { BBSaveDataClick(); });
    item(MMFile, MMViewer, "MMViewer", tr("記録を見る(&V)..."), [this] { BBViewerClick(); });
    MMFile->addSeparator();
    item(MMFile, MMQuit, "MMQuit", tr("終了(&X)"), [this] { close(); });

    MMConnection = bar->addMenu(tr("通信(&C)"));
    MMConnection->setObjectName("MMConnection");
    item(MMConnection, MMStart, "MMStart", tr("データ収集開始(&S)"), [this] { BBStartClick(); });
    item(MMConnection, MMStop, "MMStop", tr("データ収集終了(&T)"), [this] { BBStopClick(); });
    MMConnection->addSeparator();
    item(MMConnection, MMPortSetup, "MMPortSetup", tr("ポート設定(&P)..."),
         [this] { link_->SetupRule(); });
    item(MMConnection, MMLink, "MMLink", tr("通信ログ(&L)..."), [this] { MMLinkClick(); });

    MMWindows = bar->addMenu(tr("ウィンドウ(&W)"));
    MMWindows->setObjectName("MMWindows");
    item(MMWindows, MMSettings, "MMSettings", tr("設定・キャリブレーション(&S)..."),
         [this] { BBSetpointClick(true); });
    item(MMWindows, MMMonitor, "MMMonitor", tr("ステータス値一覧(&M)..."),
         [this] { SBStatusDblClick(true); });

    MMLanguage = bar->addMenu(tr("表示言語(&L)"));
    MMLanguage->setObjectName("MMLanguage");
    auto* group = new QActionGroup(this);
    item(MMLanguage, MMLanguageJa, "MMLanguageJa", tr("日本語（次回の起動から）"),
         [this] { MMLanguageClick(UiLanguageCode(UiLanguage::Japanese)); });
    item(MMLanguage, MMLanguageEn, "MMLanguageEn",
         QStringLiteral("English ") + tr("（次回の起動から）"),
         [this] { MMLanguageClick(UiLanguageCode(UiLanguage::English)); });
    for (QAction* a : {MMLanguageJa, MMLanguageEn}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    const auto chosen = ParseUiLanguage(ReadLanguageSetting(ctx_.dataDir));
    const UiLanguage next = chosen ? *chosen : SystemUiLanguage(QLocale::system().uiLanguages());
    (next == UiLanguage::English ? MMLanguageEn : MMLanguageJa)->setChecked(true);

    MMHelp = bar->addMenu(tr("ヘルプ(&H)"));
    MMHelp->setObjectName("MMHelp");
    item(MMHelp, MMAbout, "MMAbout", tr("QVR Monitor について(&A)..."), [this] { MMAboutClick(); });
}

void TMainForm::MMLinkClick() {
    link_->show();
    link_->raise();
    link_->activateWindow();
}

void TMainForm::MMLanguageClick(const QString& code) {
    const auto language = ParseUiLanguage(code);
    if (!language) return;
    try {
        WriteLanguageSetting(ctx_.dataDir, *language);
    } catch (const IniFileError& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
        return;
    }
    QMessageBox::information(this, tr("表示言語"), tr("表示言語は次回の起動から切り替わります。"));
}

QString TMainForm::AboutText() const {
    return tr("QVR Monitor  バージョン %1").arg(QString::fromLatin1(AppVersion)) + "\n" +
           QString::fromLatin1(kCopyright) + "\n\n" +
           tr("ライセンス: GNU General Public License 第3版（同梱の COPYING）") + "\n\n" +
           tr("データフォルダ: %1")
               .arg(QDir::toNativeSeparators(QString::fromStdString(ctx_.dataDir)));
}

void TMainForm::MMAboutClick() {
    QMessageBox box(QMessageBox::Information, tr("QVR Monitor について"), AboutText(),
                    QMessageBox::Ok, this);
    box.setObjectName("AboutBox");
    box.setIconPixmap(pictures::ProductIcon(50));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void TMainForm::BuildChart() {
    RTCWindSpeed = new QCustomPlot(this);
    RTCWindSpeed->setObjectName("RTCWindSpeed");
    RTCWindSpeed->setBackground(backColor_);
    RTCWindSpeed->axisRect()->setBackground(Qt::NoBrush);
    RTCWindSpeed->legend->setVisible(false);
    RTCWindSpeed->setContextMenuPolicy(Qt::CustomContextMenu);
    // One polyline rather than a segment each: the 2-pixel line is stroked
    // once, which is most of what a redraw costs.
    RTCWindSpeed->setPlottingHint(QCP::phFastPolylines, true);
    // The overlay layer stays empty here; as a layer of its own it would cost
    // a second full-size buffer to clear and blend at every redraw.
    RTCWindSpeed->layer("overlay")->setMode(QCPLayer::lmLogical);
    // Painted with the readouts' updates in one pass, not on its own at once.
    RTCWindSpeed->setPlottingHint(QCP::phImmediateRefresh, false);
    BottomAxis = RTCWindSpeed->xAxis;
    LeftAxis = RTCWindSpeed->yAxis;
    RTCWindSpeed->xAxis2->setVisible(false);
    RTCWindSpeed->yAxis2->setVisible(false);
    auto timeTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    timeTicker->setDateTimeSpec(Qt::LocalTime);
    timeTicker->setTickCount(6);
    BottomAxis->setTicker(timeTicker);
    auto stepTicker = QSharedPointer<QCPAxisTickerFixed>::create();
    stepTicker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    LeftAxis->setTicker(stepTicker);
    Series1 = RTCWindSpeed->addGraph(BottomAxis, LeftAxis);
    Series1->setObjectName("Series1");
    Series1->setLineStyle(QCPGraph::lsLine);
    // The series is rebuilt every second; keeping its allocation saves the heap.
    Series1->setAdaptiveSampling(false);
    SetNiceRange(*LeftAxis, 0, 1);
    ApplySeriesPen();

    PMGraph = new QMenu(this);
    PMGraph->setObjectName("PMGraph");
    N1_LineColor = PMGraph->addAction(tr("線色の変更..."));
    N1_LineColor->setObjectName("N1_LineColor");
    N_LinePlus = PMGraph->addAction(tr("線幅を太く"));
    N_LinePlus->setObjectName("N_LinePlus");
    N_LineDec = PMGraph->addAction(tr("線幅を細く"));
    N_LineDec->setObjectName("N_LineDec");
    N2_BGColor = PMGraph->addAction(tr("背景色の変更..."));
    N2_BGColor->setObjectName("N2_BGColor");
    N_FrameColor = PMGraph->addAction(tr("枠色の変更..."));
    N_FrameColor->setObjectName("N_FrameColor");
    N_FrameColor->setVisible(false);
    connect(N1_LineColor, &QAction::triggered, this, &TMainForm::N1_LineColorClick);
    connect(N_LinePlus, &QAction::triggered, this, &TMainForm::N_LinePlusClick);
    connect(N_LineDec, &QAction::triggered, this, &TMainForm::N_LineDecClick);
    connect(N2_BGColor, &QAction::triggered, this, &TMainForm::N2_BGColorClick);
    connect(RTCWindSpeed, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PMGraph->popup(RTCWindSpeed->mapToGlobal(pos)); });
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, whatever other window is open.
    if (MainForm == this) QCoreApplication::quit();
}

void TMainForm::FormShow() {
    setWindowTitle(QString("QVR-series Monitor. Ver.") + AppVersion);
    SBPanel[0]->setText(kCopyright);
    CBSecRec->setChecked(ctx_.mySts.SecRec);
    SetupTimeAxis();
    for (TSampleRec& entry : ctx_.sampleHistory) {
        entry.Time = 0;
        entry.Valid = false;
        entry.WindSpeed = 0;
        entry.AirTemp = 0;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == SBStatus ||
         std::find(std::begin(SBPanel), std::end(SBPanel), watched) != std::end(SBPanel))) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        SBStatusDblClick(mouse->modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Poll cycle and readout ------------------------------------------------------

void TMainForm::MainTimerTimer() {
    // A line that failed under a collecting program is reopened from here.
    if (Collecting) sensorLink_.Reconnect.Tick();
    ShowPortState();
    if (!sensorLink_.PortConnected() || !Collecting) {
        ctx_.currentSample.Valid = false;
        ctx_.currentSample.Sent = 0;
        validity_.Stop();
        ShowReadouts();
        ShowDataState();
        return;
    }
    PollCycle();
    // Only a reading the sensor sent in this run, and lately, is valid; without
    // one there is no history entry, so no chart point, export row or
    // calibration sample either.
    const TDateTime now = ctx_.clock.Now();
    const bool windDir = IsWindDirModel(ctx_.currentSample.ModelNo);
    ctx_.currentSample.Valid = validity_.Valid(now, ctx_.mySts.FastMode, windDir);
    // A valid reading holds every polled field, and only those are its own.
    ctx_.currentSample.Sent =
        ctx_.currentSample.Valid ? PolledFields(ctx_.mySts.FastMode, windDir) : 0;
    ctx_.currentSample.Run = validity_.Run();
    if (counters_.CountTick(ctx_.mySts.FastMode)) {
        if (ctx_.currentSample.Valid) HistoryStep(ctx_.sampleHistory, ctx_.currentSample, now);
        RefreshReadout();
    }
    ShowDataState();
    CheckModel();
}

void TMainForm::PollCycle() {
    validity_.Collect(qvr::PollCycle(counters_, exchange_, ctx_.currentSample, ctx_.mySts.FastMode),
                      ctx_.clock.Now());
}

void TMainForm::CheckModel() {
    ctx_.mySts.WindDirModel = IsWindDirModel(ctx_.currentSample.ModelNo);
}

void TMainForm::RefreshReadout() {
    setWindowTitle(Text(ctx_.mySts.PortName) + " | QVT-series monitor. Ver." + AppVersion);
    ShowReadouts();
    if (!portWarned_) ShowPortName(Text(ctx_.mySts.PortName));
    SBPanel[3]->setText(ctx_.mySts.SecRec ? "SR" : "");
    ShowRecordTrouble();
    RedrawChart();
}

// A readout shows a number only for a field of a valid sample that the
// sensor sent (fast mode never polls the temperatures); otherwise dashes, so
// that a stopped or silent sensor never looks live.
void TMainForm::ShowReadouts() {
    const TSampleRec& s = ctx_.currentSample;
    auto has = [&s](SampleField f) { return s.Valid && (s.Sent & FieldBit(f)) != 0; };
    auto number = [](bool live, const char* format, float value, const char* dashes) {
        return live ? Text(FormatFloat(format, static_cast<double>(value))) : QString(dashes);
    };
    const bool wind = has(SampleField::WindSpeed);
    SetReadout(PWindSpeed, number(wind, "%1.3f m/s.", s.WindSpeed, "-.--- m/s."), wind);
    const bool air = has(SampleField::AirTemp);
    SetReadout(PAirTemp, number(air, "%1.1f ℃", s.AirTemp, "-.- ℃"), air);
    if (ctx_.mySts.WindDirModel) {
        LWDir->show();
        PWDir->show();
        const bool dir = has(SampleField::WindDir);
        SetReadout(PWDir, number(dir, "%1.0f °", s.WindDir, "--- °"), dir);
    } else {
        LWDir->hide();
        PWDir->hide();
    }
    // Fast mode never asks for the model: the panel does not show an old one.
    SBPanel[1]->setText(
        has(SampleField::ModelNo)
            ? Text(FormatFloat("Sensor Model %1.2f", static_cast<double>(s.ModelNo)) +
                   FormatFloat(" | Ver. %1.2f", static_cast<double>(s.Version)))
            : QStringLiteral("Sensor Model -.-- | Ver. -.--"));
}

void TMainForm::ShowDataState() {
    const DataStateReport report = validity_.State(ctx_.clock.Now(), ctx_.mySts.FastMode,
                                                   IsWindDirModel(ctx_.currentSample.ModelNo));
    DataState state = report.State;
    // A collecting program whose line is being reopened is connecting too.
    if (state == DataState::Stopped && Collecting && sensorLink_.Reconnect.Active())
        state = DataState::Connecting;
    QString text;
    QColor colour = kWarningColor;
    switch (state) {
    case DataState::Stopped:
        text = QCoreApplication::translate("MainForm", "停止中");
        colour = palette().color(QPalette::WindowText);
        break;
    case DataState::Connecting:
        text = QCoreApplication::translate("MainForm", "接続中…");
        colour = QColor(160, 110, 0);
        break;
    case DataState::NoAnswer:
        text =
            QCoreApplication::translate("MainForm", "応答なし（%1 秒）").arg(report.SilentSeconds);
        break;
    case DataState::Receiving:
        text = QCoreApplication::translate("MainForm", "受信中");
        colour = QColor(0, 128, 0);
        break;
    }
    if (SBDataState->text() == text) return;
    // The readouts change with the state, not up to a second later.
    ShowReadouts();
    QPalette pal = SBStatus->palette();
    pal.setColor(QPalette::WindowText, colour);
    SBDataState->setPalette(pal);
    SBDataState->setText(text);
}

// Recording never stops the program, but lost rows must not go unnoticed:
// panel 3 turns to the warning colour while the recorder loses rows, its
// tooltip saying why and how many.
void TMainForm::ShowRecordTrouble() {
    const RecordTrouble* trouble = MonForm ? &MonForm->RecorderLogic().Trouble() : nullptr;
    const bool failing = trouble && trouble->Failing;
    const QString tip = failing ? tr("記録に失敗しています（失われた行: %1）\n%2")
                                      .arg(trouble->LostRows)
                                      .arg(Text(trouble->Reason))
                                : QString();
    QLabel* panel = SBPanel[3];
    if (panel->toolTip() == tip && panel->autoFillBackground() == failing) return;
    QPalette pal = SBStatus->palette();
    if (failing) {
        pal.setColor(QPalette::Window, kWarningColor);
        pal.setColor(QPalette::WindowText, Qt::white);
    }
    panel->setAutoFillBackground(failing);
    panel->setPalette(pal);
    panel->setToolTip(tip);
}

// --- Trend chart -----------------------------------------------------------------

void TMainForm::SetupTimeAxis() {
    qSharedPointerCast<QCPAxisTickerDateTime>(BottomAxis->ticker())
        ->setDateTimeFormat(ctx_.mySts.FastMode ? "hh:mm:ss" : "hh:mm");
    ShowTimeWindow(ctx_.clock.Now(), LocalOffsetMs());
    RTCWindSpeed->replot(); // once, at the first show: drawn before anything is shown
}

// The bottom axis spans the last ten minutes (one in fast mode) up to `now`.
void TMainForm::ShowTimeWindow(TDateTime now, qint64 offsetMs) {
    const double window = ctx_.mySts.FastMode ? 1.0 / 1440 : 1.0 / 144;
    BottomAxis->setRange(ChartSeconds(now - window, offsetMs), ChartSeconds(now, offsetMs));
}

void TMainForm::RedrawChart() {
    const int count = ctx_.mySts.FastMode ? 240 : 600;
    const qint64 offset = LocalOffsetMs();
    ShowTimeWindow(ctx_.clock.Now(), offset);
    keys_.clear();
    values_.clear();
    double previous = -std::numeric_limits<double>::infinity();
    for (int i = count - 1; i >= 1; --i) {
        const TSampleRec& e = ctx_.sampleHistory[static_cast<std::size_t>(i)];
        if (!e.Valid) continue;
        const double key = ChartSeconds(e.Time, offset);
        // A NaN point between two samples breaks the line over missing ones.
        if (key - previous > kGapSeconds && std::isfinite(previous)) {
            keys_.append((previous + key) / 2);
            values_.append(std::numeric_limits<double>::quiet_NaN());
        }
        keys_.append(key);
        values_.append(static_cast<double>(e.WindSpeed));
        previous = key;
    }
    Series1->setData(keys_, values_, true);
    if (!CBAxisMan->isChecked()) AutoScaleLeftAxis();
    // Queued: the axis mode and the line of one refresh are one repaint.
    RTCWindSpeed->replot(QCustomPlot::rpQueuedReplot);
}

// Automatic scale: from 0 (or below, for negative readings) to a whole grid
// step above the highest point.
void TMainForm::AutoScaleLeftAxis() {
    double top = 1.0;
    double bottom = 0.0;
    for (const QCPGraphData& p : *Series1->data()) {
        if (std::isnan(p.value)) continue;
        top = std::max(top, p.value);
        bottom = std::min(bottom, p.value);
    }
    SetNiceRange(*LeftAxis, bottom, top * 1.1);
}

// Only the left axis changes: on a stopped chart the time axis and the line
// stay where the last refresh left them.
void TMainForm::ApplyAxisMode() {
    if (CBAxisMan->isChecked()) {
        // Exactly 0 to the chosen maximum, a grid line at every metre (every
        // second metre above 10 where that divides evenly).
        const int top = SEAxisMax->value();
        LeftAxis->setRange(0, top);
        SetAxisStep(*LeftAxis, top > 10 && top % 2 == 0 ? 2 : 1);
        LeftAxis->setNumberFormat("f");
        LeftAxis->setNumberPrecision(0);
    } else {
        AutoScaleLeftAxis();
    }
    RTCWindSpeed->replot(QCustomPlot::rpQueuedReplot);
}

void TMainForm::ApplySeriesPen() {
    QPen pen(lineColor_);
    pen.setWidth(lineWidth_);
    Series1->setPen(pen);
    RTCWindSpeed->replot(QCustomPlot::rpQueuedReplot);
}

bool TMainForm::AskColor(QColor& color) {
    ClrD1->setCurrentColor(color);
    if (ClrD1->exec() != QDialog::Accepted) return false;
    color = ClrD1->selectedColor();
    return color.isValid();
}

void TMainForm::N1_LineColorClick() {
    QColor c = lineColor_;
    if (!AskColor(c)) return;
    lineColor_ = c;
    ApplySeriesPen();
    PWindSpeed->setProperty("liveColor", c);
    ShowReadouts();
}

void TMainForm::N_LinePlusClick() {
    if (lineWidth_ < 10) ++lineWidth_;
    ApplySeriesPen();
}

void TMainForm::N_LineDecClick() {
    if (lineWidth_ > 1) --lineWidth_;
    ApplySeriesPen();
}

void TMainForm::N2_BGColorClick() {
    QColor c = backColor_;
    if (!AskColor(c)) return;
    backColor_ = c;
    RTCWindSpeed->setBackground(c);
    RTCWindSpeed->replot(QCustomPlot::rpQueuedReplot);
}

// --- Buttons ---------------------------------------------------------------------

void TMainForm::BBStartClick() {
    // Through the settings window, so that its connect button shows pressed.
    if (SysSetForm) {
        SysSetForm->ConnectPort();
    } else {
        sensorLink_.LoadPortSettings();
        sensorLink_.OpenPort();
    }
    Collecting = true;
    ctx_.mySts.CollectionStopped = false;
    ShowPortState();
}

// A port that cannot be opened, or a line that failed, is not an error the
// operator must answer; they see the port's name in the warning colour and,
// on hover, the system's reason and whether the link is reconnecting.
void TMainForm::ShowPortState() {
    const bool warn = !sensorLink_.PortFailure.empty() && !sensorLink_.PortConnected();
    QString reason;
    if (warn) {
        reason = PortFailureText(sensorLink_.PortFailure, sensorLink_.PortFailureCode);
        if (sensorLink_.Reconnect.Active()) reason = tr("回線断: 2 秒ごとに再接続中\n") + reason;
    }
    if (warn == portWarned_ && portReason_ == reason) return;
    portWarned_ = warn;
    portReason_ = reason;
    QPalette pal = SBStatus->palette();
    if (warn) pal.setColor(QPalette::WindowText, kWarningColor);
    SBPanel[2]->setPalette(pal);
    ShowPortName(Text(warn ? sensorLink_.ComPortM->Port() : ctx_.mySts.PortName));
}

// A long device path (/dev/serial/by-id/...) keeps both its ends in the
// panel; the tooltip holds it whole, and why the port is not open.
void TMainForm::ShowPortName(const QString& name) {
    QLabel* panel = SBPanel[2];
    const int width = panel->contentsRect().width();
    const QString tip = portReason_.isEmpty() ? name : name + "\n" + portReason_;
    // Shown every second and mostly unchanged: eliding measures the text.
    if (name == portNameShown_ && width == portNameWidth_ && tip == panel->toolTip()) return;
    portNameShown_ = name;
    portNameWidth_ = width;
    panel->setText(panel->fontMetrics().elidedText(name, Qt::ElideMiddle, width));
    panel->setToolTip(tip);
}

void TMainForm::BBStopClick() {
    sensorLink_.ClosePort();
    Collecting = false;
    ctx_.mySts.CollectionStopped = true;
    ctx_.currentSample.Valid = false;
    validity_.Stop();
    ShowReadouts();
    ShowDataState();
}

void TMainForm::BBSaveDataClick() {
    if (MonForm) MonForm->SavePlotData();
}

void TMainForm::BBViewerClick() {
    if (!Viewer) {
        Viewer = new ViewerForm(this);
        Viewer->SetMemoryBudget(LoadViewerMemoryBudget(ctx_.dataDir + "BaseSetpoint.ini"));
        Viewer->OpenFolder(QString::fromStdString(RecordFolder(ctx_.dataDir)));
    }
    Viewer->show();
    Viewer->raise();
    Viewer->activateWindow();
}

void TMainForm::BBSetpointClick(bool shiftHeld) {
    if (shiftHeld) {
        if (SysSetForm) {
            SysSetForm->show();
            SysSetForm->raise();
        }
        ctx_.mySts.MaintenanceMode = true;
    } else {
        link_->SetupRule();
    }
}

void TMainForm::SBStatusDblClick(bool shiftHeld) {
    if (!shiftHeld) return;
    if (MonForm) {
        MonForm->show();
        MonForm->raise();
    }
    ctx_.mySts.MaintenanceMode = true;
}

void TMainForm::CBSecRecClick() {
    ctx_.mySts.SecRec = CBSecRec->isChecked();
}

} // namespace qvr
