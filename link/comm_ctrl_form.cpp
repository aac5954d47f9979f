#include "link/comm_ctrl_form.h"

#include "app/pictures.h"
#include "link/frame_codec.h"
#include "serial/com_led.h"
#include "serial/qt_com_hand_over.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

namespace qvr {

namespace {
// Protocol text is one byte per character; show each as its Latin-1 character.
QString FromWire(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// Inside a handler: the system's words for the failure being handled, then
// the port's own message.
std::string FailureText() {
    try {
        throw;
    } catch (const EComPort& e) {
        if (e.WinCode() <= 0) return e.what();
        return std::system_category().message(e.WinCode()) + "\n" + e.what();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "?";
    }
}

// The longest log line: "SumCheck Error! : " and a frame of 64 characters
// without its checksum.
constexpr int kLongestLogLine = 18 + 60;

// A log memo that opens on its newest lines, shown from their starts. The
// plain memo would scroll to its text cursor, which sits at the end of the
// first line logged, so every line showed cut off at its start.
class LogMemo final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void showEvent(QShowEvent* event) override {
        QPlainTextEdit::showEvent(event);
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
};
} // namespace

TCommCtrlForm::TCommCtrlForm(TMySts& mySts, std::string exeDir, QWidget* parent,
                             TComHandOver* handOver)
    : QWidget(parent, Qt::Tool), sts_(mySts), exeDir_(std::move(exeDir)) {
    setObjectName("CommCtrlForm");
    InstallQtComSupport(handOver ? *handOver : TComHandOver::Default());
    ComPortM = std::make_unique<TComPort>("ComPortM", handOver);
    TComPort& port = *ComPortM;
    port.SetPort("COM7");
    port.SetBaudRate(br38400);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.SetDiscardNull(true);
    port.SetEvents(AllComEvents);
    port.Buffer().SetInputSize(2048);
    TComFlowControl& flow = port.FlowControl();
    flow.SetOutCTSFlow(false);
    flow.SetOutDSRFlow(false);
    flow.SetControlDTR(dtrDisable);
    flow.SetControlRTS(rtsDisable);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    port.SetStoredProps(TStoredProps{spBasic});
    port.SetTriggersOnRxChar(true);
    port.OnRxChar = [this](TCustomComPort*, int count) { ComPortMRxChar(count); };
    BuildControls();
}

TCommCtrlForm::~TCommCtrlForm() {
    Reconnect.Stop();
    // The port goes before the lamps and logs it reports to.
    try {
        ComPortM->Close();
    } catch (...) {
    }
    ComPortM.reset();
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
        led->SetComPort(ComPortM.get());
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
    auto logPane = [this, &mono](QCheckBox*& box, QPlainTextEdit*& memo, const char* boxName,
                                 const char* memoName, const QString& caption) {
        auto* pane = new QWidget(Splitter1);
        auto* l = new QVBoxLayout(pane);
        l->setContentsMargins(0, 0, 0, 0);
        box = new QCheckBox(caption, pane);
        box->setObjectName(boxName);
        memo = new LogMemo(pane);
        memo->setObjectName(memoName);
        memo->setReadOnly(true);
        memo->setMaximumBlockCount(kMaxLogLines);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setFont(mono);
        l->addWidget(box);
        l->addWidget(memo);
        Splitter1->addWidget(pane);
    };
    logPane(CBSendLog, MSend, "CBSendLog", "MSend", QStringLiteral("送信ログ"));
    logPane(CBReciveLog, MRecive, "CBReciveLog", "MRecive", QStringLiteral("受信ログ"));
    column->addWidget(Splitter1, 1);

    auto* bottom = new QHBoxLayout();
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(pictures::Logo(100, 22));
    BBClose = new QPushButton(QStringLiteral("閉じる"), this);
    BBClose->setObjectName("BBClose");
    bottom->addWidget(Image1);
    bottom->addStretch(1);
    bottom->addWidget(BBClose);
    column->addLayout(bottom);

    connect(BBSetup, &QPushButton::clicked, this, &TCommCtrlForm::SetupRule);
    connect(BBClose, &QPushButton::clicked, this, &QWidget::hide);
}

std::string TCommCtrlForm::PortSettingsFile() const {
    return exeDir_ + "Port" + std::to_string(Tag) + ".ini";
}

bool TCommCtrlForm::PortConnected() const {
    return ComPortM->Connected();
}

bool TCommCtrlForm::OpenPort() {
    try {
        ComPortM->Open();
        // The lamps let pending events run inside Open: a stop may have closed
        // the port again already, and a closed port must not count as open.
        if (!ComPortM->Connected()) return false;
        LinkOpen = true;
        sts_.PortName = ComPortM->Port();
        PortFailure.clear();
        Reconnect.Stop();
        return true;
    } catch (...) {
        PortFailure = FailureText();
        return false;
    }
}

bool TCommCtrlForm::ClosePort() {
    Reconnect.Stop();
    LinkOpen = false;
    try {
        ComPortM->Close();
        return true;
    } catch (...) {
        return false;
    }
}

void TCommCtrlForm::SendFrame(const std::string& payload) {
    const auto frameText = frame::BuildFrame(payload);
    if (!frameText || !LinkOpen) return;
    try {
        ComPortM->WriteStr(*frameText);
    } catch (...) {
        PortFailure = FailureText();
        ClosePort();
        Reconnect.LineFailed();
    }
    if (CBSendLog->isChecked()) AddLog(MSend, frameText->substr(0, frameText->size() - 2));
}

void TCommCtrlForm::ComPortMRxChar(int count) {
    std::string chars;
    try {
        ComPortM->ReadStr(chars, count);
    } catch (...) {
        return;
    }
    FeedReceived(chars);
}

void TCommCtrlForm::FeedReceived(const std::string& chars) {
    try {
        for (char c : chars)
            receiver_.Feed(c, [this] { CheckFrame(); });
    } catch (...) {
        // A failing check or listener ends this batch; the rest is not fed.
    }
}

void TCommCtrlForm::CheckFrame() {
    std::string& buffer = receiver_.RxBuffer;
    if (frame::VerifyFrame(buffer)) {
        if (CBReciveLog->isChecked()) AddLog(MRecive, buffer);
        if (OnFrame) OnFrame(buffer);
    } else if (CBReciveLog->isChecked()) {
        AddLog(MRecive, "SumCheck Error! : " + buffer);
    }
}

void TCommCtrlForm::AddLog(QPlainTextEdit* log, const std::string& line) {
    log->appendPlainText(FromWire(line));
}

void TCommCtrlForm::LoadPortSettings() {
    ComPortM->LoadSettings(stIniFile, PortSettingsFile());
}

void TCommCtrlForm::StorePortSettings() {
    ComPortM->StoreSettings(stIniFile, PortSettingsFile());
}

void TCommCtrlForm::PortSetup() {
    ComPortM->ShowSetupDialog();
    StorePortSettings();
}

void TCommCtrlForm::SetupRule() {
    if (PortConnected()) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("接続中は変更できません"),
                                 QMessageBox::Ok);
        return;
    }
    PortSetup();
}

} // namespace qvr
