#include "settings/verify_tab.h"

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/calibration_steps.h"
#include "core/calibration_view.h"
#include "core/sample_validity.h"
#include "report/ver_certificate.h"
#include "report/verification_plot.h"
#include "ui/plot.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
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

QString StateText(const VerWindow& w, bool afterPoint) {
    switch (w.Result) {
    case VerWindow::State::Steady:
        return TVerifyTab::tr("定常　平均 %1 m/s　幅 %2 m/s（%3件）")
            .arg(Fixed(w.Mean, 3), Fixed(w.Max - w.Min, 3))
            .arg(w.Samples);
    case VerWindow::State::Unsteady:
        return TVerifyTab::tr("変動中　幅 %1 m/s（%2 m/s未満で定常）")
            .arg(Fixed(w.Max - w.Min, 3), Fixed(kVerSpanLimit, 1));
    case VerWindow::State::Filling:
        // A point never shares a reading with another: the operator sees how
        // many more the next one needs.
        if (afterPoint)
            return TVerifyTab::tr("次の測定点まで新しい計測値があと%1件必要です")
                .arg(kVerWindow - w.Samples);
        return TVerifyTab::tr("風速の計測値が%1件に達していません（あと%2件）")
            .arg(kVerWindow)
            .arg(kVerWindow - w.Samples);
    case VerWindow::State::Stale:
        break;
    }
    return TVerifyTab::tr("センサーから新しい計測値がありません");
}

QString Translated(const std::string& text) {
    return QCoreApplication::translate("CalibrationReport", text.c_str());
}

QString VerdictLine(const VerVerdict& v, const VerRange& range) {
    QString verdict = TVerifyTab::tr("判定：") + Translated(VerVerdictText(v));
    if (v.Failing > 0)
        verdict += TVerifyTab::tr("（%1点が許容差外）").arg(v.Failing);
    else if (!v.Enough)
        verdict += TVerifyTab::tr("（%1 / %2点）").arg(v.Points).arg(range.MinPoints);
    else if (!v.Spread)
        verdict += TVerifyTab::tr("（%3 m/s以上離れた基準風速 %1 / %2種類）")
                       .arg(v.Speeds)
                       .arg(range.MinSpeeds)
                       .arg(Fixed(range.SpeedStep, 2));
    return verdict;
}

QString FitLabel(const VerFit& f) {
    if (!f.Defined) return TVerifyTab::tr("回帰：") + Translated(VerFitGapText(f.Gap));
    if (!f.StdErrorDefined)
        return TVerifyTab::tr("傾き %1　オフセット %2 m/s　r %3")
            .arg(Fixed(f.Slope, 4), Fixed(f.Offset, 3), Fixed(f.R, 6));
    return TVerifyTab::tr("傾き %1 ± %2　オフセット %3 ± %4 m/s　r %5　残差標準偏差 %6 m/s")
        .arg(Fixed(f.Slope, 4), Fixed(f.SlopeError, 4), Fixed(f.Offset, 3), Fixed(f.OffsetError, 3),
             Fixed(f.R, 6), Fixed(f.StdError, 3));
}

QString Number(double v) {
    return QString::fromStdString(GeneralNumberText(v));
}

} // namespace

