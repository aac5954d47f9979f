#pragma once

#include "core/app_context.h"
#include "core/verification.h"
#include "report/calibration_report.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QCustomPlot;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qvr {

// The settings window's verification tab: the sensor's wind speed taken at
// reference speeds the operator types, a line fitted through the points and a
// verdict against a tolerance. It only measures; nothing is sent to the sensor.
class TVerifyTab : public QWidget {
    Q_OBJECT
public:
    // What the tab needs from the window around it.
    struct Host {
        std::function<std::string()> SerialNo; // as the operator typed it
        std::string SettingsFile;              // "BaseSetpoint.ini", for the tolerance
        // Puts the run into a report and returns its path; throws TextFileError.
        std::function<std::string(const ReportVerification&)> WriteReport;
    };

    TVerifyTab(AppContext& context, Host host, QWidget* parent = nullptr);

    // Once a second: judges the newest readings and enables the point button.
    void Tick();

    void BBVerPointClick();
    void BBVerDelClick();
    void BBVerFinClick();
    // A tolerance edit left: kept when it is a number in range, else put back.
    void ToleranceEdited();

    const std::vector<VerPoint>& Points() const { return points_; }
    const VerTolerance& Tolerance() const { return tolerance_; }

    QLineEdit* EVerRef = nullptr;
    QPushButton* BBVerPoint = nullptr;
    QLabel* PVerState = nullptr; // what the newest readings are: steady, moving, silent
    QTableWidget* SGVer = nullptr;
    QPushButton* BBVerDel = nullptr;
    QLineEdit* EVerTolA = nullptr;
    QLineEdit* EVerTolB = nullptr;
    QLabel* PVerFit = nullptr;
    QLabel* PVerVerdict = nullptr;
    QCustomPlot* PVerChart = nullptr;
    QCustomPlot* PVerDevChart = nullptr;
    QPushButton* BBVerFin = nullptr;
    QLabel* LVerFile = nullptr; // where the log and the report went

private:
    void ShowRun();
    void ShowTolerance();
    void Warn(const QString& text, QWidget* focus = nullptr);

    AppContext& ctx_;
    Host host_;
    std::vector<VerPoint> points_;
    VerTolerance tolerance_;
    VerWindow window_;
};

} // namespace qvr
