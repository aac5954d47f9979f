#pragma once

#include "core/app_context.h"
#include "core/verification.h"
#include "report/calibration_report.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace qvr {

// The settings window's verification tab: the sensor's wind speed taken at
// reference speeds the operator types, a line fitted through the points and a
// verdict against a tolerance, each point with its uncertainty; at the end a
// log, a report page and a digital certificate. It only measures; nothing is
// sent to the sensor.
class TVerifyTab : public QWidget {
    Q_OBJECT
public:
    // What the tab needs from the window around it.
    struct Host {
        std::function<std::string()> SerialNo; // as the operator typed it
        std::string SettingsFile;              // "BaseSetpoint.ini", for the [Verify] section
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
    // The reference's uncertainty or its unit changed: kept when allowed, else put back.
    void RefUncertaintyEdited();
    // A text of the certificate left its edit: kept as typed.
    void LabEdited();

    const std::vector<VerPoint>& Points() const { return points_; }
    const VerTolerance& Tolerance() const { return settings_.Tolerance; }
    const VerSettings& Settings() const { return settings_; }
    const VerWindow& Window() const { return window_; }

    QTabWidget* PCVer = nullptr; // the measurement and the certificate's texts
    QLineEdit* EVerRef = nullptr;
    QLineEdit* EVerRefUnc = nullptr;      // the reference's expanded uncertainty (k = 2)
    QComboBox* CBVerRefUncUnit = nullptr; // m/s or % of reading
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
    QLabel* LVerFile = nullptr; // where the log, the report and the certificate went
    // The certificate's texts, kept in [Verify].
    QLineEdit* EVerLabName = nullptr;
    QLineEdit* EVerLabAddress = nullptr;
    QLineEdit* EVerCustomer = nullptr;
    QLineEdit* EVerCustomerRef = nullptr;
    QLineEdit* EVerProcedure = nullptr;
    QLineEdit* EVerTunnel = nullptr;
    QLineEdit* EVerMountDiameter = nullptr;
    QLineEdit* EVerMaker = nullptr;

private:
    QWidget* BuildCertificatePage();
    void ShowRun();
    void ShowSettings();
    void SaveSettings();
    void Warn(const QString& text, QWidget* focus = nullptr);

    AppContext& ctx_;
    Host host_;
    std::vector<VerPoint> points_;
    VerSettings settings_;
    VerCollection collection_;
    VerWindow window_;
    std::string model_; // as the sensor last sent them
    std::string firmware_;
};

} // namespace qvr