TVerifyTab::TVerifyTab(AppContext& context, Host host, QWidget* parent)
    : QWidget(parent), ctx_(context), host_(std::move(host)) {
    setObjectName("TabVerify");
    settings_ = LoadVerSettings(host_.SettingsFile);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    PCVer = Named(new QTabWidget(this), "PCVer");
    PCVer->setDocumentMode(true);
    outer->addWidget(PCVer);
    auto* measure = new QWidget(PCVer);
    PCVer->addTab(measure, TVerifyTab::tr("測定"));
    PCVer->addTab(BuildCertificatePage(), TVerifyTab::tr("証明書の記載事項"));

    auto* column = new QVBoxLayout(measure);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);

    auto* take = new QHBoxLayout();
    take->addWidget(new QLabel(TVerifyTab::tr("基準風速"), measure));
    EVerRef = Named(new QLineEdit(measure), "EVerRef");
    EVerRef->setMaximumWidth(60);
    EVerRef->setToolTip(TVerifyTab::tr("風洞の基準風速計の値 (m/s)"));
    take->addWidget(EVerRef);
    take->addWidget(new QLabel(QStringLiteral("m/s ±"), measure));
    EVerRefUnc = Named(new QLineEdit(measure), "EVerRefUnc");
    EVerRefUnc->setMaximumWidth(45);
    EVerRefUnc->setToolTip(
        TVerifyTab::tr("基準風速計の拡張不確かさ (k=2)：その校正証明書に記載の値"));
    take->addWidget(EVerRefUnc);
    CBVerRefUncUnit = Named(new QComboBox(measure), "CBVerRefUncUnit");
    CBVerRefUncUnit->addItems({QStringLiteral("m/s"), QStringLiteral("%")});
    CBVerRefUncUnit->setToolTip(TVerifyTab::tr("m/s、または読値の %"));
    take->addWidget(CBVerRefUncUnit);
    BBVerPoint = Named(new QPushButton(TVerifyTab::tr("測定点記録"), measure), "BBVerPoint");
    BBVerPoint->setAutoDefault(false);
    BBVerPoint->setEnabled(false);
    take->addWidget(BBVerPoint);
    take->addStretch(1);
    column->addLayout(take);
    PVerState = Named(new QLabel(measure), "PVerState");
    PVerState->setAutoFillBackground(true);
    PVerState->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    column->addWidget(PVerState);

    // Rows numbered by the grid itself, as the report and the log number them.
    SGVer = Named(new QTableWidget(0, 11, measure), "SGVer");
    SGVer->setHorizontalHeaderLabels(
        {TVerifyTab::tr("時刻"), TVerifyTab::tr("基準\n風速"), TVerifyTab::tr("平均"),
         TVerifyTab::tr("標準\n偏差"), TVerifyTab::tr("最大"), TVerifyTab::tr("最小"),
         TVerifyTab::tr("件数"), TVerifyTab::tr("偏差"), TVerifyTab::tr("偏差率\n(%)"),
         TVerifyTab::tr("拡張不確\nかさ(k=2)"), TVerifyTab::tr("判定")});
    // Eleven columns in the settings window's width: a size smaller than the tab's.
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
    BBVerDel = Named(new QPushButton(TVerifyTab::tr("選択した点を削除"), measure), "BBVerDel");
    BBVerDel->setAutoDefault(false);
    edit->addWidget(BBVerDel);
    edit->addStretch(1);
    edit->addWidget(new QLabel(TVerifyTab::tr("許容差 ±("), measure));
    EVerTolA = Named(new QLineEdit(measure), "EVerTolA");
    EVerTolA->setMaximumWidth(45);
    edit->addWidget(EVerTolA);
    edit->addWidget(new QLabel(QStringLiteral("m/s +"), measure));
    EVerTolB = Named(new QLineEdit(measure), "EVerTolB");
    EVerTolB->setMaximumWidth(45);
    edit->addWidget(EVerTolB);
    edit->addWidget(new QLabel(TVerifyTab::tr("% × 基準風速)"), measure));
    column->addLayout(edit);

    PVerFit = Named(new QLabel(measure), "PVerFit");
    PVerFit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PVerFit->setWordWrap(true);
    column->addWidget(PVerFit);
    auto* verdict = new QHBoxLayout();
    PVerVerdict = Named(new QLabel(measure), "PVerVerdict");
    PVerVerdict->setAutoFillBackground(true);
    PVerVerdict->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont big = PVerVerdict->font();
    big.setBold(true);
    PVerVerdict->setFont(big);
    verdict->addWidget(PVerVerdict, 1);
    BBVerFin = Named(new QPushButton(TVerifyTab::tr("検証完了"), measure), "BBVerFin");
    BBVerFin->setAutoDefault(false);
    BBVerFin->setToolTip(
        TVerifyTab::tr("測定点と回帰をログ、レポートとデジタル証明書に書き出します"));
    verdict->addWidget(BBVerFin);
    column->addLayout(verdict);

    auto* charts = new QHBoxLayout();
    PVerChart = Named(new QCustomPlot(measure), "PVerChart");
    PVerDevChart = Named(new QCustomPlot(measure), "PVerDevChart");
    for (QCustomPlot* chart : {PVerChart, PVerDevChart}) {
        chart->setMinimumHeight(170);
        charts->addWidget(chart, 1);
    }
    column->addLayout(charts, 1);
    LVerFile = Named(new QLabel(measure), "LVerFile");
    LVerFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LVerFile->setWordWrap(true);
    column->addWidget(LVerFile);

    connect(BBVerPoint, &QPushButton::clicked, this, &TVerifyTab::BBVerPointClick);
    connect(BBVerDel, &QPushButton::clicked, this, &TVerifyTab::BBVerDelClick);
    connect(BBVerFin, &QPushButton::clicked, this, &TVerifyTab::BBVerFinClick);
    connect(EVerTolA, &QLineEdit::editingFinished, this, &TVerifyTab::ToleranceEdited);
    connect(EVerTolB, &QLineEdit::editingFinished, this, &TVerifyTab::ToleranceEdited);
    connect(EVerRefUnc, &QLineEdit::editingFinished, this, &TVerifyTab::RefUncertaintyEdited);
    connect(CBVerRefUncUnit, &QComboBox::activated, this, &TVerifyTab::RefUncertaintyEdited);
    ShowSettings();
    Tick();
    ShowRun();
}

