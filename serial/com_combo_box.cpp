#include "serial/com_combo_box.h"

#include <QAbstractItemView>

namespace qvr {

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { select_.Change(itemText(index).toStdString()); });
}

void TComComboBox::TakeTypedPort(const QString& text) {
    if (select_.ComProperty() != cpPort) return;
    // An empty box keeps the port's name (ApplySettings skips an empty choice).
    select_.Change(text.trimmed().toStdString());
    setToolTip(text.trimmed());
}

void TComComboBox::SetComPort(TCustomComPort* port) {
    select_.SetComPort(port);
    if (port) UpdateSettings();
}

void TComComboBox::SetComProperty(TComProperty value) {
    select_.SetComProperty(value);
    const bool typed = value == cpPort;
    if (typed != isEditable()) {
        setEditable(typed);
        if (typed) {
            setInsertPolicy(QComboBox::NoInsert);
            connect(this, &QComboBox::editTextChanged, this, &TComComboBox::TakeTypedPort);
        }
    }
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
    // Long stable names (/dev/serial/by-id/...) are read whole in the open list.
    if (view()) view()->setMinimumWidth(view()->sizeHintForColumn(0) + 8);
}

void TComComboBox::UpdateSettings() {
    const int index = select_.UpdateSettings();
    if (count() != static_cast<int>(select_.Items().size())) Refill(); // the port joined them
    setCurrentIndex(index);
}

void TComComboBox::ApplySettings() {
    select_.ApplySettings();
}

} // namespace qvr
