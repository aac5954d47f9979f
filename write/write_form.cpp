#include "write/write_form.h"

#include "core/exchange.h"
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
            [](const TWritePrm& prm, const std::string& path) { SaveSetpointFile(prm, path); },
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
    MSts = new QPlainTextEdit(this);
    MSts->setObjectName("MSts");
    MSts->setReadOnly(true);
    BBDo = new QPushButton(tr("　書込み実行"), this);
    BBDo->setObjectName("BBDo");
    BBDo->setIcon(pictures::SetpointGlyph());
    BBDo->setIconSize(QSize(32, 32));
    BBDo->setMinimumSize(110, 80);
    BBDo->setAutoDefault(false);
    top->addWidget(MSts, 1);
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
    resize(345, 266);

    connect(BBDo, &QPushButton::clicked, this, &TWriteForm::BBDoClick);
    connect(BBClose, &QPushButton::clicked, this, &TWriteForm::BBCloseClick);
    connect(BBCancel, &QPushButton::clicked, this, &TWriteForm::BBCancelClick);
}

void TWriteForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TWriteForm::FormShow() {
    if (procedure_) procedure_->Open();
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
    if (step == WriteProcedure::Step::Verified) {
        BBClose->setEnabled(true);
        BBCancel->setEnabled(false);
    }
    Timer1->stop();
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
    const std::string warning = procedure_ ? procedure_->Close() : std::string();
    // The live readout must not stay frozen after a write left half-way.
    if (ctx_.exchange) ctx_.exchange->Collecting = true;
    QDialog::done(result);
    if (!warning.empty())
        QMessageBox::warning(parentWidget(), tr("設定送出"),
                             TranslatePieces(warning, write_log::kContext, write_log::kPieces));
}

// The log follows its newest line, so the result is in sight, unless the
// operator has scrolled back to read.
void TWriteForm::AddLog(const std::string& line) {
    const QScrollBar* bar = MSts->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    MSts->appendPlainText(TranslatePieces(line, write_log::kContext, write_log::kPieces));
    if (following) {
        MSts->moveCursor(QTextCursor::End);
        MSts->ensureCursorVisible();
    }
}

} // namespace qvr
