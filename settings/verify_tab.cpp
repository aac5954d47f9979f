#include "settings/verify_tab.h"

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/calibration_steps.h"
#include "core/calibration_view.h"
#include "report/verification_plot.h"
#include "ui/plot.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

namespace qvr {

namespace {

const QColor kSteady(160, 255, 160);
const QColor kWaiting(255, 255, 128);
const QColor kFailing(255, 200, 200);
const QColor kFailText(200, 0, 0);

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QString Fixed(double v, int decimals) {
    return QString::fromStdString(FixedDecimals(v, decimals));
}

// Set once a second: only a change touches the palette.
void Paint(QLabel* label, const QColor& colour) {
    if (label->palette().color(QPalette::Window) == colour) return;
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, colour);
    label->setPalette(pal);
}

QString StateText(const VerWindow& w) {
    switch (w.Result) {
    case VerWindow::State::Steady:
        return TVerifyTab::tr("定常　平均 %1 m/s　幅 %2 m/s（%3件）")
            .arg(Fixed(w.Mean, 3), Fixed(w.Max - w.Min, 3))
            .arg(w.Samples);
    case VerWindow::State::Unsteady:
        return TVerifyTab::tr("変動中　幅 %1 m/s（%2 m/s未満で定常）")
            .arg(Fixed(w.Max - w.Min, 3), Fixed(kVerSpanLimit, 1));
    case VerWindow::State::Filling:
        return TVerifyTab::tr("風速の計測値が%1件に達していません").arg(kVerWindow);
    case VerWindow::State::Stale:
        break;
    }
    return TVerifyTab::tr("センサーから新しい計測値がありません");
}

// The verdict as the log writes it, in the interface's language.
QString VerdictWord(const VerVerdict& v) {
    if (v.Failing > 0) return TVerifyTab::tr("不合格");
    if (!v.Enough) return TVerifyTab::tr("測定点不足");
    return TVerifyTab::tr("合格");
}

QString FitLabel(const VerFit& f) {
    if (f.Points < 2) return TVerifyTab::tr("回帰：測定点が2点以上必要です");
    if (!f.Defined) return TVerifyTab::tr("回帰：基準風速がすべて同じため傾きを算出できません");
    return TVerifyTab::tr("傾き %1　オフセット %2 m/s　r %3　標準誤差 %4")
        .arg(Fixed(f.Slope, 4), Fixed(f.Offset, 3),
             f.RDefined ? Fixed(f.R, 6) : TVerifyTab::tr("—"),
             f.StdErrorDefined ? Fixed(f.StdError, 3) + QStringLiteral(" m/s")
                               : TVerifyTab::tr("—"));
}

} // namespace

