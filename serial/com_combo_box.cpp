#include "serial/com_combo_box.h"

namespace qvr {

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { select_.Change(itemText(index).toStdString()); });
}

void TComComboBox::SetComPort(TCustomComPort* port) {
    select_.SetComPort(port);
    if (port) UpdateSettings();
}

void TComComboBox::SetComProperty(TComProperty value) {
    select_.SetComProperty(value);
    Refill();
}

void TComComboBox::SetEntries(const std::vector<std::string>& entries) {
    select_.SetItems(entries);
    Refill();
}

void TComComboBox::Refill() {
    clear();
    for (const std::string& item : select_.Items())
        addItem(QString::fromStdString(item));
    setCurrentIndex(-1);
}

void TComComboBox::UpdateSettings() {
    setCurrentIndex(select_.UpdateSettings());
}

void TComComboBox::ApplySettings() {
    select_.ApplySettings();
}

} // namespace qvr
