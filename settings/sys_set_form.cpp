#include "settings/sys_set_form.h"

#include "base/ini_file.h"
#include "base/number_text.h"
#include "core/exchange.h"
#include "core/param_keys.h"
#include "core/setpoint_file.h"
#include "link/comm_ctrl_form.h"
#include "settings/mqtt_tab.h"
#include "settings/verify_tab.h"
#include "ui/app_globals.h"
#include "ui/language.h"
#include "ui/pictures.h"
#include "ui/window_fit.h"
#include "write/write_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace qvr {

namespace {

// Marks an edit field (its background and a property) or a table cell (its
// background and a data role) in `colour`, or clears the mark.
void MarkField(QLineEdit* edit, QTableWidgetItem* item, bool marked, const QColor& colour,
               const char* property, int role) {
    if (edit) {
        edit->setStyleSheet(marked ? QStringLiteral("background-color: %1;").arg(colour.name())
                                   : QString());
        edit->setProperty(property, marked);
    } else if (item) {
        item->setBackground(marked ? QBrush(colour) : QBrush());
        item->setData(role, marked);
    }
}

QString Formatted(const char* format, float value) {
    return QString::fromStdString(FormatFloat(format, static_cast<double>(value)));
}

QTableWidgetItem& Cell(QTableWidget* grid, int column, int row) {
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    return *item;
}

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

TSysSetForm::TSysSetForm(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(context) {
    setObjectName("SysSetForm");
    KeepOnScreenWhenShown(*this);
    setWindowTitle("System Setting");
    BuildControls();
    try {
        LoadSetpointFile(ctx_.writePrm, BaseSetpointFile());
    } catch (const SetpointFileError& e) {
        // The built-in defaults stay; the file is left as it is.
        QMessageBox::warning(this, windowTitle(), SetpointMessage(e.what()));
    }

    Tim1S = Named(new QTimer(this), "Tim1S");
    Tim1S->setInterval(1000);
    connect(Tim1S, &QTimer::timeout, this, &TSysSetForm::Tim1STimer);
    Tim1S->start();
}

std::string TSysSetForm::BaseSetpointFile() const {
    return ctx_.dataDir + "BaseSetpoint.ini";
}

void TSysSetForm::BuildControls() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* body = new QHBoxLayout();
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    body->addWidget(BuildPortColumn(), 0, Qt::AlignTop);

    auto* right = new QVBoxLayout();
    right->setSpacing(6);
    Panel1 = Named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, QColor(238, 255, 200));
    Panel1->setPalette(pal);
    auto* serial = new QHBoxLayout(Panel1);
    serial->setContentsMargins(8, 4, 8, 4);
    QFont big = font();
    big.setPixelSize(15);
    Label8 = Named(new QLabel(tr("シリアル番号"), Panel1), "Label8");
    Label8->setFont(big);
    ESNum = Named(new QLineEdit(QStringLiteral("xxxxxx"), Panel1), "ESNum");
    ESNum->setFont(big);
    ESNum->setFixedWidth(160);
    BBSNClear = Named(new QPushButton(QStringLiteral("✖"), Panel1), "BBSNClear");
    BBSNClear->setFixedSize(24, 24);
    BBSNClear->setAutoDefault(false);
    serial->addWidget(Label8);
    serial->addWidget(ESNum);
    serial->addWidget(BBSNClear);
    serial->addStretch(1);
    right->addWidget(Panel1);