TVerifyTab::TVerifyTab(AppContext& context, Host host, QWidget* parent)
    : QWidget(parent), ctx_(context), host_(std::move(host)) {
    setObjectName("TabVerify");
    tolerance_ = LoadVerTolerance(host_.SettingsFile);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);

    auto* take = new QHBoxLayout();
    take->addWidget(new QLabel(TVerifyTab::tr("基準風速"), this));
    EVerRef = Named(new QLineEdit(this), "EVerRef");
    EVerRef->setMaximumWidth(90);
    EVerRef->setToolTip(TVerifyTab::tr("風洞の基準風速計の値 (m/s)"));
    take->addWidget(EVerRef);
    take->addWidget(new QLabel(QStringLiteral("m/s"), this));
    BBVerPoint = Named(new QPushButton(TVerifyTab::tr("測定点記録"), this), "BBVerPoint");
    BBVerPoint->setAutoDefault(false);
    BBVerPoint->setEnabled(false);
    take->addWidget(BBVerPoint);
    take->addStretch(1);
    column->addLayout(take);
    PVerState = Named(new QLabel(this), "PVerState");
    PVerState->setAutoFillBackground(true);
    PVerState->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    column->addWidget(PVerState);

    // Rows numbered by the grid itself, as the report and the log number them.
    SGVer = Named(new QTableWidget(0, 10, this), "SGVer");
    SGVer->setHorizontalHeaderLabels(
        {TVerifyTab::tr("時刻"), TVerifyTab::tr("基準\n風速"),
         TVerifyTab::tr("平均"), TVerifyTab::tr("標準\n偏差"), TVerifyTab::tr("最大"),
         TVerifyTab::tr("最小"), TVerifyTab::tr("件数"), TVerifyTab::tr("偏差"),
         TVerifyTab::tr("偏差率\n(%)"), TVerifyTab::tr("判定")});
    // Ten columns in the settings window's width: a size smaller than the tab's.
    QFont gridFont = SGVer->font();
    gridFont.setPointSizeF(gridFont.pointSizeF() * 0.9);
    SGVer->setFont(gridFont);
    SGVer->horizontalHeader()->setFont(gridFont);
    SGVer->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont).height() + 6);
    SGVer->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGVer->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGVer->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    SGVer->setMinimumHeight(120);
    column->addWidget(SGVer, 1);

    auto* edit = new QHBoxLayout();
    BBVerDel = Named(new QPushButton(TVerifyTab::tr("選択した点を削除"), this), "BBVerDel");
    BBVerDel->setAutoDefault(false);
    edit->addWidget(BBVerDel);
    edit->addStretch(1);
    edit->addWidget(new QLabel(TVerifyTab::tr("許容差 ±("), this));
    EVerTolA = Named(new QLineEdit(this), "EVerTolA");
    EVerTolA->setMaximumWidth(60);
    edit->addWidget(EVerTolA);
    edit->addWidget(new QLabel(QStringLiteral("m/s +"), this));
    EVerTolB = Named(new QLineEdit(this), "EVerTolB");
    EVerTolB->setMaximumWidth(60);
    edit->addWidget(EVerTolB);
    edit->addWidget(new QLabel(TVerifyTab::tr("% × 基準風速)"), this));
    column->addLayout(edit);

    PVerFit = Named(new QLabel(this), "PVerFit");
    PVerFit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(PVerFit);
    auto* verdict = new QHBoxLayout();
    PVerVerdict = Named(new QLabel(this), "PVerVerdict");
    PVerVerdict->setAutoFillBackground(true);
    PVerVerdict->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont big = PVerVerdict->font();
    big.setBold(true);
    PVerVerdict->setFont(big);
    verdict->addWidget(PVerVerdict, 1);
    BBVerFin = Named(new QPushButton(TVerifyTab::tr("検証完了"), this), "BBVerFin");
    BBVerFin->setAutoDefault(false);
    BBVerFin->setToolTip(TVerifyTab::tr("測定点と回帰をログとレポートに書き出します"));
    verdict->addWidget(BBVerFin);
    column->addLayout(verdict);

    auto* charts = new QHBoxLayout();
    PVerChart = Named(new QCustomPlot(this), "PVerChart");
    PVerDevChart = Named(new QCustomPlot(this), "PVerDevChart");
    for (QCustomPlot* chart : {PVerChart, PVerDevChart}) {
        chart->setMinimumHeight(170);
        charts->addWidget(chart, 1);
    }
    column->addLayout(charts, 1);
    LVerFile = Named(new QLabel(this), "LVerFile");
    LVerFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LVerFile->setWordWrap(true);
    column->addWidget(LVerFile);

    connect(BBVerPoint, &QPushButton::clicked, this, &TVerifyTab::BBVerPointClick);
    connect(BBVerDel, &QPushButton::clicked, this, &TVerifyTab::BBVerDelClick);
    connect(BBVerFin, &QPushButton::clicked, this, &TVerifyTab::BBVerFinClick);
    connect(EVerTolA, &QLineEdit::editingFinished, this, &TVerifyTab::ToleranceEdited);
    connect(EVerTolB, &QLineEdit::editingFinished, this, &TVerifyTab::ToleranceEdited);
    ShowTolerance();
    Tick();
    ShowRun();
}

void TVerifyTab::Tick() {
    window_ = JudgeVerWindow(ctx_.sampleHistory, ctx_.clock.Now());
    const QString text = StateText(window_);
    if (PVerState->text() != text) PVerState->setText(text);
    Paint(PVerState, window_.Steady() ? kSteady : kWaiting);
    BBVerPoint->setEnabled(window_.Steady());
}

void TVerifyTab::Warn(const QString& text, QWidget* focus) {
    QMessageBox::warning(this, window()->windowTitle(), text);
    if (focus) focus->setFocus();
}

void TVerifyTab::BBVerPointClick() {
    // The readings as they are at the press, not as the last tick saw them.
    Tick();
    const auto reference = ParseNumber(EVerRef->text().toStdString());
    switch (TakeVerPoint(points_, window_, reference.value_or(-1), ctx_.clock.Now())) {
    case VerTake::Taken:
        break;
    case VerTake::BadReference:
        return Warn(TVerifyTab::tr("基準風速を 0 から 100 m/s の数値で入力してください"), EVerRef);
    case VerTake::NotSteady:
        return Warn(TVerifyTab::tr("風速が定常でないため、測定点を記録できません（%1）")
                        .arg(StateText(window_)));
    case VerTake::SameData:
        return Warn(
            TVerifyTab::tr("前の測定点と同じ計測値です。新しい計測値が揃うまで待ってください"));
    }
    ShowRun();
    SGVer->scrollToBottom();
}

void TVerifyTab::BBVerDelClick() {
    std::set<int> rows;
    for (const QModelIndex& index : SGVer->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty() && SGVer->currentRow() >= 0) rows.insert(SGVer->currentRow());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it < static_cast<int>(points_.size())) points_.erase(points_.begin() + *it);
    ShowRun();
}

