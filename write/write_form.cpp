#include "write/write_form.h"

#include "core/exchange.h"
#include "core/param_keys.h"
#include "core/setpoint_file.h"
#include "core/write_log_texts.h"
#include "ui/language.h"
#include "ui/pictures.h"
#include "ui/window_fit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace qvr {

TWriteForm::TWriteForm(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Tool), ctx_(context) {
    setObjectName("WriteForm");
    KeepOnScreenWhenShown(*this);
    setWindowTitle(tr("設定送出"));
    BuildControls();
    if (ctx_.exchange) {
        const auto log = [this](const std::string& line) { AddLog(line); };
        procedure_ = std::make_unique<WriteProcedure>(
            *ctx_.exchange, ctx_.writePrm, ctx_.clock, ctx_.dataDir,
            [](const TWritePrm& prm, const std::string& path, const std::string& note) {
                SaveSetpointFile(prm, path, note);
            },
            LastWrite, log);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(160);
    connect(Timer1, &QTimer::timeout, this, &TWriteForm::Timer1Timer);
    // Runs from creation; its first, idle tick stops it.
    Timer1->start();
}

void TWriteForm::BuildControls() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(8, 8, 8, 8);
    auto* logColumn = new QVBoxLayout();
    LBackup = new QLabel(this);
    LBackup->setObjectName("LBackup");
    LBackup->setTextFormat(Qt::PlainText);
    LBackup->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LBackup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LBackup->hide();
    MSts = new QPlainTextEdit(this);
    MSts->setObjectName("MSts");
    MSts->setReadOnly(true);
    logColumn->addWidget(LBackup);
    logColumn->addWidget(MSts, 1);
    BBDo = new QPushButton(tr("　書込み実行"), this);
    BBDo->setObjectName("BBDo");
    BBDo->setIcon(pictures::SetpointGlyph());
    BBDo->setIconSize(QSize(32, 32));
    BBDo->setMinimumSize(110, 80);
    BBDo->setAutoDefault(false);
    top->addLayout(logColumn, 1);
    top->addWidget(BBDo, 0, Qt::AlignTop);
    column->addLayout(top, 1);

    PConsole = new QFrame(this);
    PConsole->setObjectName("PConsole");
    PConsole->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PConsole->setFixedHeight(41);
    auto* bottom = new QHBoxLayout(PConsole);
    bottom->setContentsMargins(8, 4, 8, 4);
    Image1 = new QLabel(PConsole);
    Image1->setObjectName("Image1");
    Image1->setPixmap(pictures::Logo(100, 22));
    BBClose = new QPushButton(tr("終了"), PConsole);
    BBClose->setObjectName("BBClose");
    BBClose->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BBCancel = new QPushButton(tr("中止"), PConsole);
    BBCancel->setObjectName("BBCancel");
    BBCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QPushButton* b : {BBClose, BBCancel})
        b->setAutoDefault(false);
    bottom->addWidget(Image1);
    bottom->addStretch(1);
    bottom->addWidget(BBClose);
    bottom->addWidget(BBCancel);
    column->addWidget(PConsole);
    FitToLog();

    ConfirmBox = new QMessageBox(QMessageBox::Warning, tr("設定送出"), QString(),
                                 QMessageBox::Yes | QMessageBox::No, this);
    ConfirmBox->setObjectName("ConfirmBox");
    ConfirmBox->setDefaultButton(QMessageBox::No);
    ConfirmBox->setEscapeButton(QMessageBox::No);
    // Buttons that say what they do, in the interface's language.
    ConfirmBox->button(QMessageBox::Yes)->setText(tr("書き込む"));
    ConfirmBox->button(QMessageBox::No)->setText(tr("書き込まない"));
    connect(ConfirmBox, &QDialog::finished, this, &TWriteForm::ConfirmBoxFinished);

    connect(BBDo, &QPushButton::clicked, this, &TWriteForm::BBDoClick);
    connect(BBClose, &QPushButton::clicked, this, &TWriteForm::BBCloseClick);
    connect(BBCancel, &QPushButton::clicked, this, &TWriteForm::BBCancelClick);
}

void TWriteForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

// The longest lines a write logs: the backup's path, the plan's lines and the
// hint how to restore. The window opens wide enough for them, as far as the
// screen allows, so that none wraps.
void TWriteForm::FitToLog() {
    const QString backup = QString::fromStdString(ctx_.dataDir) +
                           QStringLiteral("Backup/no-serial_20261231_235959_2.qvr");
    QStringList lines = {
        Shown(write_log::kBackup) + backup, Shown(write_log::kPlanHeading),
        Shown(write_log::kPlanNothing), Shown(write_log::kDone),
        Shown(std::string(write_log::kAllAgreeBefore) + "30" + write_log::kAllAgreeAfter)};
    for (const ParamKey& k : ParamKeys)
        lines << Shown(std::string("  ") + k.Key + " " + k.Label + ": -100.000" +
                       write_log::kPlanArrow + "-100.000");
    const QFontMetrics metrics(MSts->font());
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // The text's margins inside the frame, the frame and a vertical scroll bar.
    const int logWidth = widest + 2 * int(MSts->document()->documentMargin()) +
                         2 * MSts->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                         8;
    int width = logWidth + BBDo->minimumWidth() + 8 * 2 + 6;
    // No wider than the screen: a longer path wraps rather than leaves it.
    if (const QScreen* shown = screen()) {
        const QMargins frame = FrameMargins(*this);
        width = std::min(width, shown->availableGeometry().width() - frame.left() - frame.right());
    }
    const int height = metrics.lineSpacing() * 20 + PConsole->height() + 2 * 8 + 16;
    resize(std::max(345, width), std::max(266, height));
}

