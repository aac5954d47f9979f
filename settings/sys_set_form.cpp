#include "settings/sys_set_form.h"

#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/exchange.h"
#include "core/param_keys.h"
#include "core/setpoint_file.h"
#include "core/write_plan.h"
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

// Sets a mark of an edit field (a property) or a table cell (a data role).
void SetMark(QLineEdit* edit, QTableWidgetItem* item, bool marked, const char* property, int role) {
    if (edit)
        edit->setProperty(property, marked);
    else if (item)
        item->setData(role, marked);
}

bool HasMark(QLineEdit* edit, QTableWidgetItem* item, const char* property, int role) {
    return edit ? edit->property(property).toBool() : item && item->data(role).toBool();
}

// The parameter's label from the one table, in the interface's language.
QString LabelOf(const char* key) {
    return QCoreApplication::translate(kParamLabelContext, ParamLabel(key));
}

// Every key with an edit field of its own, the table's keys aside.
constexpr const char* kEditKeys[] = {"E01", "E02", "E03", "E04", "E16",
                                     "E17", "E12", "E13", "P32", "P41"};

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
    BBLoadSerialFile = Named(new QPushButton(Panel1), "BBLoadSerialFile");
    BBLoadSerialFile->setAutoDefault(false);
    BBLoadSerialFile->hide();
    serial->addSpacing(12);
    serial->addWidget(BBLoadSerialFile);
    serial->addStretch(1);
    right->addWidget(Panel1);

    PCMain = Named(new QTabWidget(this), "PCMain");
    PCMain->setDocumentMode(true); // flat tabs, as buttons
    TSCalibration = BuildCalibrationTab();
    TSDirect = BuildDirectTab();
    PCMain->addTab(TSCalibration, tr("管理操作"));
    PCMain->addTab(TSDirect, tr("直接操作"));
    TabVerify =
        new TVerifyTab(ctx_,
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
    connect(BBLoadSerialFile, &QPushButton::clicked, this, &TSysSetForm::BBLoadSerialFileClick);
    connect(ESNum, &QLineEdit::textChanged, this, &TSysSetForm::CheckSerialFile);
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
    auto* note = Named(new QLabel(tr("（次回の起動から）"), box), "LLanguageNote");
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
    // Each label from the parameter table: what the value is, and its unit.
    const auto edit = [&](QLineEdit*& e, const char* name, const char* key, int row, int col) {
        e = Named(new QLineEdit(GBParams), name);
        e->setFixedWidth(80);
        e->setAlignment(Qt::AlignRight);
        auto* label = new QLabel(LabelOf(key), GBParams);
        label->setObjectName(QStringLiteral("L") + name);
        label->setBuddy(e);
        grid->addWidget(label, row, col);
        grid->addWidget(e, row, col + 1);
        connect(e, &QLineEdit::textChanged, this, [this] {
            if (!marking_) ShowSensorComparison();
        });
    };
    // Left: system value and instrument errors.
    heading(tr("システム設定値 ─────────"), 0, 0);
    edit(EStdVolt, "EStdVolt", "P32", 1, 0);
    heading(tr("器差補正 ────────────"), 2, 0);
    edit(EATDif1, "EATDif1", "E16", 3, 0);
    edit(EATDif2, "EATDif2", "E17", 4, 0);
    edit(EWDDif1, "EWDDif1", "E12", 5, 0);
    edit(EWDDif2, "EWDDif2", "E13", 6, 0);
    edit(EATRev, "EATRev", "P41", 7, 0);
    // Right: wind-speed computation and the characteristic table.
    heading(tr("風速算出 ──────────────"), 0, 4);
    edit(EDifT0m, "EDifT0m", "E01", 1, 4);
    edit(EAdjWS, "EAdjWS", "E02", 2, 4);
    edit(EAdjDifT, "EAdjDifT", "E03", 3, 4);
    edit(EHeaterWatt, "EHeaterWatt", "E04", 4, 4);
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
    connect(SGRev, &QTableWidget::itemChanged, this, [this] {
        if (!marking_) ShowSensorComparison();
    });
    grid->setRowStretch(10, 1);
    column->addWidget(GBParams);

    auto* buttons = new QHBoxLayout();
    BBWrite = Named(new QPushButton(tr("　設定送出"), tab), "BBWrite");
    BBSetpointSave = Named(new QPushButton(tr(" 設定保存..."), tab), "BBSetpointSave");
    BBSetpointLoad = Named(new QPushButton(tr(" 設定読込..."), tab), "BBSetpointLoad");
    BBSensorRead = Named(new QPushButton(tr(" センサーから読込"), tab), "BBSensorRead");
    for (QPushButton* b : {BBWrite, BBSetpointSave, BBSetpointLoad, BBSensorRead}) {
        b->setAutoDefault(false);
        b->setMinimumSize(110, 32);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    LSensorCompare = Named(new QLabel(tab), "LSensorCompare");
    LSensorCompare->setTextFormat(Qt::PlainText);
    LSensorCompare->setWordWrap(true);
    column->addWidget(LSensorCompare);
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
    // A one-off line goes after a while, so that it never outlives its news.
    TimStatusFade = Named(new QTimer(this), "TimStatusFade");
    TimStatusFade->setSingleShot(true);
    TimStatusFade->setInterval(10000);
    connect(TimStatusFade, &QTimer::timeout, this, [this] { ShowStatus({}); });
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
    if (!event->spontaneous()) {
        ParamsToEdits();
        // What the sensor holds, so that the fields that differ stand out.
        StartSensorCompare();
    }
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
    marking_ = true;
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
    marking_ = false;
    ShowSensorComparison();
    CheckSerialFile();
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
    // In the order of the conversion: E01, E02, E03, E04, the table, E16 to P41.
    std::vector<Field> order;
    for (const char* key : {"E01", "E02", "E03", "E04"}) {
        const auto [edit, item] = FieldOf(key);
        order.push_back({LabelOf(key), edit, item, ParamField(p, key)});
    }
    for (int n = 1; n <= 20; ++n) {
        const std::string key = (n < 10 ? "P0" : "P") + std::to_string(n);
        const auto [edit, item] = FieldOf(key);
        order.push_back({LabelOf(key.c_str()), edit, item, ParamField(p, key)});
    }
    for (const char* key : {"E16", "E17", "E12", "E13", "P32", "P41"}) {
        const auto [edit, item] = FieldOf(key);
        order.push_back({LabelOf(key), edit, item, ParamField(p, key)});
    }
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
    SetMark(edit, item, marked, "unconverted", Qt::UserRole);
    Restyle(edit, item);
}

void TSysSetForm::Restyle(QLineEdit* edit, QTableWidgetItem* item) {
    QColor colour;
    if (HasMark(edit, item, "unconverted", Qt::UserRole))
        colour = QColor(255, 170, 170);
    else if (HasMark(edit, item, "differsFromSensor", kDiffersRole))
        colour = QColor(255, 200, 120);
    else if (HasMark(edit, item, "changedByRead", kChangedByReadRole))
        colour = QColor(255, 236, 150);
    const bool was = marking_;
    marking_ = true; // a cell's new background is no edit of its value
    if (edit) {
        const QString style = colour.isValid()
                                  ? QStringLiteral("background-color: %1;").arg(colour.name())
                                  : QString();
        if (edit->styleSheet() != style) edit->setStyleSheet(style);
    } else if (item) {
        const QBrush brush = colour.isValid() ? QBrush(colour) : QBrush();
        if (item->background() != brush) item->setBackground(brush);
    }
    marking_ = was;
}

std::pair<QLineEdit*, QTableWidgetItem*> TSysSetForm::FieldOf(const std::string& key) {
    const std::pair<const char*, QLineEdit*> edits[] = {
        {"E01", EDifT0m},  {"E02", EAdjWS},  {"E03", EAdjDifT}, {"E04", EHeaterWatt},
        {"E16", EATDif1},  {"E17", EATDif2}, {"E12", EWDDif1},  {"E13", EWDDif2},
        {"P32", EStdVolt}, {"P41", EATRev}};
    for (const auto& [name, edit] : edits)
        if (key == name) return {edit, nullptr};
    // P01 to P20: the correction table, points in column 0 and amounts in column 1.
    const ParamKey* k = FindParamKey(key);
    if (!k || key[0] != 'P' || key == "P32" || key == "P41") return {nullptr, nullptr};
    const int n = std::stoi(key.substr(1));
    return {nullptr, &Cell(SGRev, (n - 1) % 2, (n - 1) / 2 + 1)};
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
    ShowStatus({});
    ConnectPort();
    SetCollecting(true);
    if (isVisible()) StartSensorCompare();
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
    // The next sensor on this port may hold another set.
    ForgetSensorSet();
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
    ShowStatus({});
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
        const TDateTime before = LastWrite.At;
        WriteForm->exec();
        // What the sensor holds now: a verified write, what was written; a
        // write that went out unverified, unknown until read again.
        if (LastWrite.At != before) {
            sensorSet_.clear();
            if (LastWrite.Result == TWriteRecord::Outcome::Verified)
                for (const ParamKey& k : ParamKeys)
                    sensorSet_[k.Key] = *ParamField(LastWrite.Written, k.Key);
            ShowSensorComparison();
        }
    } else {
        QMessageBox::information(this, windowTitle(), tr("接続していないので、実行できません！"),
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
    ShowStatus({});
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
    ShowStatus(done.arg(file));
    LStatus->setToolTip(QDir::toNativeSeparators(path));
    setWindowTitle(QStringLiteral("System Setting - ") + file);
}

void TSysSetForm::BBSetpointLoadClick() {
    const QString name = AskFileName(LoadDlg);
    if (name.isEmpty()) return;
    ShowStatus({});
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
        QMessageBox::information(this, windowTitle(),
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
    ShowStatus({});
    if (!ctx_.exchange || !Link() || !Link()->PortConnected()) {
        QMessageBox::information(this, windowTitle(), tr("接続していないので、実行できません！"),
                                 QMessageBox::Ok);
        return;
    }
    if (WriteForm && WriteForm->isVisible()) {
        QMessageBox::information(this, windowTitle(), tr("書込み中のため、読込できません"),
                                 QMessageBox::Ok);
        return;
    }
    ClearReadChanges();
    StartSensorRead(true);
}

void TSysSetForm::StartSensorCompare() {
    if (!ctx_.exchange || !Link() || !Link()->PortConnected() || ReadRunning()) return;
    if (WriteForm && WriteForm->isVisible()) return;
    StartSensorRead(false);
}

void TSysSetForm::StartSensorRead(bool intoFields) {
    if (!sensorRead_) sensorRead_ = std::make_unique<ParamReader>(*ctx_.exchange);
    readIntoFields_ = intoFields;
    if (intoFields) ShowStatus(QCoreApplication::translate("SysSetForm", "センサー読込中…"));
    LSensorCompare->setText(
        QCoreApplication::translate("SysSetForm", "センサーの設定を読んでいます…"));
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
    // What the sensor holds now; a key it did not answer is not compared.
    if (!sensorRead_->Silent()) sensorSet_ = sensorRead_->Values();
    if (!readIntoFields_) {
        ShowSensorComparison();
        if (sensorRead_->Silent())
            LSensorCompare->setText(QCoreApplication::translate(
                "SysSetForm", "センサーの設定を読めませんでした（応答なし）"));
        return;
    }
    int changed = 0;
    marking_ = true;
    for (const auto& [key, value] : sensorRead_->Values())
        changed += ShowSensorValue(key, value);
    marking_ = false;
    ShowSensorComparison();
    if (!sensorRead_->Silent()) {
        ShowStatus(changed
                       ? QCoreApplication::translate("SysSetForm",
                                                     "センサー読込完了: %1 項目の値が変わりました")
                             .arg(changed)
                       : QCoreApplication::translate("SysSetForm", "センサー読込完了: 変更なし"));
        // The fields now hold the sensor's set, not a file's.
        setWindowTitle(QStringLiteral("System Setting"));
    }
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

void TSysSetForm::ShowSensorComparison() {
    if (!LSensorCompare) return;
    int differing = 0;
    const bool known = !sensorSet_.empty();
    for (const ParamKey& k : ParamKeys) {
        const auto [edit, item] = FieldOf(k.Key);
        if (!edit && !item) continue;
        const auto held = sensorSet_.find(k.Key);
        const auto value = ParseFloat((edit ? edit->text() : item->text()).toStdString());
        // A text that is no number is marked when it is converted, not here.
        const bool differs =
            held != sensorSet_.end() && value && WouldChange(k.Key, *value, held->second);
        differing += differs;
        const bool was = HasMark(edit, item, "differsFromSensor", kDiffersRole);
        const QString tip = held == sensorSet_.end()
                                ? QString()
                                : QCoreApplication::translate("SysSetForm", "センサーの値: %1")
                                      .arg(Formatted(k.Format, held->second));
        marking_ = true;
        if (edit && edit->toolTip() != tip) edit->setToolTip(tip);
        if (item && item->toolTip() != tip) item->setToolTip(tip);
        marking_ = false;
        if (was == differs) continue;
        SetMark(edit, item, differs, "differsFromSensor", kDiffersRole);
        Restyle(edit, item);
    }
    if (ReadRunning()) return; // the line says a read is under way
    if (!known)
        LSensorCompare->clear();
    else if (differing)
        LSensorCompare->setText(
            QCoreApplication::translate("SysSetForm", "%1 項目の値がセンサーと異なります")
                .arg(differing));
    else
        LSensorCompare->setText(
            QCoreApplication::translate("SysSetForm", "すべての値がセンサーと一致しています"));
}

void TSysSetForm::ForgetSensorSet() {
    sensorSet_.clear();
    ShowSensorComparison();
}

void TSysSetForm::CheckSerialFile() {
    if (!BBLoadSerialFile) return;
    const std::string serial = ESNum->text().trimmed().toStdString();
    offeredFile_.clear();
    if (!serial.empty() && serial.find_first_of("\\/:*?\"<>|") == std::string::npos) {
        const std::string path = ctx_.dataDir + serial + ".qvr";
        TWritePrm file = ctx_.writePrm;
        try {
            if (FileExists(path)) {
                LoadSetpointFile(file, path);
                // Offered only while the fields hold other values than the file.
                bool same = true;
                for (const ParamKey& k : ParamKeys) {
                    const auto [edit, item] = FieldOf(k.Key);
                    const auto shown =
                        ParseFloat((edit ? edit->text() : item->text()).toStdString());
                    same = same && shown && !WouldChange(k.Key, *shown, *ParamField(file, k.Key));
                }
                if (!same) offeredFile_ = path;
            }
        } catch (const std::exception&) {
            // A file that cannot be read is not offered.
        }
    }
    const QString name = QString::fromStdString(serial) + QStringLiteral(".qvr");
    BBLoadSerialFile->setText(tr("%1 を読み込む").arg(name));
    BBLoadSerialFile->setToolTip(
        tr("このシリアル番号の設定ファイル（キャリブレーションで保存）: %1")
            .arg(QDir::toNativeSeparators(QString::fromStdString(offeredFile_))));
    BBLoadSerialFile->setVisible(!offeredFile_.empty());
}

void TSysSetForm::BBLoadSerialFileClick() {
    ShowStatus({});
    if (offeredFile_.empty()) return;
    const std::string path = offeredFile_;
    try {
        LoadChosenSetpointFile(ctx_.writePrm, path);
    } catch (const SetpointFileError& e) {
        ShowSaveError(SetpointMessage(e.what()));
        return;
    }
    ParamsToEdits();
    ShowSetpointFile(QCoreApplication::translate("SysSetForm", "読み込みました: %1"),
                     QString::fromStdString(path));
}

void TSysSetForm::ShowStatus(const QString& text) {
    LStatus->setText(text);
    if (text.isEmpty()) {
        TimStatusFade->stop();
        LStatus->setToolTip({});
    } else {
        TimStatusFade->start();
    }
}

bool TSysSetForm::ShowSensorValue(const std::string& key, float value) {
    const ParamKey* k = FindParamKey(key);
    const auto [edit, item] = FieldOf(key);
    if (!k || (!edit && !item)) return false;
    const QString text = Formatted(k->Format, value);
    const bool changed = (edit ? edit->text() : item->text()) != text;
    if (edit)
        edit->setText(text);
    else
        item->setText(text);
    if (changed) MarkReadChange(edit, item, true);
    return changed;
}

// A field the last sensor read changed stands out until the next read or
// the next transfer of the set.
void TSysSetForm::MarkReadChange(QLineEdit* edit, QTableWidgetItem* item, bool marked) {
    SetMark(edit, item, marked, "changedByRead", kChangedByReadRole);
    Restyle(edit, item);
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
