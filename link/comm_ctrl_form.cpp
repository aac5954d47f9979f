#include "link/comm_ctrl_form.h"

#include "serial/com_led.h"
#include "serial/qt_com_hand_over.h"
#include "ui/log_view.h"
#include "ui/pictures.h"
#include "ui/window_fit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

namespace qvr {

namespace {
// Protocol text is one byte per character; show each as its Latin-1 character.
QString FromWire(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// The longest log line: "SumCheck Error! : " and a frame of 64 characters
// without its checksum.
constexpr int kLongestLogLine = 18 + 60;

} // namespace

TCommCtrlForm::TCommCtrlForm(SensorLink& link, QWidget* parent)
    : QWidget(parent, Qt::Tool), Tag(link.Tag), LinkOpen(link.LinkOpen), link_(link) {
    setObjectName("CommCtrlForm");
    KeepOnScreenWhenShown(*this);
    InstallQtComSupport();
    BuildControls();
    link_.OnSendLog = [this](const std::string& line) {
        if (CBSendLog->isChecked()) AddLog(MSend, line);
    };
    link_.OnReceiveLog = [this](const std::string& line) {
        if (CBReciveLog->isChecked()) AddLog(MRecive, line);
    };
    // Queued: the closing report comes before the port is closed.
    auto changed = [this] {
        QMetaObject::invokeMethod(this, &TCommCtrlForm::PortStateChanged, Qt::QueuedConnection);
    };
    link_.OnPortOpened = changed;
    link_.OnPortClosing = changed;
}

TCommCtrlForm::~TCommCtrlForm() {
    // The link outlives this window: it must not report to it any more.
    link_.OnSendLog = nullptr;
    link_.OnReceiveLog = nullptr;
    link_.OnPortOpened = nullptr;
    link_.OnPortClosing = nullptr;
}

void TCommCtrlForm::BuildControls() {
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    // Wide enough for the longest line, beside a scroll bar.
    const int lineWidth = QFontMetrics(mono).horizontalAdvance(QString(kLongestLogLine, '0'));
    resize(std::max(420, lineWidth + 60), 460);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    auto* top = new QHBoxLayout();
    auto lamp = [this, top](TComLed*& led, const char* name, const char* caption,
                            TComLedSignal signal, TLedKind kind) {
        led = new TComLed(this);
        led->setObjectName(name);
        led->SetKind(kind);
        led->SetLedSignal(signal);
        led->SetComPort(link_.ComPortM.get());
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString(name) + "Label");
        top->addWidget(led);
        top->addWidget(label);
        top->addSpacing(8);
    };
    lamp(ComLed2, "ComLed2", "Connection", lsConn, lkYellowLight);
    lamp(ComLedTxD, "ComLedTxD", "TxD", lsTx, lkRedLight);
    lamp(ComLedRxD, "ComLedRxD", "RxD", lsRx, lkGreenLight);
    BBSetup = new QPushButton("Com Setup..", this);
    BBSetup->setObjectName("BBSetup");
    top->addStretch(1);
    top->addWidget(BBSetup);
    column->addLayout(top);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName("Splitter1");
    auto logPane = [this, &mono](QCheckBox*& box, LogView*& memo, const char* boxName,
                                 const char* memoName, const QString& caption) {
        auto* pane = new QWidget(Splitter1);
        auto* l = new QVBoxLayout(pane);
        l->setContentsMargins(0, 0, 0, 0);
        box = new QCheckBox(caption, pane);
        box->setObjectName(boxName);
        memo = new LogView(pane);
        memo->setObjectName(memoName);
        memo->setMaximumLineCount(kMaxLogLines);
        memo->setFont(mono);
        l->addWidget(box);
        l->addWidget(memo);
        Splitter1->addWidget(pane);
    };
    logPane(CBSendLog, MSend, "CBSendLog", "MSend", tr("送信ログ"));
    logPane(CBReciveLog, MRecive, "CBReciveLog", "MRecive", tr("受信ログ"));
    column->addWidget(Splitter1, 1);

    auto* bottom = new QHBoxLayout();
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(pictures::Logo(100, 22));
    BBClose = new QPushButton(tr("閉じる"), this);
    BBClose->setObjectName("BBClose");
    bottom->addWidget(Image1);
    bottom->addStretch(1);
    bottom->addWidget(BBClose);
    column->addLayout(bottom);

    connect(BBSetup, &QPushButton::clicked, this, &TCommCtrlForm::SetupRule);
    connect(BBClose, &QPushButton::clicked, this, &QWidget::hide);
}

void TCommCtrlForm::AddLog(LogView* log, const std::string& line) {
    log->appendPlainText(FromWire(line));
}

void TCommCtrlForm::PortSetup() {
    link_.ComPortM->ShowSetupDialog();
    link_.StorePortSettings();
}

void TCommCtrlForm::SetupRule() {
    if (PortConnected()) {
        // Says what the port is and what to do, whichever window asked.
        QMessageBox::information(this, tr("ポート設定"),
                                 tr("ポートを変更するには、データ収集を停止してください。"),
                                 QMessageBox::Ok);
        return;
    }
    PortSetup();
}

} // namespace qvr
