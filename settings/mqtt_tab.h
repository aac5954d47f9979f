#pragma once

#include "core/mqtt_settings.h"

#include <QWidget>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace qvr {

// The settings window's page for publishing readings to an MQTT broker: the
// [MQTT] section of "BaseSetpoint.ini", taken at the next start.
class TMqttTab : public QWidget {
    Q_OBJECT
public:
    TMqttTab(std::string iniPath, QWidget* parent = nullptr);

    QCheckBox* CBMqttEnabled = nullptr;
    QLineEdit* EMqttUrl = nullptr;
    QLineEdit* EMqttUser = nullptr;
    QLineEdit* EMqttPassword = nullptr;
    QLineEdit* EMqttCaFile = nullptr;
    QLineEdit* EMqttPrefix = nullptr;
    QSpinBox* SEMqttQueue = nullptr;
    QPushButton* BBMqttSave = nullptr;
    QLabel* LMqttState = nullptr;

    // Writes the fields to the file; refused (and said) when publishing is on
    // and the URL cannot be used.
    void BBMqttSaveClick();
    // The fields as the file holds them.
    void LoadFields();

private:
    std::string iniPath_;
};

} // namespace qvr