void TWriteForm::FormShow() {
    if (procedure_) procedure_->Open();
    FitToLog();
    LBackup->clear();
    LBackup->hide();
    MSts->clear();
    BBClose->setEnabled(false);
    BBCancel->setEnabled(true);
}

// The sensor's current set is read and kept in "Backup" before the first
// write of this opening; the group write starts when that read has ended.
void TWriteForm::BBDoClick() {
    if (!procedure_) return;
    procedure_->Start();
    Timer1->start();
}

void TWriteForm::Timer1Timer() {
    const auto step = procedure_ ? procedure_->Tick() : WriteProcedure::Step::Ended;
    if (step == WriteProcedure::Step::Running) return;
    if (step == WriteProcedure::Step::Confirm) {
        Timer1->stop();
        AskConfirmation(procedure_->Plan());
        return;
    }
    if (step == WriteProcedure::Step::Verified) {
        BBClose->setEnabled(true);
        BBCancel->setEnabled(false);
    }
    Timer1->stop();
}

// Names what would be lost or that nothing changes; the answer comes back
// through ConfirmBoxFinished, so the window's timer and the link keep running.
void TWriteForm::AskConfirmation(const WritePlan& plan) {
    QString text;
    if (plan.NothingToChange()) {
        text = tr("センサーは送る値をすべて持っていて、変わる値はありません。\n"
                  "それでも書き込みますか？");
    } else {
        QStringList lines;
        const auto calibrated = plan.CalibratedChanges();
        if (!calibrated.empty()) {
            lines << tr("この書込みは、キャリブレーションで決めた次の値を置き換えます:");
            for (const PlannedChange& c : plan.Changes)
                if (c.Calibrated)
                    lines << Shown("  " + c.Key + " " + c.Label + ": " + c.SensorNow +
                                   write_log::kPlanArrow + c.ToSend);
        }
        const auto unread = plan.CalibratedUnread();
        if (!unread.empty())
            lines << tr("センサーから読めなかったため、次の校正値が置き換わるか分かりません: ") +
                         QString::fromStdString(JoinKeys(unread));
        lines << QString() << tr("書き込みますか？");
        text = lines.join('\n');
    }
    ConfirmBox->setText(text);
    ConfirmBox->setDefaultButton(QMessageBox::No);
    ConfirmBox->open();
    // Below the window where the screen has room, so the plan in the log stays readable.
    ConfirmBox->adjustSize();
    const QRect frame = frameGeometry();
    const QPoint below(frame.left(), frame.bottom() + 1);
    if (const QScreen* shown = screen(); shown && shown->availableGeometry().contains(QRect(
                                                      below, ConfirmBox->frameGeometry().size())))
        ConfirmBox->move(below);
}

void TWriteForm::ConfirmBoxFinished() {
    if (!procedure_) return;
    const bool write = ConfirmBox->clickedButton() == ConfirmBox->button(QMessageBox::Yes);
    if (procedure_->Proceed(write) && write) Timer1->start();
}

void TWriteForm::BBCloseClick() {
    close();
}

void TWriteForm::BBCancelClick() {
    close();
}

// Every way out (either button, Escape, the title bar's close box) ends here.
void TWriteForm::done(int result) {
    Timer1->stop();
    if (ConfirmBox->isVisible()) {
        ConfirmBox->disconnect(this); // its answer no longer has a write to go to
        ConfirmBox->reject();
        connect(ConfirmBox, &QDialog::finished, this, &TWriteForm::ConfirmBoxFinished);
    }
    const std::string warning = procedure_ ? procedure_->Close() : std::string();
    // The live readout must not stay frozen after a write left half-way.
    if (ctx_.exchange) ctx_.exchange->Collecting = true;
    QDialog::done(result);
    if (!warning.empty()) QMessageBox::warning(parentWidget(), tr("設定送出"), Shown(warning));
}

QString TWriteForm::Shown(const std::string& line) {
    // The log's own pieces, then the parameter labels the plan names.
    static const std::vector<const char*> labels = [] {
        std::vector<const char*> all;
        for (const ParamKey& k : ParamKeys)
            all.push_back(k.Label);
        return all;
    }();
    const QString text = TranslatePieces(line, write_log::kContext, write_log::kPieces);
    return TranslatePieces(text.toStdString(), kParamLabelContext, labels);
}

// The log follows its newest line, so the result is in sight, unless the
// operator has scrolled back to read.
void TWriteForm::AddLog(const std::string& line) {
    const QScrollBar* bar = MSts->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const QString shown = Shown(line);
    MSts->appendPlainText(shown);
    if (line.rfind(write_log::kBackup, 0) == 0) {
        LBackup->setText(shown);
        LBackup->setToolTip(shown);
        LBackup->show();
    }
    if (following) {
        MSts->moveCursor(QTextCursor::End);
        MSts->ensureCursorVisible();
    }
}

} // namespace qvr
