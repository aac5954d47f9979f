#include "settings/sys_set_form.h"

namespace qvr {

TSysSetForm::TSysSetForm(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    setObjectName("SysSetForm");
    setWindowTitle("System Setting");
    resize(623, 665);
}

} // namespace qvr