    PCMain = Named(new QTabWidget(this), "PCMain");
    PCMain->setDocumentMode(true); // flat tabs, as buttons
    TSCalibration = BuildCalibrationTab();
    TSDirect = BuildDirectTab();
    PCMain->addTab(TSCalibration, tr("管理操作"));
    PCMain->addTab(TSDirect, tr("直接操作"));
    TabVerify = new TVerifyTab(
        ctx_,
        {[this] { return ESNum->text().toStdString(); }, BaseSetpointFile(),
         [this](const ReportVerification& v) { return WriteVerificationReport(v); }},
        PCMain);
    PCMain->addTab(TabVerify, tr("検証"));
    PCMain->addTab(new TMqttTab(BaseSetpointFile(), PCMain), QStringLiteral("MQTT"));
    right->addWidget(PCMain, 1);
    body->addLayout(right, 1);
    // On a screen too low for the window (150 % scale), the body scrolls and
    // OK and cancel below it stay in sight.
    auto* holder = new QWidget(this);
    holder->setLayout(body);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("BodyScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(holder);
    // Only as low as the screen needs: the body never scrolls sideways.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(holder->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    column->addWidget(scroll, 1);
    column->addWidget(BuildConsole());

    SaveDlg = Named(new QFileDialog(this), "SaveDlg");
    SaveDlg->setAcceptMode(QFileDialog::AcceptSave);
    SaveDlg->setFileMode(QFileDialog::AnyFile);
    SaveDlg->setSizeGripEnabled(true);
    LoadDlg = Named(new QFileDialog(this), "LoadDlg");
    LoadDlg->setAcceptMode(QFileDialog::AcceptOpen);
    LoadDlg->setFileMode(QFileDialog::ExistingFile);
    for (QFileDialog* dialog : {SaveDlg, LoadDlg}) {
        dialog->setNameFilter("qvr setpoint File (*.qvr)");
        dialog->setDefaultSuffix("qvr");
    }

    connect(BBSNClear, &QPushButton::clicked, this, &TSysSetForm::BBSNClearClick);
    connect(BBOk, &QPushButton::clicked, this, &TSysSetForm::BBOkClick);
    connect(BBCancel, &QPushButton::clicked, this, &TSysSetForm::BBCancelClick);
    // Tall enough for the whole body where the screen allows it.
    resize(623, std::max(665, holder->minimumSizeHint().height() + PConsole->height()));
}

QWidget* TSysSetForm::BuildPortColumn() {
    auto* holder = new QWidget(this);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    GBCom = Named(new QGroupBox(tr("通信ポート設定"), holder), "GBCom");
    GBCom->setFixedSize(121, 401);
    auto* buttons = new QVBoxLayout(GBCom);
    buttons->setContentsMargins(8, 12, 8, 8);
    buttons->setSpacing(8);
    SBConnection = Named(new QToolButton(GBCom), "SBConnection");
    SBConnection->setText(tr("通信開始"));
    SBDisconnection = Named(new QToolButton(GBCom), "SBDisconnection");
    SBDisconnection->setText(tr("通信クローズ"));
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QToolButton* b : {SBConnection, SBDisconnection}) {
        b->setCheckable(true);
        b->setMinimumSize(100, 48);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        group->addButton(b);
        buttons->addWidget(b);
    }
    SBDisconnection->setChecked(true);
    buttons->addSpacing(12);
    BBComShowStd = Named(new QPushButton(tr("ログ表示..."), GBCom), "BBComShowStd");
    BBComSetStd = Named(new QPushButton(tr("ポート設定..."), GBCom), "BBComSetStd");
    for (QPushButton* b : {BBComShowStd, BBComSetStd}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    column->addWidget(GBCom);
    Label13 = Named(new QLabel(tr("基準電圧がmV仕様の"), holder), "Label13");
    Label15 = Named(new QLabel(tr("品種は、mV単位で記述"), holder), "Label15");
    column->addWidget(Label13);
    column->addWidget(Label15);
    column->addWidget(BuildLanguageChoice(holder));
    column->addStretch(1);

    connect(SBConnection, &QToolButton::clicked, this, &TSysSetForm::SBConnectionClick);
    connect(SBDisconnection, &QToolButton::clicked, this, &TSysSetForm::SBDisconnectionClick);
    if (TCommCtrlForm* link = Link())
        connect(link, &TCommCtrlForm::PortStateChanged, this, &TSysSetForm::ShowPortButtons);
    connect(BBComShowStd, &QPushButton::clicked, this, &TSysSetForm::BBComShowStdClick);
    connect(BBComSetStd, &QPushButton::clicked, this, &TSysSetForm::BBComSetStdClick);
    return holder;
}

QWidget* TSysSetForm::BuildLanguageChoice(QWidget* parent) {
    auto* box = Named(new QGroupBox(tr("表示言語"), parent), "GBLanguage");
    box->setFixedWidth(121);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(8, 8, 8, 8);
    CBLanguage = Named(new QComboBox(box), "CBLanguage");
    // Each language under its own name, so that either reader finds theirs.
    CBLanguage->addItem(tr("日本語"), UiLanguageCode(UiLanguage::Japanese));
    CBLanguage->addItem(QStringLiteral("English"), UiLanguageCode(UiLanguage::English));
    const auto chosen = ParseUiLanguage(ReadLanguageSetting(ctx_.dataDir));
    const UiLanguage shown = chosen ? *chosen : SystemUiLanguage(QLocale::system().uiLanguages());
    CBLanguage->setCurrentIndex(CBLanguage->findData(UiLanguageCode(shown)));
    auto* note = new QLabel(tr("次回の起動から有効"), box);
    note->setWordWrap(true);
    rows->addWidget(CBLanguage);
    rows->addWidget(note);
    connect(CBLanguage, &QComboBox::activated, this, &TSysSetForm::CBLanguageActivated);
    return box;
}

void TSysSetForm::CBLanguageActivated(int index) {
    const auto language = ParseUiLanguage(CBLanguage->itemData(index).toString());
    if (!language) return;
    try {
        WriteLanguageSetting(ctx_.dataDir, *language);
    } catch (const IniFileError& e) {
        ShowSaveError(QString::fromUtf8(e.what()));
    }
}

QWidget* TSysSetForm::BuildDirectTab() {
    auto* tab = Named(new QWidget(this), "TSDirect");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(8, 8, 8, 8);
    GBParams = Named(new QGroupBox(tr("設定値"), tab), "GBParams");
    auto* grid = new QGridLayout(GBParams);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(3, 16);

    const auto heading = [&](const QString& text, int row, int col) {
        grid->addWidget(new QLabel(text, GBParams), row, col, 1, 3);
    };
    const auto edit = [&](QLineEdit*& e, const char* name, const QString& label, int row, int col) {
        e = Named(new QLineEdit(GBParams), name);
        e->setFixedWidth(80);
        e->setAlignment(Qt::AlignRight);
        grid->addWidget(new QLabel(label, GBParams), row, col);
        grid->addWidget(e, row, col + 1);
    };
    // Left: system value and instrument errors.
    heading(tr("システム設定値 ─────────"), 0, 0);
    edit(EStdVolt, "EStdVolt", tr("基準電圧"), 1, 0);
    grid->addWidget(new QLabel("V", GBParams), 1, 2);
    heading(tr("器差補正 ────────────"), 2, 0);
    edit(EATDif1, "EATDif1", tr("気温器差-1"), 3, 0);
    edit(EATDif2, "EATDif2", tr("気温器差-2"), 4, 0);
    edit(EWDDif1, "EWDDif1", tr("風速器差-1"), 5, 0);
    edit(EWDDif2, "EWDDif2", tr("風速器差-2"), 6, 0);
    edit(EATRev, "EATRev", tr("気温補正"), 7, 0);
    // Right: wind-speed computation and the characteristic table.
    heading(tr("風速算出 ──────────────"), 0, 4);
    edit(EDifT0m, "EDifT0m", tr("0m/s.時温度差"), 1, 4);
    edit(EAdjWS, "EAdjWS", tr("基準風速値 ─"), 2, 4);
    edit(EAdjDifT, "EAdjDifT", tr("基準時温度差"), 3, 4);
    edit(EHeaterWatt, "EHeaterWatt", tr("ヒータ出力 ───"), 4, 4);
    heading(tr("特性補正式 ─────────────"), 5, 4);

    SGRev = Named(new QTableWidget(11, 2, GBParams), "SGRev");
    SGRev->horizontalHeader()->hide();
    SGRev->verticalHeader()->hide();
    QFont small = SGRev->font();
    small.setPixelSize(11);
    SGRev->setFont(small);
    SGRev->verticalHeader()->setMinimumSectionSize(1);
    SGRev->verticalHeader()->setDefaultSectionSize(14);
    SGRev->horizontalHeader()->setDefaultSectionSize(70);
    SGRev->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGRev->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGRev->setFixedSize(2 * 70 + 2 * SGRev->frameWidth(), 11 * 14 + 2 * SGRev->frameWidth());
    for (int c = 0; c < 2; ++c) {
        // Row 0 is the fixed header: not editable, drawn as a heading.
        QTableWidgetItem& head = Cell(SGRev, c, 0);
        head.setFlags(Qt::ItemIsEnabled);
        head.setBackground(palette().button());
        head.setTextAlignment(Qt::AlignCenter);
        for (int r = 1; r < 11; ++r)
            Cell(SGRev, c, r).setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->addWidget(SGRev, 6, 4, 4, 3, Qt::AlignLeft | Qt::AlignTop);
    grid->setRowStretch(10, 1);
    column->addWidget(GBParams);

    auto* buttons = new QHBoxLayout();
    BBWrite = Named(new QPushButton(tr("　設定送出"), tab), "BBWrite");
    BBSetpointSave = Named(new QPushButton(tr(" 設定保存..."), tab), "BBSetpointSave");
    BBSetpointLoad = Named(new QPushButton(tr(" 設定読込..."), tab), "BBSetpointLoad");
    BBSensorRead = Named(new QPushButton(tr(" センサー読込"), tab), "BBSensorRead");
    for (QPushButton* b : {BBWrite, BBSetpointSave, BBSetpointLoad, BBSensorRead}) {
        b->setAutoDefault(false);
        b->setMinimumSize(110, 32);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    column->addStretch(1);

    connect(BBWrite, &QPushButton::clicked, this, &TSysSetForm::BBWriteClick);
    connect(BBSetpointSave, &QPushButton::clicked, this, &TSysSetForm::BBSetpointSaveClick);
    connect(BBSetpointLoad, &QPushButton::clicked, this, &TSysSetForm::BBSetpointLoadClick);
    connect(BBSensorRead, &QPushButton::clicked, this, &TSysSetForm::BBSensorReadClick);
    TimSensorRead = Named(new QTimer(this), "TimSensorRead");
    TimSensorRead->setInterval(160);
    connect(TimSensorRead, &QTimer::timeout, this, &TSysSetForm::TimSensorReadTimer);
    return tab;
}

QWidget* TSysSetForm::BuildConsole() {
    PConsole = Named(new QFrame(this), "PConsole");
    PConsole->setFixedHeight(41);
    PConsole->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* row = new QHBoxLayout(PConsole);
    row->setContentsMargins(8, 4, 8, 4);
    Image1 = Named(new QLabel(PConsole), "Image1");
    Image1->setPixmap(pictures::Logo(100, 22));
    BBOk = Named(new QPushButton("OK", PConsole), "BBOk");
    BBCancel = Named(new QPushButton(tr("キャンセル"), PConsole), "BBCancel");
    BBOk->setDefault(true);
    // The window's status line: what the last file action did.
    LStatus = Named(new QLabel(PConsole), "LStatus");
    LStatus->setTextFormat(Qt::PlainText);
    LStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(Image1);
    row->addWidget(LStatus, 1);
    row->addStretch(1);
    row->addWidget(BBOk);
    row->addWidget(BBCancel);
    return PConsole;
}

void TSysSetForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only a real show, not a restore from the task bar.
    if (!event->spontaneous()) ParamsToEdits();
    ShowPortButtons();
}

void TSysSetForm::keyPressEvent(QKeyEvent* event) {
    // OK is the default button and cancel the cancel button, as in a dialog.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        BBOk->click();
        return;
    case Qt::Key_Escape:
        BBCancel->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// --- Transfer between WritePrm and the edit fields ------------------------------

void TSysSetForm::ParamsToEdits() {
    const TWritePrm& p = ctx_.writePrm;
    ClearReadChanges();
    // Fresh values: no mark of an earlier failed conversion stays.
    for (QLineEdit* e : {EDifT0m, EAdjWS, EAdjDifT, EHeaterWatt, EATDif1, EATDif2, EWDDif1, EWDDif2,
                         EStdVolt, EATRev})
        MarkUnconverted(e, nullptr, false);
    for (int r = 1; r < 11; ++r)
        for (int c = 0; c < 2; ++c)
            MarkUnconverted(nullptr, &Cell(SGRev, c, r), false);
    EDifT0m->setText(Formatted("%1.2f", p.DifT0m));
    EAdjWS->setText(Formatted("%1.2f", p.AdjWS));
    EAdjDifT->setText(Formatted("%1.2f", p.AdjDifT));
    EHeaterWatt->setText(Formatted("%1.4f", p.HeaterWatt));
    Cell(SGRev, 0, 0).setText(tr("補正点"));
    Cell(SGRev, 1, 0).setText(tr("補正量"));
    for (int i = 0; i < 10; ++i) {
        Cell(SGRev, 0, i + 1).setText(Formatted("%1.2f", p.DIV[static_cast<std::size_t>(i)]));
        Cell(SGRev, 1, i + 1).setText(Formatted("%1.2f", p.VAL[static_cast<std::size_t>(i)]));
    }
    EATDif1->setText(Formatted("%1.3f", p.ATRevice0));
    EATDif2->setText(Formatted("%1.3f", p.ATRevice1));
    EWDDif1->setText(Formatted("%1.3f", p.WDTRevice0));
    EWDDif2->setText(Formatted("%1.3f", p.WDTRevice1));
    EStdVolt->setText(Formatted("%1.3f", p.ChipStdV));
    EATRev->setText(Formatted("%1.3f", p.ATRev));
}

bool TSysSetForm::EditsToParams() {
    // Leaving the current cell ends a typing still open there, so it counts with what it shows.
    SGRev->setCurrentItem(nullptr);
    // Every text converts before anything is stored: a set the operator did
    // not type in full is never sent or saved.
    TWritePrm p = ctx_.writePrm;
    struct Field {
        QString Label;
        QLineEdit* Edit; // or, for the table, the cell below
        QTableWidgetItem* Item;
        float* Value;
    };
    ClearReadChanges();
    std::vector<Field> order = {
        {tr("0m/s.時温度差"), EDifT0m, nullptr, &p.DifT0m},
        {tr("基準風速値"), EAdjWS, nullptr, &p.AdjWS},
        {tr("基準時温度差"), EAdjDifT, nullptr, &p.AdjDifT},
        {tr("ヒータ出力"), EHeaterWatt, nullptr, &p.HeaterWatt}};
    for (std::size_t i = 0; i < 10; ++i) {
        const QString row = QString::number(i + 1);
        order.push_back(
            {tr("補正点 ") + row, nullptr, &Cell(SGRev, 0, int(i) + 1), &p.DIV[i]});
        order.push_back(
            {tr("補正量 ") + row, nullptr, &Cell(SGRev, 1, int(i) + 1), &p.VAL[i]});
    }
    order.insert(order.end(), {{tr("気温器差-1"), EATDif1, nullptr, &p.ATRevice0},
                               {tr("気温器差-2"), EATDif2, nullptr, &p.ATRevice1},
                               {tr("風速器差-1"), EWDDif1, nullptr, &p.WDTRevice0},
                               {tr("風速器差-2"), EWDDif2, nullptr, &p.WDTRevice1},
                               {tr("基準電圧"), EStdVolt, nullptr, &p.ChipStdV},
                               {tr("気温補正"), EATRev, nullptr, &p.ATRev}});
    for (const Field& f : order)
        MarkUnconverted(f.Edit, f.Item, false);
    for (const Field& f : order) {
        const QString text = f.Edit ? f.Edit->text() : f.Item->text();
        const std::optional<float> value = ParseFloat(text.toStdString());
        if (!value) {
            MarkUnconverted(f.Edit, f.Item, true);
            QMessageBox::warning(this, windowTitle(),
                                 tr("変換できない文字がありました\n"
                                                "設定数値を確認してください！\n\n") +
                                     f.Label + tr("：「") + text + tr("」"),
                                 QMessageBox::Ok);
            // The operator corrects it where it stands; the other edits stay as typed.
            PCMain->setCurrentWidget(TSDirect);
            if (f.Edit) {
                f.Edit->setFocus();
                f.Edit->selectAll();
            } else {
                SGRev->setFocus();
                SGRev->setCurrentItem(f.Item);
            }
            return false;
        }
        *f.Value = *value;
    }
    ctx_.writePrm = p;
    return true;
}

void TSysSetForm::MarkUnconverted(QLineEdit* edit, QTableWidgetItem* item, bool marked) {
    MarkField(edit, item, marked, QColor(255, 170, 170), "unconverted", Qt::UserRole);
}

// --- Port ------------------------------------------------------------------------

// The program wires the link window and the exchange before this window is
// used; a window built alone (in a test) acts as if never connected.
TCommCtrlForm* TSysSetForm::Link() {
    return CommCtrlForm;
}

void TSysSetForm::SetCollecting(bool collecting) {
    if (ctx_.exchange) ctx_.exchange->Collecting = collecting;
    ctx_.mySts.CollectionStopped = !collecting;
}

void TSysSetForm::ConnectPort() {
    if (TCommCtrlForm* link = Link()) {
        link->LoadPortSettings();
        link->OpenPort();
    }
    ShowPortButtons();
}

void TSysSetForm::ShowPortButtons() {
    const bool open = Link() && Link()->PortConnected();
    (open ? SBConnection : SBDisconnection)->setChecked(true);
}

void TSysSetForm::SBConnectionClick() {
    ConnectPort();
    SetCollecting(true);
}

void TSysSetForm::SBDisconnectionClick() {
    if (ReadRunning()) {
        // The read ends here: closing is the operator's word on polling, and
        // what it read so far stays out of the edit fields.
        sensorRead_->Abandon();
        TimSensorRead->stop();
        ShowReadRunning(false);
    }
    if (TCommCtrlForm* link = Link()) link->ClosePort();
    SetCollecting(false);
    ShowPortButtons();
}

void TSysSetForm::BBComShowStdClick() {
    if (TCommCtrlForm* link = Link()) {
        link->show();
        link->raise();
    }
}

void TSysSetForm::BBComSetStdClick() {
    if (TCommCtrlForm* link = Link()) link->SetupRule();
}

// --- Serial number, files, send, OK and cancel ------------------------------------

void TSysSetForm::BBSNClearClick() {
    ESNum->clear();
}

void TSysSetForm::BBWriteClick() {
    if (ReadRunning()) {
        // The read owns the line until it ends; a write now would take its answers.
        QMessageBox::information(this, windowTitle(),
                                 tr("センサー読込中のため、送出できません。"
                                                "読込が終わってから実行してください"),
                                 QMessageBox::Ok);
        return;
    }
    if (!EditsToParams()) return;
    if (Link() && Link()->PortConnected()) {
        if (!WriteForm) return;
        if (QWidget* main = MainFormWindow()) // centred on the main window
            WriteForm->move(main->geometry().center() - WriteForm->rect().center());
        WriteForm->exec();
    } else {
        QMessageBox::information(this, windowTitle(),
                                 tr("接続していないので、実行できません！"),
                                 QMessageBox::Ok);
    }
}

QString TSysSetForm::AskFileName(QFileDialog* dialog) {
    // The dialog keeps its last name and folder and proposes them again.
    if (dialog->exec() != QDialog::Accepted) return {};
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty()) return {};
    dialog->selectFile(files.first());
    return files.first();
}

QString TSysSetForm::SetpointMessage(const std::string& message) {
    QStringList lines = QString::fromStdString(message).split('\n');
    lines[0] = QCoreApplication::translate("SetpointText", lines[0].toUtf8().constData());
    if (lines.size() >= 3) {
        QStringList labels = lines.last().split(QStringLiteral(", "));
        for (QString& label : labels)
            label = QCoreApplication::translate("CalibrationReport", label.toUtf8().constData());
        lines.last() = labels.join(QStringLiteral(", "));
    }
    return lines.join('\n');
}

void TSysSetForm::ShowSaveError(const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
}

void TSysSetForm::BBSetpointSaveClick() {
    const QString name = AskFileName(SaveDlg);
    if (name.isEmpty()) return;
    if (!EditsToParams()) return;
    try {
        SaveSetpointFile(ctx_.writePrm, name.toStdString());
    } catch (const std::exception& e) {
        ShowSaveError(QString::fromUtf8(e.what()));
        return;
    }
    ShowSetpointFile(QCoreApplication::translate("SysSetForm", "保存しました: %1"), name);
}

// The status line says what was done with which file; the title names the
// file whose values the fields now hold.
void TSysSetForm::ShowSetpointFile(const QString& done, const QString& path) {
    const QString file = QFileInfo(path).fileName();
    LStatus->setText(done.arg(file));
    LStatus->setToolTip(QDir::toNativeSeparators(path));
    setWindowTitle(QStringLiteral("System Setting - ") + file);
}

void TSysSetForm::BBSetpointLoadClick() {
    const QString name = AskFileName(LoadDlg);
    if (name.isEmpty()) return;
    SetpointLoad load;
    try {
        load = LoadChosenSetpointFile(ctx_.writePrm, name.toStdString());
    } catch (const SetpointFileError& e) {
        ShowSaveError(SetpointMessage(e.what()));
        return;
    }
    ParamsToEdits();
    ShowSetpointFile(QCoreApplication::translate("SysSetForm", "読み込みました: %1"), name);
    if (!load.Defaulted.empty())
        QMessageBox::information(
            this, windowTitle(),
            SetpointMessage(DefaultedFieldsMessage(name.toStdString(), load)));
}

void TSysSetForm::BBOkClick() {
    if (!EditsToParams()) return; // the window stays open for the correction
    try {
        SaveSetpointFile(ctx_.writePrm, BaseSetpointFile());
    } catch (const std::exception& e) {
        ShowSaveError(QString::fromUtf8(e.what()));
        return; // the window stays open
    }
    close();
}

void TSysSetForm::BBCancelClick() {
    close();
}

// --- Reading the sensor's parameter set ------------------------------------------

void TSysSetForm::BBSensorReadClick() {
    if (!ctx_.exchange || !Link() || !Link()->PortConnected()) {
        QMessageBox::information(this, windowTitle(),
                                 tr("接続していないので、実行できません！"),
                                 QMessageBox::Ok);
        return;
    }
    if (WriteForm && WriteForm->isVisible()) {
        QMessageBox::information(this, windowTitle(),
                                 tr("書込み中のため、読込できません"), QMessageBox::Ok);
        return;
    }
    if (!sensorRead_) sensorRead_ = std::make_unique<ParamReader>(*ctx_.exchange);
    ClearReadChanges();
    LStatus->setText(QCoreApplication::translate("SysSetForm", "センサー読込中…"));
    sensorRead_->Start();
    ShowReadRunning(true);
    TimSensorRead->start();
}

bool TSysSetForm::ReadRunning() const {
    return sensorRead_ && sensorRead_->Running();
}

void TSysSetForm::ShowReadRunning(bool running) {
    // No send while a read holds the line.
    for (QPushButton* b : {BBSensorRead, BBWrite, BitBtn6})
        b->setEnabled(!running);
}

void TSysSetForm::TimSensorReadTimer() {
    if (!sensorRead_ || sensorRead_->Tick()) return;
    TimSensorRead->stop();
    ShowReadRunning(false);
    int changed = 0;
    for (const auto& [key, value] : sensorRead_->Values())
        changed += ShowSensorValue(key, value);
    if (!sensorRead_->Silent())
        LStatus->setText(
            changed ? QCoreApplication::translate("SysSetForm",
                                                  "センサー読込完了: %1 項目の値が変わりました")
                          .arg(changed)
                    : QCoreApplication::translate("SysSetForm", "センサー読込完了: 変更なし"));
    if (sensorRead_->Silent()) {
        QMessageBox::warning(this, windowTitle(), tr("センサーから応答がありません"),
                             QMessageBox::Ok);
    } else if (!sensorRead_->Complete()) {
        QMessageBox::information(
            this, windowTitle(),
            tr("センサーから読めなかった項目があります（表示は前の値のままです）\n") +
                QString::fromStdString(JoinKeys(sensorRead_->Missing())),
            QMessageBox::Ok);
    }
}

bool TSysSetForm::ShowSensorValue(const std::string& key, float value) {
    const std::pair<const char*, QLineEdit*> edits[] = {
        {"E01", EDifT0m},  {"E02", EAdjWS},  {"E03", EAdjDifT}, {"E04", EHeaterWatt},
        {"E16", EATDif1},  {"E17", EATDif2}, {"E12", EWDDif1},  {"E13", EWDDif2},
        {"P32", EStdVolt}, {"P41", EATRev}};
    const ParamKey* k = FindParamKey(key);
    if (!k) return false;
    const QString text = Formatted(k->Format, value);
    for (const auto& [name, edit] : edits) {
        if (key == name) {
            const bool changed = edit->text() != text;
            edit->setText(text);
            if (changed) MarkReadChange(edit, nullptr, true);
            return changed;
        }
    }
    // P01 to P20: the correction table, points in column 0 and amounts in column 1.
    const int n = std::stoi(key.substr(1));
    QTableWidgetItem& cell = Cell(SGRev, (n - 1) % 2, (n - 1) / 2 + 1);
    const bool changed = cell.text() != text;
    cell.setText(text);
    if (changed) MarkReadChange(nullptr, &cell, true);
    return changed;
}

// A field the last sensor read changed stands out until the next read or
// the next transfer of the set.
void TSysSetForm::MarkReadChange(QLineEdit* edit, QTableWidgetItem* item, bool marked) {
    MarkField(edit, item, marked, QColor(255, 236, 150), "changedByRead", kChangedByReadRole);
}

void TSysSetForm::ClearReadChanges() {
    for (QLineEdit* e : {EDifT0m, EAdjWS, EAdjDifT, EHeaterWatt, EATDif1, EATDif2, EWDDif1, EWDDif2,
                         EStdVolt, EATRev})
        if (e->property("changedByRead").toBool()) MarkReadChange(e, nullptr, false);
    for (int r = 1; r < 11; ++r)
        for (int c = 0; c < 2; ++c)
            if (Cell(SGRev, c, r).data(kChangedByReadRole).toBool())
                MarkReadChange(nullptr, &Cell(SGRev, c, r), false);
}

} // namespace qvr