void TVerifyTab::ToleranceEdited() {
    const auto a = ParseNumber(EVerTolA->text().toStdString());
    const auto b = ParseNumber(EVerTolB->text().toStdString());
    if (!a || !b || !VerToleranceAllowed(*a, *b)) {
        QLineEdit* bad = !a || !VerToleranceAllowed(*a, 0) ? EVerTolA : EVerTolB;
        ShowTolerance();
        return Warn(TVerifyTab::tr("許容差は A を 0〜10 m/s、B を 0〜100 % の数値で入力してください"),
                    bad);
    }
    const VerTolerance typed{*a, *b / 100.0};
    if (typed.A == tolerance_.A && typed.B == tolerance_.B) return;
    tolerance_ = typed;
    ShowRun();
    try {
        SaveVerTolerance(host_.SettingsFile, tolerance_);
    } catch (const IniFileError& e) {
        QMessageBox::critical(this, window()->windowTitle(),
                              TVerifyTab::tr("許容差を保存できません（この実行中は有効です）\n") +
                                  QString::fromUtf8(e.what()));
    }
}

void TVerifyTab::ShowTolerance() {
    EVerTolA->setText(QString::fromStdString(GeneralNumberText(tolerance_.A)));
    EVerTolB->setText(QString::fromStdString(GeneralNumberText(tolerance_.B * 100.0)));
}

void TVerifyTab::ShowRun() {
    SGVer->setRowCount(static_cast<int>(points_.size()));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const VerPoint& p = points_[i];
        const bool pass = VerPointPasses(p, tolerance_);
        const QString cells[] = {
            QString::fromStdString(FormatDateTime("hh:nn:ss", p.Time)),
            Fixed(p.Reference, 3),
            Fixed(p.Mean, 3),
            Fixed(p.StdDev, 3),
            Fixed(p.Max, 3),
            Fixed(p.Min, 3),
            QString::number(p.Samples),
            Fixed(p.Deviation(), 3),
            VerPercentDefined(p) ? Fixed(VerPercent(p), 2) : TVerifyTab::tr("—"),
            pass ? TVerifyTab::tr("合格") : TVerifyTab::tr("不合格")};
        for (int c = 0; c < 10; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 1 && c <= 8 ? Qt::AlignRight | Qt::AlignVCenter
                                                    : Qt::AlignLeft | Qt::AlignVCenter);
            if (!pass) {
                item->setBackground(kFailing);
                item->setForeground(kFailText);
            }
            SGVer->setItem(static_cast<int>(i), c, item);
        }
    }
    const VerFit fit = FitVerification(points_);
    PVerFit->setText(FitLabel(fit));
    const VerVerdict v = JudgeVerification(points_, tolerance_);
    QString verdict = TVerifyTab::tr("判定：") + VerdictWord(v);
    if (v.Failing > 0)
        verdict += TVerifyTab::tr("（%1点が許容差外）").arg(v.Failing);
    else if (!v.Enough)
        verdict += TVerifyTab::tr("（%1 / %2点）").arg(v.Points).arg(kVerMinPoints);
    PVerVerdict->setText(verdict);
    Paint(PVerVerdict, v.Pass ? kSteady : v.Failing > 0 ? kFailing : kWaiting);
    BBVerDel->setEnabled(!points_.empty());
    BBVerFin->setEnabled(!points_.empty());

    PlotVerificationLine(*PVerChart, points_, fit, font());
    PlotVerificationDeviation(*PVerDevChart, points_, tolerance_, font());
    PVerChart->replot(QCustomPlot::rpQueuedReplot);
    PVerDevChart->replot(QCustomPlot::rpQueuedReplot);
}

void TVerifyTab::BBVerFinClick() {
    if (points_.empty()) return Warn(TVerifyTab::tr("測定点がありません"));
    const std::string serial = host_.SerialNo();
    if (const std::string problem = SerialNumberProblem(serial); !problem.empty())
        return Warn(QString::fromStdString(problem));
    const TDateTime now = ctx_.clock.Now();
    const std::string logName = serial + "_VER.csv";
    const std::string logPath = ctx_.exeDir + logName;
    QString shown;
    try {
        WriteVerLog(logPath, points_, tolerance_, now);
        shown = TVerifyTab::tr("ログ: ") + QString::fromStdString(logPath);
        const std::string report = host_.WriteReport({points_, tolerance_, now, logName});
        shown += TVerifyTab::tr("\nレポート: ") + QString::fromStdString(report);
    } catch (const TextFileError& e) {
        // The points stay on screen for another try.
        LVerFile->setText(shown);
        QMessageBox::critical(this, window()->windowTitle(), QString::fromUtf8(e.what()));
        return;
    }
    LVerFile->setText(shown);
}

} // namespace qvr
