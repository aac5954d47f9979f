#pragma once

#include "core/app_context.h"
#include "core/calibration.h"
#include "core/calibration_steps.h"
#include "core/calibration_view.h"
#include "core/param_reader.h"
#include "report/calibration_journal.h"

#include <QWidget>
#include <map>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QTabWidget;
class QTimer;
class QToolButton;

namespace qvr {

class TCommCtrlForm;
class TVerifyTab;

// Settings window: port buttons, serial number, direct editing of the
// parameter set, setpoint files, and the calibration tab. Created hidden at
// start and kept for the whole run; closing it only hides it.
class TSysSetForm : public QWidget, private CalibrationStepView {
    Q_OBJECT
public:
    explicit TSysSetForm(AppContext& context, QWidget* parent = nullptr);

    // Edit fields from WritePrm, each in its display format.
    void ParamsToEdits();
    // Edit fields back into WritePrm. A text that is not a number stores
    // nothing: the warning names its field, which gets the focus and stays
    // marked, and false tells the caller not to go on.
    bool EditsToParams();
    // Loads the port settings, opens the port (its result is not reported) and
    // shows the connect button pressed. The main window's start button uses it too.
    void ConnectPort();

    // Handlers, named after their control and event.
    void SBConnectionClick();
    void SBDisconnectionClick();
    // The connect buttons show the port's real state.
    void ShowPortButtons();
    void BBComShowStdClick();
    void BBComSetStdClick();
    void BBSNClearClick();
    void BBWriteClick();
    void BBSetpointSaveClick();
    void BBSetpointLoadClick();
    void ShowSetpointFile(const QString& done, const QString& path);
    // Reads the sensor's parameter set into the edit fields; writes nothing.
    void BBSensorReadClick();
    void TimSensorReadTimer();
    // Reads the sensor's set in the background, only to compare the fields
    // with it; nothing when the port is closed or a read or write runs.
    void StartSensorCompare();
    // Marks every field whose value a write would change on the sensor, with
    // the sensor's value in its tooltip, and says how many on LSensorCompare.
    void ShowSensorComparison();
    // The sensor's set as last read in this connection; empty before.
    const std::map<std::string, float>& SensorSet() const { return sensorSet_; }
    // Offers the setpoint file named after the serial number beside the
    // program when its values are not those of the fields.
    void CheckSerialFile();
    void BBLoadSerialFileClick();
    // The one-off status line: shown, then cleared after a while or when the
    // next action starts.
    void ShowStatus(const QString& text);
    void BBOkClick();
    void BBCancelClick();
    void Tim1STimer();

    // Calibration tab: the step buttons, and what the tick shows.
    void BBCalStartClick();
    void BBATRcvFinClick();
    void BBWSTRcvFinClick();
    void BB0mCalFinClick();
    void BB4mCalFinClick();
    void BBFinClick();
    void ShowEvaluation();
    void UpdateCalControls();

    // The calibration's statistics and step counter; the tab only shows them.
    Calibration Cal;
    // What this run of the calibration did, for its report.
    CalibrationJournal CalJournal;
    // The report "作業完了" wrote last; empty before.
    std::string ReportPath;

    // "BaseSetpoint.ini" beside the executable.
    std::string BaseSetpointFile() const;

    // Port group and serial number.
    QGroupBox* GBCom = nullptr;
    QToolButton* SBConnection = nullptr;
    QToolButton* SBDisconnection = nullptr;
    QPushButton* BBComShowStd = nullptr;
    QPushButton* BBComSetStd = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label15 = nullptr;
    // The interface's language for the next start ("UI"/"Language" of BaseSetpoint.ini).
    QComboBox* CBLanguage = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* ESNum = nullptr;
    QPushButton* BBSNClear = nullptr;
    QTabWidget* PCMain = nullptr;
    QFrame* PConsole = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BBOk = nullptr;
    QLabel* LStatus = nullptr; // the last file saved or loaded, the last sensor read
    QTimer* TimStatusFade = nullptr;
    // "<serial>.qvr" beside the program, offered while it differs from the fields.
    QPushButton* BBLoadSerialFile = nullptr;
    // Table cells the last sensor read changed carry true in this role (edit
    // fields, in their "changedByRead" property).
    static constexpr int kChangedByReadRole = Qt::UserRole + 1;
    // Cells whose value differs from the sensor's carry true in this role (edit
    // fields, in their "differsFromSensor" property).
    static constexpr int kDiffersRole = Qt::UserRole + 2;
    QPushButton* BBCancel = nullptr;
    QFileDialog* SaveDlg = nullptr;
    QFileDialog* LoadDlg = nullptr;
    QTimer* Tim1S = nullptr;

    // Direct-edit tab.
    QWidget* TSDirect = nullptr;
    QGroupBox* GBParams = nullptr;
    QLineEdit* EStdVolt = nullptr;
    QLineEdit* EATDif1 = nullptr;
    QLineEdit* EATDif2 = nullptr;
    QLineEdit* EWDDif1 = nullptr;
    QLineEdit* EWDDif2 = nullptr;
    QLineEdit* EATRev = nullptr;
    QLineEdit* EDifT0m = nullptr;
    QLineEdit* EAdjWS = nullptr;
    QLineEdit* EAdjDifT = nullptr;
    QLineEdit* EHeaterWatt = nullptr;
    // Two columns (correction point, amount), row 0 the fixed header.
    QTableWidget* SGRev = nullptr;
    QPushButton* BBWrite = nullptr;
    QPushButton* BBSetpointSave = nullptr;
    QPushButton* BBSetpointLoad = nullptr;
    QPushButton* BBSensorRead = nullptr;
    QTimer* TimSensorRead = nullptr; // 160 ms, while a read runs
    // How the fields compare with the sensor's set.
    QLabel* LSensorCompare = nullptr;

