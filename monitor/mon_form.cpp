#include "monitor/mon_form.h"

namespace qvr {

TMonForm::TMonForm(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Tool), context_(context) {
    setObjectName("MonForm");
    setWindowTitle("Monitor List");
    resize(212, 474);
}

void TMonForm::SavePlotData() {}

} // namespace qvr
