#include "link/comm_ctrl_form.h"

namespace qvr {

TCommCtrlForm::TCommCtrlForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("CommCtrlForm");
}

} // namespace qvr
