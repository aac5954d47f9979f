// The calibration tab of the settings window: its controls and its timer tick.
#include "settings/sys_set_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
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

} // namespace

QWidget* TSysSetForm::BuildCalibrationTab() {
    auto* tab = new QWidget(this);
    tab->setObjectName("TSCalibration");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    BBCalStart = CalButton("BBCalStart", QStringLiteral("キャリブレーション開始"), tab);
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
          QStringLiteral("気温器差確定"));
    stage(1, PWTRev, "PWTRev", PWTRevSet, "PWTRevSet", BBWSTRcvFin, "BBWSTRcvFin",
          QStringLiteral("風速器差確定"));
    stage(2, PWS0Cal, "PWS0Cal", PWS0CalSet, "PWS0CalSet", BB0mCalFin, "BB0mCalFin",
          QStringLiteral("0m/s.調整確定"));
    CB0mSmpl = new QCheckBox(QStringLiteral("0m 判断簡略化"), tab);
    CB0mSmpl->setObjectName("CB0mSmpl");
    stages->addWidget(CB0mSmpl, 3, 2);
    stage(4, PWS4Cal, "PWS4Cal", PWS4CalSet, "PWS4CalSet", BB4mCalFin, "BB4mCalFin",
          QStringLiteral("Nm/s.調整確定"));
    BitBtn6 = CalButton("BitBtn6", QStringLiteral("　設定送出"), tab);
    BitBtn6->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    stages->addWidget(BitBtn6, 0, 3, 5, 1);
    column->addLayout(stages);
    connect(BitBtn6, &QPushButton::clicked, this, &TSysSetForm::BBWriteClick);

    auto* finish = new QHBoxLayout();
    PFinish = CalPanel("PFinish", tab);
    PFinish->setMinimumWidth(260);
    BBFin = CalButton("BBFin", QStringLiteral("作業完了"), tab);
    finish->addWidget(PFinish, 1);
    finish->addWidget(BBFin);
    column->addLayout(finish);

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

    Label12 = new QLabel(QStringLiteral("計測値判断状況 ─────────────────────────────"), tab);
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
    return tab;
}

void TSysSetForm::Tim1STimer() {
    // The calibration's once-a-second evaluation runs here.
}

} // namespace qvr