    // Calibration tab; its behaviour lives with the calibration.
    QWidget* TSCalibration = nullptr;
    QPushButton* BBCalStart = nullptr;
    QLabel* PATRev = nullptr;
    QLabel* PATRevSet = nullptr;
    QPushButton* BBATRcvFin = nullptr;
    QLabel* PWTRev = nullptr;
    QLabel* PWTRevSet = nullptr;
    QPushButton* BBWSTRcvFin = nullptr;
    QLabel* PWS0Cal = nullptr;
    QLabel* PWS0CalSet = nullptr;
    QPushButton* BB0mCalFin = nullptr;
    QCheckBox* CB0mSmpl = nullptr;
    QLabel* PWS4Cal = nullptr;
    QLabel* PWS4CalSet = nullptr;
    QPushButton* BB4mCalFin = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QLabel* PFinish = nullptr;
    QPushButton* BBFin = nullptr;
    QLabel* PWSAS5 = nullptr;
    QProgressBar* NmGage5 = nullptr;
    QLabel* PWSAS15 = nullptr;
    QProgressBar* NmGage15 = nullptr;
    QLabel* Label12 = nullptr;
    QTableWidget* SGCalData = nullptr;
    QLabel* LCalNext = nullptr; // the next action at the current step
    QLabel* LReport = nullptr;  // where the last report went
    QLabel* LCalNote = nullptr; // why stages cannot be confirmed now

    // Verification tab: measures only.
    TVerifyTab* TabVerify = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildPortColumn();
    QWidget* BuildDirectTab();
    QWidget* BuildCalibrationTab();
    QWidget* BuildConsole();
    QWidget* BuildLanguageChoice(QWidget* parent);
    void CBLanguageActivated(int index);
    // The file name the operator confirms in the dialog; empty when cancelled.
    QString AskFileName(QFileDialog* dialog);
    void ShowSaveError(const QString& message);
    // A setpoint file's message in the interface's language: its first line and the
    // parameter names translated, the file name as it is.
    static QString SetpointMessage(const std::string& message);
    TCommCtrlForm* Link();
    void SetCollecting(bool collecting);
    // Runs a step button's sequence; a file it cannot write ends it with a message.
    template <typename Step> void RunCalStep(Step step);
    // A confirm button: the stage is journalled once its value is stored and logged.
    void ConfirmStage(CalibrationSteps::Stage stage, CalStage reported);
    // Writes the calibration report into "Report" beside the executable and shows its path.
    void WriteReport();
    // Adds a verification run to this run's calibration report of the same
    // sensor, or writes a report of its own; returns the report's path.
    std::string WriteVerificationReport(const ReportVerification& verification);
    // What every report takes from now: the set, the folder, the time, the computer.
    ReportContext ReportContextNow() const;
    void DefaultsMissing() override;
    void DefaultsIncomplete(const std::string& message) override;
    void StepChanged() override;

    // A field whose text did not convert, marked until the next conversion.
    void MarkUnconverted(QLineEdit* edit, QTableWidgetItem* item, bool marked);
    bool ReadRunning() const;
    void ShowReadRunning(bool running);
    // Shows a value read from the sensor in the edit field of its key; true
    // when that changed the field.
    bool ShowSensorValue(const std::string& key, float value);
    void MarkReadChange(QLineEdit* edit, QTableWidgetItem* item, bool marked);
    void ClearReadChanges();
    // The edit field or the table cell of a key.
    std::pair<QLineEdit*, QTableWidgetItem*> FieldOf(const std::string& key);
    // A field's colour from its marks: unconverted, then differing, then changed by a read.
    void Restyle(QLineEdit* edit, QTableWidgetItem* item);
    void StartSensorRead(bool intoFields);
    void ForgetSensorSet();
    static QString CalNextAction(int step, float referenceSpeed);
    // "Confirm 5.00 m/s": the reference-speed stage's button names its speed.
    static QString ReferenceConfirmText(float referenceSpeed);

    AppContext& ctx_;
    std::unique_ptr<ParamReader> sensorRead_;
    bool marking_ = false;        // the window itself is filling or marking the fields
    bool readIntoFields_ = false; // the running read fills the fields, not only compares
    std::map<std::string, float> sensorSet_;
    std::string offeredFile_; // the serial's file the button offers
    // The texts the calibration tab shows, so that a tick writes only what
    // changed; they start empty, as the tab's panels and cells do.
    EvaluationGrid shownGrid_;
    CalibrationPanels shownPanels_;
    CalControls shownControls_;
    CalibrationSteps calSteps_{ctx_, Cal, *this};
    // The report "作業完了" wrote last, for a verification page added later.
    std::optional<CalibrationReport> lastReport_;
};

} // namespace qvr
