#pragma once

#include "core/app_context.h"
#include "core/group_write.h"
#include "core/write_safeguard.h"

#include <QDialog>
#include <memory>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace qvr {

// Write window: sends the parameter set to the sensor group by group and logs
// every step. Shown modally by the settings window while the port is open.
// However it is closed, collection resumes.
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
    GroupWrite* Write() { return write_.get(); }
    // The backup before and the read-back after the group write.
    WriteSafeguard* Safeguard() { return guard_.get(); }

    QPlainTextEdit* MSts = nullptr;
    QPushButton* BBDo = nullptr;
    QFrame* PConsole = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BBClose = nullptr;
    QPushButton* BBCancel = nullptr;
    QTimer* Timer1 = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void AddLog(const std::string& line);

    AppContext& ctx_;
    std::unique_ptr<GroupWrite> write_;
    std::unique_ptr<WriteSafeguard> guard_;
    bool writeAfterBackup_ = false;
};

} // namespace qvr
