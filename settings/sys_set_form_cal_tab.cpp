// The calibration tab of the settings window: its controls and its timer tick.
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"

#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/calibration_texts.h"
#include "core/calibration_view.h"
#include "core/setpoint_file.h"
#include "core/write_safeguard.h"
#include "report/report_pdf.h"
#include "ui/app_globals.h"
#include "ui/language.h"
#include "write/write_form.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSysInfo>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace qvr {

namespace {

QLabel* CalPanel(const char* name, QWidget* parent) {
    auto* p = new QLabel(parent);
    p->setObjectName(name);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setAlignment(Qt::AlignCenter);
    p->setAutoFillBackground(true);
    p->setMinimumSize(110, 26);
    return p;
}

QPushButton* CalButton(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumHeight(26);
    return b;
}

QColor ColourOf(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

bool Shows(const QBrush& brush, const QColor& colour) {
    return brush.style() == Qt::SolidPattern && brush.color() == colour;
}

// The tab ticks every second, shown or not, and setting a palette resolves and
// compares it whole even when nothing changes: a colour is set only when the
// widget does not already hold it for every group.
void SetColour(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    const QPalette& now = w->palette();
    bool held = true;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        held = held && now.isBrushSet(group, role) && Shows(now.brush(group, role), colour);
    if (held) return;
    QPalette pal = now;
    pal.setColor(role, colour);
    w->setPalette(pal);
}

void SetBackground(QWidget* w, const QColor& colour) {
    SetColour(w, QPalette::Window, colour);
}

// The calibration's texts in the interface's language.
QString CalibrationText(const std::string& text) {
    return TranslatePieces(text, calibration_text::kContext, calibration_text::kPieces);
}

// A text is converted and written only when it differs from the one shown.
void SetText(QLabel* label, std::string& shown, const std::string& text) {
    if (text == shown) return;
    label->setText(CalibrationText(text));
    shown = text;
}

// The face of a button, which a set panel shows while its stage is open.
QColor Face(const QWidget* w) {
    return w->palette().color(QPalette::Button);
}

void SetGauge(QLabel* panel, std::string& shown, QProgressBar* gauge, const std::string& text,
              int percent) {
    SetText(panel, shown, text);
    gauge->setValue(percent);
    SetColour(gauge, QPalette::Highlight, ColourOf(GaugeColour(percent)));
}

} // namespace

QWidget* TSysSetForm::BuildCalibrationTab() {
    auto* tab = new QWidget(this);
    tab->setObjectName("TSCalibration");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    BBCalStart = CalButton("BBCalStart", tr("キャリブレーション開始"), tab);
    BBCalStart->setMinimumHeight(32);
    column->addWidget(BBCalStart, 0, Qt::AlignLeft);

    // Four stage rows: candidate, value in use, confirm; the send button beside them.
    auto* stages = new QGridLayout();
    stages->setHorizontalSpacing(6);
    stages->setVerticalSpacing(6);
    const auto stage = [&](int row, QLabel*& candidate, const char* candidateName, QLabel*& set,
                           const char* setName, QPushButton*& confirm, const char* confirmName,
                           const QString& caption) {
        candidate = CalPanel(candidateName, tab);
        set = CalPanel(setName, tab);
        confirm = CalButton(confirmName, caption, tab);
        stages->addWidget(candidate, row, 0);
        stages->addWidget(set, row, 1);
        stages->addWidget(confirm, row, 2);
    };
    stage(0, PATRev, "PATRev", PATRevSet, "PATRevSet", BBATRcvFin, "BBATRcvFin",
          tr("気温器差確定"));
    stage(1, PWTRev, "PWTRev", PWTRevSet, "PWTRevSet", BBWSTRcvFin, "BBWSTRcvFin",
          tr("素子温度器差確定"));
    stage(2, PWS0Cal, "PWS0Cal", PWS0CalSet, "PWS0CalSet", BB0mCalFin, "BB0mCalFin",
          tr("0m/s.調整確定"));
    CB0mSmpl = new QCheckBox(tr("0m 判断簡略化"), tab);
    CB0mSmpl->setObjectName("CB0mSmpl");
    stages->addWidget(CB0mSmpl, 3, 2);
    stage(4, PWS4Cal, "PWS4Cal", PWS4CalSet, "PWS4CalSet", BB4mCalFin, "BB4mCalFin",
          ReferenceConfirmText(ctx_.writePrm.AdjWS));
    BitBtn6 = CalButton("BitBtn6", tr("　設定送出"), tab);
    BitBtn6->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    stages->addWidget(BitBtn6, 0, 3, 5, 1);
    column->addLayout(stages);
    LCalNote = new QLabel(tab);
    LCalNote->setObjectName("LCalNote");
    LCalNote->setWordWrap(true);
    LCalNote->setStyleSheet("color: rgb(200, 0, 0);");
    column->addWidget(LCalNote);
    connect(BitBtn6, &QPushButton::clicked, this, [this] {
        if (WriteForm) WriteForm->SetCalibrationSend(true);
        BBWriteClick();
        if (WriteForm) WriteForm->SetCalibrationSend(false);
    });

    auto* finish = new QHBoxLayout();
    PFinish = CalPanel("PFinish", tab);
    PFinish->setMinimumWidth(260);
    BBFin = CalButton("BBFin", tr("作業完了"), tab);
    finish->addWidget(PFinish, 1);
    finish->addWidget(BBFin);
    column->addLayout(finish);
    LCalNext = new QLabel(tab);
    LCalNext->setObjectName("LCalNext");
    LCalNext->setWordWrap(true);
    column->addWidget(LCalNext);
    LReport = new QLabel(tab);
    LReport->setObjectName("LReport");
    // The report's path is a link that opens the PDF.
    LReport->setTextFormat(Qt::RichText);
    LReport->setTextInteractionFlags(Qt::TextBrowserInteraction);
    LReport->setOpenExternalLinks(true);
    // A long path must not widen the window past its scroll area: the label
    // takes the width it is given and wraps; the whole path is in its tooltip.
    LReport->setWordWrap(true);
    LReport->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(LReport);

    auto* gauges = new QGridLayout();
    const auto gauge = [&](int row, QLabel*& panel, const char* panelName, QProgressBar*& bar,
                           const char* barName) {
        panel = CalPanel(panelName, tab);
        bar = new QProgressBar(tab);
        bar->setObjectName(barName);
        bar->setRange(0, 100);
        bar->setValue(0);
        gauges->addWidget(panel, row, 0);
        gauges->addWidget(bar, row, 1);
    };
    gauge(0, PWSAS5, "PWSAS5", NmGage5, "NmGage5");
    gauge(1, PWSAS15, "PWSAS15", NmGage15, "NmGage15");
    gauges->setColumnStretch(1, 1);
    column->addLayout(gauges);

    Label12 = new QLabel(tr("計測値判断状況 ─────────────────────────────"), tab);
    Label12->setObjectName("Label12");
    column->addWidget(Label12);
    SGCalData = new QTableWidget(11, 5, tab);
    SGCalData->setObjectName("SGCalData");
    SGCalData->horizontalHeader()->hide();
    SGCalData->verticalHeader()->hide();
    SGCalData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGCalData->verticalHeader()->setMinimumSectionSize(1);
    SGCalData->verticalHeader()->setDefaultSectionSize(18);
    SGCalData->setColumnWidth(0, 70);
    for (int c = 1; c < 5; ++c)
        SGCalData->setColumnWidth(c, 50);
    SGCalData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGCalData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGCalData->setFixedSize(70 + 4 * 50 + 2 * SGCalData->frameWidth(),
                            11 * 18 + 2 * SGCalData->frameWidth());
    column->addWidget(SGCalData, 0, Qt::AlignLeft);
    column->addStretch(1);
    for (int row = 0; row < EvaluationGrid::kRows; ++row)
        for (int c = 0; c < EvaluationGrid::kColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setForeground(Qt::black);
            SGCalData->setItem(row, c, item);
        }

    connect(BBCalStart, &QPushButton::clicked, this, &TSysSetForm::BBCalStartClick);
    connect(BBATRcvFin, &QPushButton::clicked, this, &TSysSetForm::BBATRcvFinClick);
    connect(BBWSTRcvFin, &QPushButton::clicked, this, &TSysSetForm::BBWSTRcvFinClick);
    connect(BB0mCalFin, &QPushButton::clicked, this, &TSysSetForm::BB0mCalFinClick);
    connect(BB4mCalFin, &QPushButton::clicked, this, &TSysSetForm::BB4mCalFinClick);
    connect(BBFin, &QPushButton::clicked, this, &TSysSetForm::BBFinClick);
    ShowEvaluation(); // the tab reads sensibly before the first tick
    UpdateCalControls();
    return tab;
}

void TSysSetForm::Tim1STimer() {
    Cal.UpdateStatistics(ctx_.currentSample, ctx_.sampleHistory, ctx_.writePrm.AdjWS,
                         ctx_.clock.Now());
    CalJournal.AddSample(ctx_.sampleHistory[0]);
    ShowEvaluation();
    UpdateCalControls();
    TabVerify->Tick();
}

void TSysSetForm::ShowEvaluation() {
    // Widths the operator dragged come back each tick; an unchanged one is
    // not set again, as setting one measures the header's font.
    for (int c = 0; c < EvaluationGrid::kColumns; ++c)
        if (const int width = c == 0 ? 70 : 50; SGCalData->columnWidth(c) != width)
            SGCalData->setColumnWidth(c, width);
    const EvaluationGrid grid = BuildEvaluationGrid(Cal);
    const QColor header = SGCalData->palette().color(QPalette::Button);
    for (int row = 0; row < EvaluationGrid::kRows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        // Row 0 keeps a header's look; the others show their verdict, label included.
        const QColor fill =
            row == 0 ? header : ColourOf(grid.RowStable[r] ? kCalGreen : kCalYellow);
        for (int c = 0; c < EvaluationGrid::kColumns; ++c) {
            const auto col = static_cast<std::size_t>(c);
            QTableWidgetItem* item = SGCalData->item(row, c);
            std::string& shown = shownGrid_.Cells[r][col];
            if (grid.Cells[r][col] != shown) {
                item->setText(CalibrationText(grid.Cells[r][col]));
                shown = grid.Cells[r][col];
            }
            if (!Shows(item->background(), fill)) item->setBackground(fill);
        }
    }

    const CalibrationPanels p = BuildCalibrationPanels(Cal, ctx_.writePrm);
    struct Candidate {
        QLabel* Panel;
        const CandidatePanel& Now;
        CandidatePanel& Shown;
    };
    const Candidate candidates[] = {{PATRev, p.ATRev, shownPanels_.ATRev},
                                    {PWTRev, p.WTRev, shownPanels_.WTRev},
                                    {PWS0Cal, p.WS0Cal, shownPanels_.WS0Cal},
                                    {PWS4Cal, p.WS4Cal, shownPanels_.WS4Cal}};
    for (const auto& c : candidates) {
        SetText(c.Panel, c.Shown.Text, c.Now.Text);
        SetBackground(c.Panel, ColourOf(c.Now.Green ? kCalGreen : kCalYellow));
    }
    SetText(PATRevSet, shownPanels_.ATRevSet, p.ATRevSet);
    SetText(PWTRevSet, shownPanels_.WTRevSet, p.WTRevSet);
    SetText(PWS0CalSet, shownPanels_.WS0CalSet, p.WS0CalSet);
    SetText(PWS4CalSet, shownPanels_.WS4CalSet, p.WS4CalSet);
    SetText(LCalNote, shownPanels_.Note, CalibrationNote(Cal, ctx_.mySts.FastMode));
}

void TSysSetForm::UpdateCalControls() {
    const CalControls c = DecideCalControls(Cal, CB0mSmpl->isChecked());
    const auto setPanel = [this](QLabel* panel, bool grey) {
        SetBackground(panel, grey ? ColourOf(kCalGrey) : Face(this));
    };
    BBATRcvFin->setEnabled(c.ATRcvFinEnabled);
    setPanel(PATRevSet, c.ATRevSetGrey);
    BBWSTRcvFin->setEnabled(c.WSTRcvFinEnabled);
    setPanel(PWTRevSet, c.WTRevSetGrey);
    BB0mCalFin->setEnabled(c.ZeroCalFinEnabled);
    setPanel(PWS0CalSet, c.WS0CalSetGrey);
    BB4mCalFin->setEnabled(c.SpanCalFinEnabled);
    setPanel(PWS4CalSet, c.WS4CalSetGrey);
    SetBackground(PFinish, ColourOf(c.Complete ? kCalGreen : kCalYellow));
    SetText(PFinish, shownControls_.FinishText, c.FinishText);
    const QString next = CalNextAction(Cal.CalStep, ctx_.writePrm.AdjWS);
    if (LCalNext->text() != next) LCalNext->setText(next);
    // The reference-speed stage names the speed it confirms.
    const QString confirm = ReferenceConfirmText(ctx_.writePrm.AdjWS);
    if (BB4mCalFin->text() != confirm) BB4mCalFin->setText(confirm);
    BBFin->setEnabled(c.Complete);
    SetGauge(PWSAS5, shownControls_.WsAvg5Text, NmGage5, c.WsAvg5Text, c.Gauge5Percent);
    SetGauge(PWSAS15, shownControls_.WsAvg15Text, NmGage15, c.WsAvg15Text, c.Gauge15Percent);
}

// What the operator does next at each step: the stage to wait for and its
// button, or the send that lets the sensor show the new value.
QString TSysSetForm::ReferenceConfirmText(float referenceSpeed) {
    return QCoreApplication::translate("SysSetForm", "%1 m/s 調整確定")
        .arg(QString::fromStdString(FormatFloat("%1.2f", static_cast<double>(referenceSpeed))));
}

QString TSysSetForm::CalNextAction(int step, float referenceSpeed) {
    const char* const next[] = {
        QT_TRANSLATE_NOOP("SysSetForm",
                          "次: シリアル番号を入れて「キャリブレーション開始」を押してください"),
        QT_TRANSLATE_NOOP("SysSetForm", "次: 気温が安定したら「気温器差確定」を押してください"),
        QT_TRANSLATE_NOOP("SysSetForm",
                          "次: 素子の温度が安定したら「素子温度器差確定」を押してください"),
        QT_TRANSLATE_NOOP("SysSetForm",
                          "次: 風速 0 m/s で安定したら「0m/s.調整確定」を押してください"),
        QT_TRANSLATE_NOOP("SysSetForm", "次: 「設定送出」でセンサーへ送ってください"
                                        "（0 m/s を示すと Step-5 に進みます）"),
        QT_TRANSLATE_NOOP("SysSetForm",
                          "次: 基準風速 %1 m/s で安定したら「%1 m/s 調整確定」を押してください"),
        QT_TRANSLATE_NOOP("SysSetForm", "次: 「設定送出」でセンサーへ送ってください"
                                        "（基準風速を示すと完了します）"),
        QT_TRANSLATE_NOOP("SysSetForm", "次: 「作業完了」を押してレポートを作ってください"),
    };
    if (step < 0 || step >= static_cast<int>(std::size(next))) return {};
    const QString text = QCoreApplication::translate("SysSetForm", next[step]);
    if (!text.contains("%1")) return text;
    return text.arg(
        QString::fromStdString(FormatFloat("%1.2f", static_cast<double>(referenceSpeed))));
}

template <typename Step> void TSysSetForm::RunCalStep(Step step) {
    ShowStatus({}); // the last action's line is no news for this one
    try {
        step();
    } catch (const SetpointFileError& e) {
        ShowSaveError(SetpointMessage(e.what())); // "DefaultPrm.qvr" refused
    } catch (const std::exception& e) {
        ShowSaveError(CalibrationText(e.what()));
    }
}

void TSysSetForm::BBCalStartClick() {
    RunCalStep([this] {
        // The defaults are loaded before the sensor file is saved, so the run
        // starts from them even when that save fails.
        const auto journal = [this] { CalJournal.Start(ctx_.writePrm, ctx_.clock.Now()); };
        try {
            calSteps_.Start(ESNum->text().toStdString());
        } catch (const StepRefused&) {
            throw; // refused before anything changed
        } catch (const SetpointFileError&) {
            throw; // "DefaultPrm.qvr" refused before anything changed
        } catch (...) {
            journal();
            throw;
        }
        journal();
    });
}

void TSysSetForm::ConfirmStage(CalibrationSteps::Stage stage, CalStage reported) {
    RunCalStep([this, stage, reported] {
        const auto journal = [this, reported] {
            CalJournal.Confirm(reported, ctx_.writePrm, ctx_.clock.Now());
        };
        try {
            calSteps_.Confirm(stage);
        } catch (const IniFileError&) {
            journal(); // stored and logged; only the per-sensor file failed
            throw;
        }
        journal();
    });
}

void TSysSetForm::BBATRcvFinClick() {
    ConfirmStage(CalibrationSteps::Stage::AirTemp, CalStage::AirTemp);
}

void TSysSetForm::BBWSTRcvFinClick() {
    ConfirmStage(CalibrationSteps::Stage::ElementTemp, CalStage::WdsTemp);
}

void TSysSetForm::BB0mCalFinClick() {
    ConfirmStage(CalibrationSteps::Stage::ZeroSpeed, CalStage::Zero);
}

void TSysSetForm::BB4mCalFinClick() {
    ConfirmStage(CalibrationSteps::Stage::ReferenceSpeed, CalStage::Span);
}

void TSysSetForm::BBFinClick() {
    RunCalStep([this] {
        calSteps_.Finish();
        WriteReport();
    });
}

void TSysSetForm::WriteReport() {
    ReportContext c = ReportContextNow();
    const TDateTime now = c.Created;
    c.WsAvg15 = Cal.WsAvg15;
    // A frozen history measures nothing of the sensor as it is now.
    c.Measured = Cal.Fresh && AnyValid(ctx_.sampleHistory, 15);
    c.MeasuredFrom = OldestValid(ctx_.sampleHistory, 15);
    c.LastWrite = LastWrite;
    const std::string path = StampedPathIn(ctx_.dataDir + "Report", c.After.SerialNo, now, ".pdf");
    CalibrationReport report = CalJournal.Build(c);
    WriteReportPdf(report, QString::fromStdString(path));
    ReportPath = path;
    lastReport_ = std::move(report);
    const QString shown = QString::fromStdString(path);
    LReport->setText(
        tr("レポート: ") +
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(QUrl::fromLocalFile(shown).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                 shown.toHtmlEscaped()));
    LReport->setToolTip(QDir::toNativeSeparators(shown));
}

ReportContext TSysSetForm::ReportContextNow() const {
    ReportContext c;
    c.After = ctx_.writePrm;
    c.Folder = ctx_.dataDir;
    c.Created = ctx_.clock.Now();
    c.Computer = QSysInfo::machineHostName().toStdString();
    c.ProgramVersion = AppVersion;
    c.Sensor = ctx_.currentSample;
    return c;
}

std::string TSysSetForm::WriteVerificationReport(const ReportVerification& verification) {
    const std::string serial = ESNum->text().toStdString();
    if (lastReport_ && lastReport_->SerialNo == serial) {
        // The same sensor's calibration report, whole again with the page added.
        CalibrationReport report = *lastReport_;
        report.Verification = verification;
        WriteReportPdf(report, QString::fromStdString(ReportPath));
        lastReport_ = std::move(report);
        return ReportPath;
    }
    ReportContext c = ReportContextNow();
    c.After.SerialNo = serial;
    const std::string path = StampedPathIn(ctx_.dataDir + "Report", serial, c.Created, "_VER.pdf");
    WriteReportPdf(BuildVerificationReport(c, verification), QString::fromStdString(path));
    return path;
}

void TSysSetForm::DefaultsMissing() {
    QMessageBox::critical(this, windowTitle(), tr("DefaultPrm.qvrが見つかりません。"),
                          QMessageBox::Ok);
}

void TSysSetForm::DefaultsIncomplete(const std::string& message) {
    QMessageBox::information(this, windowTitle(), SetpointMessage(message), QMessageBox::Ok);
}

void TSysSetForm::StepChanged() {
    UpdateCalControls();
    ParamsToEdits();
}

} // namespace qvr
