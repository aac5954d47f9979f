#pragma once

#include "serial/com_combo_box.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace qvr {

class TCustomComPort;

// The modal setup dialog: port and line settings in six lists.
class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    explicit TComSetupFrm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    TComComboBox *Combo1, *Combo2, *Combo3, *Combo4, *Combo5, *Combo6;
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel

    // The six lists in binding order.
    std::vector<TComComboBox*> Lists() const {
        return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6};
    }
};

// Runs the setup dialog on the port; OK applies the lists' choices together,
// Cancel changes nothing. True when the dialog ended with OK.
bool EditComPort(TCustomComPort& port);

} // namespace qvr