QWidget* TVerifyTab::BuildCertificatePage() {
    auto* page = new QWidget(PCVer);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    const struct {
        QLineEdit** edit;
        const char* name;
        QString label;
        QString tip;
    } fields[] = {
        {&EVerLabName, "EVerLabName", TVerifyTab::tr("校正機関名 *"), {}},
        {&EVerLabAddress, "EVerLabAddress", TVerifyTab::tr("校正機関の所在地"), {}},
        {&EVerCustomer, "EVerCustomer", TVerifyTab::tr("依頼者名 *"), {}},
        {&EVerCustomerRef, "EVerCustomerRef", TVerifyTab::tr("依頼者の参照番号"),
         TVerifyTab::tr("注文番号など、依頼者が指定した番号")},
        {&EVerProcedure, "EVerProcedure", TVerifyTab::tr("手順"),
         TVerifyTab::tr("空欄のときは「QVR Monitor 検証」")},
        {&EVerTunnel, "EVerTunnel", TVerifyTab::tr("風洞の識別名 *"), {}},
        {&EVerMountDiameter, "EVerMountDiameter", TVerifyTab::tr("取付管の直径 (mm) *"), {}},
        {&EVerMaker, "EVerMaker", TVerifyTab::tr("センサーの製造者"),
         TVerifyTab::tr("空欄のときは「不明」")},
    };
    int row = 0;
    for (const auto& f : fields) {
        *f.edit = Named(new QLineEdit(page), f.name);
        (*f.edit)->setToolTip(f.tip);
        grid->addWidget(new QLabel(f.label, page), row, 0);
        grid->addWidget(*f.edit, row, 1);
        connect(*f.edit, &QLineEdit::editingFinished, this, &TVerifyTab::LabEdited);
        ++row;
    }
    auto* note = new QLabel(
        TVerifyTab::tr("* の項目は、「検証完了」でデジタル証明書 (シリアル番号_VER.json) "
                       "を書き出すのに必要です。内容は BaseSetpoint.ini に保存されます。"),
        page);
    note->setWordWrap(true);
    grid->addWidget(note, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void TVerifyTab::Tick() {
    const TDateTime now = ctx_.clock.Now();
    const TSampleRec& current = ctx_.currentSample;
    collection_.Observe(current, host_.SerialNo ? host_.SerialNo() : std::string(),
                        ctx_.mySts.FastMode, now);
    collection_.After = 0;
    for (const VerPoint& p : points_)
        collection_.After = std::max(collection_.After, p.Newest);
    if (current.Valid && (current.Sent & FieldBit(SampleField::ModelNo)) && current.ModelNo > 0)
        model_ = FormatFloat("%1.2f", current.ModelNo);
    if (current.Valid && (current.Sent & FieldBit(SampleField::Version)) && current.Version > 0)
        firmware_ = FormatFloat("%1.2f", current.Version);
    window_ = JudgeVerWindow(ctx_.sampleHistory, collection_, now);
    const QString text = StateText(window_, collection_.After > 0);
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
    if (reference && window_.Steady() &&
        VerLikelySlip(points_, *reference, window_.Mean, settings_.Tolerance)) {
        const QString question =
            TVerifyTab::tr("基準風速が前の測定点（%1 m/s）から変わっていませんが、センサーは "
                           "%2 m/s を示しています。このまま記録しますか？")
                .arg(Fixed(points_.back().Reference, 3), Fixed(window_.Mean, 3));
        if (QMessageBox::question(this, window()->windowTitle(), question,
                                  QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes) {
            EVerRef->setFocus();
            EVerRef->selectAll();
            return;
        }
        Tick(); // the readings may have moved on while the question stood
    }
    switch (TakeVerPoint(points_, window_, reference.value_or(-1), ctx_.clock.Now())) {
    case VerTake::Taken:
        break;
    case VerTake::BadReference:
        return Warn(TVerifyTab::tr("基準風速を 0 から 100 m/s の数値で入力してください"), EVerRef);
    case VerTake::NotSteady:
        return Warn(TVerifyTab::tr("風速が定常でないため、測定点を記録できません（%1）")
                        .arg(StateText(window_, collection_.After > 0)));
    case VerTake::SameData:
        return Warn(
            TVerifyTab::tr("前の測定点と同じ計測値です。新しい計測値が揃うまで待ってください"));
    }
    Tick(); // the next point needs readings newer than this one
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

void TVerifyTab::SaveSettings() {
    try {
        SaveVerSettings(host_.SettingsFile, settings_);
    } catch (const IniFileError& e) {
        QMessageBox::critical(
            this, window()->windowTitle(),
            TVerifyTab::tr("検証の設定を保存できません（この実行中は有効です）\n") +
                QString::fromUtf8(e.what()));
    }
}

void TVerifyTab::ToleranceEdited() {
    const auto a = ParseNumber(EVerTolA->text().toStdString());
    const auto b = ParseNumber(EVerTolB->text().toStdString());
    if (!a || !b || !VerToleranceAllowed(*a, *b)) {
        QLineEdit* bad = !a || !VerToleranceAllowed(*a, 0) ? EVerTolA : EVerTolB;
        ShowSettings();
        return Warn(
            TVerifyTab::tr("許容差は A を 0〜10 m/s、B を 0〜100 % の数値で入力してください"), bad);
    }
    const VerTolerance typed{*a, *b / 100.0};
    if (typed.A == settings_.Tolerance.A && typed.B == settings_.Tolerance.B) return;
    settings_.Tolerance = typed;
    ShowRun();
    SaveSettings();
}

void TVerifyTab::RefUncertaintyEdited() {
    const bool percent = CBVerRefUncUnit->currentIndex() == 1;
    const QString text = EVerRefUnc->text().trimmed();
    const auto v = text.isEmpty() ? std::optional<double>(0.0) : ParseNumber(text.toStdString());
    if (!v || !VerRefUncertaintyAllowed(*v, percent)) {
        ShowSettings();
        return Warn(
            TVerifyTab::tr("基準器の不確かさは 0〜10 m/s または 0〜100 % の数値で入力してください"),
            EVerRefUnc);
    }
    if (*v == settings_.RefUnc.Value && percent == settings_.RefUnc.Percent) return;
    settings_.RefUnc = {*v, percent};
    ShowRun();
    SaveSettings();
}

void TVerifyTab::LabEdited() {
    const VerLab typed{EVerLabName->text().trimmed().toStdString(),
                       EVerLabAddress->text().trimmed().toStdString(),
                       EVerCustomer->text().trimmed().toStdString(),
                       EVerCustomerRef->text().trimmed().toStdString(),
                       EVerProcedure->text().trimmed().toStdString(),
                       EVerTunnel->text().trimmed().toStdString(),
                       EVerMountDiameter->text().trimmed().toStdString(),
                       EVerMaker->text().trimmed().toStdString()};
    const VerLab& kept = settings_.Lab;
    if (typed.LabName == kept.LabName && typed.LabAddress == kept.LabAddress &&
        typed.Customer == kept.Customer && typed.CustomerRef == kept.CustomerRef &&
        typed.Procedure == kept.Procedure && typed.Tunnel == kept.Tunnel &&
        typed.MountDiameter == kept.MountDiameter && typed.Maker == kept.Maker)
        return;
    settings_.Lab = typed;
    SaveSettings();
}

void TVerifyTab::ShowSettings() {
    EVerTolA->setText(Number(settings_.Tolerance.A));
    EVerTolB->setText(Number(settings_.Tolerance.B * 100.0));
    EVerRefUnc->setText(Number(settings_.RefUnc.Value));
    CBVerRefUncUnit->setCurrentIndex(settings_.RefUnc.Percent ? 1 : 0);
    const VerLab& lab = settings_.Lab;
    const std::pair<QLineEdit*, const std::string*> texts[] = {
        {EVerLabName, &lab.LabName},
        {EVerLabAddress, &lab.LabAddress},
        {EVerCustomer, &lab.Customer},
        {EVerCustomerRef, &lab.CustomerRef},
        {EVerProcedure, &lab.Procedure},
        {EVerTunnel, &lab.Tunnel},
        {EVerMountDiameter, &lab.MountDiameter},
        {EVerMaker, &lab.Maker}};
    for (const auto& [edit, value] : texts)
        edit->setText(QString::fromStdString(*value));
}

void TVerifyTab::ShowRun() {
    SGVer->setRowCount(static_cast<int>(points_.size()));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const VerPoint& p = points_[i];
        const bool pass = VerPointPasses(p, settings_.Tolerance);
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
            QStringLiteral("± ") + Fixed(VerPointUncertainty(p, settings_.RefUnc).Expanded, 3),
            pass ? TVerifyTab::tr("合格") : TVerifyTab::tr("不合格")};
        for (int c = 0; c < 11; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 1 && c <= 9 ? Qt::AlignRight | Qt::AlignVCenter
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
    const VerVerdict v = JudgeVerification(points_, settings_.Tolerance, settings_.Range);
    PVerVerdict->setText(VerdictLine(v, settings_.Range));
    Paint(PVerVerdict, v.Pass ? kSteady : v.Failing > 0 ? kFailing : kWaiting);
    BBVerDel->setEnabled(!points_.empty());
    BBVerFin->setEnabled(!points_.empty());

    PlotVerificationLine(*PVerChart, points_, fit, font());
    PlotVerificationDeviation(*PVerDevChart, points_, settings_.Tolerance, font());
    PVerChart->replot(QCustomPlot::rpQueuedReplot);
    PVerDevChart->replot(QCustomPlot::rpQueuedReplot);
}

void TVerifyTab::BBVerFinClick() {
    if (points_.empty()) return Warn(TVerifyTab::tr("測定点がありません"));
    const std::string serial = host_.SerialNo();
    if (const std::string problem = SerialNumberProblem(serial); !problem.empty())
        return Warn(QString::fromStdString(problem));
    LabEdited(); // a text still in its edit counts
    const TDateTime now = ctx_.clock.Now();
    const std::string logName = serial + "_VER.csv";
    const std::string logPath = ctx_.dataDir + logName;
    const std::string certificateName = serial + "_VER.json";
    const VerCertificateInput certificate{serial, model_, firmware_, settings_, points_, now};
    const std::string problem = VerCertificateProblem(certificate);
    QString shown;
    try {
        WriteVerLog(logPath, points_, settings_, now);
        shown = TVerifyTab::tr("ログ: ") + QString::fromStdString(logPath);
        if (problem.empty()) {
            WriteVerCertificate(ctx_.dataDir + certificateName, certificate);
            shown += TVerifyTab::tr("\n証明書: ") +
                     QString::fromStdString(ctx_.dataDir + certificateName);
        } else {
            shown += TVerifyTab::tr("\n証明書は書き出していません：") + Translated(problem);
        }
        const std::string report = host_.WriteReport(
            {points_, settings_, now, logName, problem.empty() ? certificateName : std::string()});
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
