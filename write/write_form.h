#pragma once

#include "core/app_context.h"
#include "core/write_procedure.h"

#include <QDialog>
#include <memory>

class QFrame;
class QLabel;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace qvr {

// Write window: sends the parameter set to the sensor group by group, reads it
// back and logs every step. Shown modally by the settings window while the port
// is open. However it is closed, collection resumes; a write left unfinished
// is reported in the log and, when the sensor holds a partly written set, in a
// message box.
class TWriteForm : public QDialog {
    Q_OBJECT
public:
    explicit TWriteForm(AppContext& context, QWidget* parent = nullptr);

    void FormShow();
    void BBDoClick();
    void Timer1Timer();
    void BBCloseClick();
    void BBCancelClick();

    // The step machine; null while there is no exchange to write through.
    GroupWrite* Write() { return procedure_ ? &procedure_->Write() : nullptr; }
    // The backup before and the read-back after the group write.
    WriteSafeguard* Safeguard() { return procedure_ ? &procedure_->Safeguard() : nullptr; }
    // A calibration's send: its plan is logged, not asked about (the
    // operator confirmed each value on the calibration tab).
    void SetCalibrationSend(bool calibration) {
        if (procedure_) procedure_->AskBeforeWriting(!calibration);
    }

    // The log's backup line, kept in sight above it.
    QLabel* LBackup = nullptr;
    QPlainTextEdit* MSts = nullptr;
    QPushButton* BBDo = nullptr;
    QFrame* PConsole = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BBClose = nullptr;
    QPushButton* BBCancel = nullptr;
    QTimer* Timer1 = nullptr;
    // Asks before a write that replaces calibrated values or changes nothing;
    // open while the write waits for the answer.
    QMessageBox* ConfirmBox = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void AddLog(const std::string& line);
    // The log line in the interface's language.
    static QString Shown(const std::string& line);
    // Wide enough that the lines of a write (backup path, plan) do not wrap.
    void FitToLog();
    void AskConfirmation(const WritePlan& plan);
    void ConfirmBoxFinished();

    AppContext& ctx_;
    std::unique_ptr<WriteProcedure> procedure_;
};

} // namespace qvr
