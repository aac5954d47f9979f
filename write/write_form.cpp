#include "write/write_form.h"

namespace qvr {

TWriteForm::TWriteForm(AppContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName("WriteForm");
    setWindowTitle(QStringLiteral("設定送出"));
}

} // namespace qvr
