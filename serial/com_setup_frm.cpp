#include "serial/com_setup_frm.h"

#include "serial/custom_com_port.h"

#include <QGuiApplication>
#include <QScreen>

namespace qvr {

TComSetupFrm::TComSetupFrm(QWidget* parent) : QDialog(parent) {
    setObjectName("ComSetupFrm");
    setWindowTitle("Setup");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(231, 216);

    GroupBox1 = new QGroupBox(" Settings ", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 8, 215, 169);

    const char* labels[] = {"Port",      "Baud rate", "Data bits",
                            "Stop bits", "Parity",    "Flow control"};
    const TComProperty properties[] = {cpPort,     cpBaudRate, cpDataBits,
                                       cpStopBits, cpParity,   cpFlowControl};
    QLabel** labelSlots[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    TComComboBox** comboSlots[] = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6};
    for (int i = 0; i < 6; ++i) {
        const int y = 22 + i * 24;
        QLabel* label = new QLabel(labels[i], GroupBox1);
        label->setObjectName(QString("Label%1").arg(i + 1));
        label->setGeometry(12, y + 3, 76, 16);
        TComComboBox* combo = new TComComboBox(GroupBox1);
        combo->setObjectName(QString("Combo%1").arg(i + 1));
        combo->setGeometry(92, y, 111, 21);
        combo->SetComProperty(properties[i]);
        label->setBuddy(combo);
        *labelSlots[i] = label;
        *comboSlots[i] = combo;
    }

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(40, 184, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(120, 184, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool EditComPort(TCustomComPort& port) {
    TComSetupFrm dialog;
    for (TComComboBox* list : dialog.Lists())
        list->SetComPort(&port);
    for (TComComboBox* list : dialog.Lists())
        list->UpdateSettings();
    if (dialog.exec() != QDialog::Accepted) return false;
    port.BeginUpdate();
    try {
        for (TComComboBox* list : dialog.Lists())
            list->ApplySettings();
    } catch (...) {
        port.EndUpdate();
        throw;
    }
    port.EndUpdate();
    return true;
}

} // namespace qvr
