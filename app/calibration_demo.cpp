#include "app/calibration_demo.h"

#include "app/main_form.h"
#include "serial/com_hand_over.h"
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"
#include "write/write_form.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <cstdio>

namespace qvr {

namespace {

constexpr int kVerifySpeeds[] = {2, 4, 6, 8, 10, 12};

} // namespace

CalibrationDemo::CalibrationDemo(TMainForm& mainForm, TSysSetForm& settings, TWriteForm& writer,
                                 QString outputDir, int limitSeconds, QObject* parent)
    : QObject(parent), mainForm_(mainForm), settings_(settings), writer_(writer),
      outputDir_(std::move(outputDir)), limitSeconds_(limitSeconds) {
    poll_.setInterval(250);
    connect(&poll_, &QTimer::timeout, this, &CalibrationDemo::Poll);
}

void CalibrationDemo::Start() {
    QDir().mkpath(outputDir_);
    QTimer::singleShot(limitSeconds_ * 1000, this, [this] {
        if (!completed_) Finish(false);
    });
    poll_.start();
}

void CalibrationDemo::Say(const QString& line) {
    std::printf("demo: %s\n", qPrintable(line));
    std::fflush(stdout);
}

void CalibrationDemo::Poll() {
    if (sending_) {
        // Runs inside the modal write window: write, then leave with "終了".
        if (!writer_.isVisible()) return;
        if (!writeStarted_) {
            writeStarted_ = true;
            writer_.BBDo->click();
        } else if (writer_.BBClose->isEnabled() &&
                   !(writer_.Safeguard() && writer_.Safeguard()->Running())) {
            // Completed and read back: the log shows the backup, the groups and the read-back.
            ++writes_;
            // The end of the log: the last groups, the completion and the read-back.
            writer_.MSts->verticalScrollBar()->setValue(
                writer_.MSts->verticalScrollBar()->maximum());
            Shot(&writer_, QString("calibration-write-%1.png").arg(writes_));
            writer_.BBClose->click();
        }
        return;
    }
    const Calibration& cal = settings_.Cal;
    ++phaseTicks_;
    switch (phase_) {
    case Phase::Connect:
        Say("pressing start; still air in the tunnel");
        mainForm_.BBStartClick();
        settings_.show();
        settings_.PCMain->setCurrentWidget(settings_.TSCalibration);
        settings_.ESNum->setText("DEMO-01");
        settings_.BBCalStart->click();
        Next(Phase::Temperatures);
        break;
    case Phase::Temperatures:
        if (settings_.BBATRcvFin->isEnabled()) {
            Say("air temperatures steady: confirming");
            Shot(&settings_, "calibration-1-air-temperatures.png");
            settings_.BBATRcvFin->click();
        }
        if (cal.CalStep >= 2 && settings_.BBWSTRcvFin->isEnabled()) {
            Say("element temperatures steady: confirming");
            Shot(&settings_, "calibration-2-element-temperatures.png");
            settings_.BBWSTRcvFin->click();
            Next(Phase::Zero);
        }
        break;
    case Phase::Zero:
        if (settings_.BB0mCalFin->isEnabled()) {
            Say("0 m/s steady: confirming and sending");
            Shot(&settings_, "calibration-3-zero.png");
            settings_.BB0mCalFin->click();
            Send(Phase::StillAir);
        }
        break;
    case Phase::StillAir:
        // Step 5 once the sensor reads exactly 0; then the reference speed.
        if (cal.CalStep == 5 || phaseTicks_ > 80) {
            Say(cal.CalStep == 5 ? "the sensor reads 0.000 m/s" : "no exact 0 yet; going on");
            Say("tunnel 5 m/s");
            Next(Phase::Reference);
        }
        break;
    case Phase::Reference:
        if (settings_.BB4mCalFin->isEnabled()) {
            Say("5 m/s steady: confirming and sending");
            Shot(&settings_, "calibration-4-reference-speed.png");
            settings_.BB4mCalFin->click();
            Send(Phase::Band);
        }
        break;
    case Phase::Band:
        if (cal.CalStep == 7) CalibrationDone();
        break;
    case Phase::Verify:
        VerifyPoll();
        break;
    }
}

void CalibrationDemo::CalibrationDone() {
    Say("calibration complete");
    Shot(&settings_, "calibration-tab.png");
    settings_.BBFin->click();
    if (!settings_.ReportPath.empty())
        Say(QString("report %1").arg(QString::fromStdString(settings_.ReportPath)));
    settings_.PCMain->setCurrentWidget(settings_.TabVerify);
    // What a lab types once: its certificate's texts and its reference's uncertainty.
    TVerifyTab& tab = *settings_.TabVerify;
    const std::pair<QLineEdit*, QString> texts[] = {
        {tab.EVerLabName, QStringLiteral("QVR 風洞校正室")},
        {tab.EVerLabAddress, QStringLiteral("Demo Street 1")},
        {tab.EVerCustomer, QStringLiteral("Demo Wind Farm")},
        {tab.EVerCustomerRef, QStringLiteral("PO-0001")},
        {tab.EVerTunnel, QStringLiteral("Demo tunnel")},
        {tab.EVerMountDiameter, QStringLiteral("33.7")},
        {tab.EVerRefUnc, QStringLiteral("0.05")}};
    for (const auto& [edit, text] : texts) {
        edit->setText(text);
        Q_EMIT edit->editingFinished();
    }
    verifyIndex_ = 0;
    Say(QString("verification; tunnel %1 m/s").arg(kVerifySpeeds[0]));
    Say(QString("tunnel %1 m/s").arg(kVerifySpeeds[0]));
    Next(Phase::Verify);
}

void CalibrationDemo::VerifyPoll() {
    TVerifyTab& tab = *settings_.TabVerify;
    // Until a reading at the new speed has come, the window still holds the
    // old one steady; after that it is steady only once all of it is new.
    if (phaseTicks_ < 12 || !tab.BBVerPoint->isEnabled()) return;
    const int speed = kVerifySpeeds[verifyIndex_];
    tab.EVerRef->setText(QString::number(speed));
    tab.BBVerPoint->click();
    Say(QString("point at %1 m/s recorded").arg(speed));
    if (++verifyIndex_ < std::size(kVerifySpeeds)) {
        Say(QString("tunnel %1 m/s").arg(kVerifySpeeds[verifyIndex_]));
        Next(Phase::Verify);
        return;
    }
    Say(QString("verification: %1; %2").arg(tab.PVerFit->text(), tab.PVerVerdict->text()));
    Shot(&settings_, "verification-tab.png");
    tab.BBVerFin->click();
    Say(QString("verification files: %1").arg(tab.LVerFile->text().replace('\n', "; ")));
    Finish(true);
}

// A picture of a window as it stands, into the output folder.
void CalibrationDemo::Shot(QWidget* window, const QString& file) {
    QApplication::processEvents();
    const QString path = QDir(outputDir_).filePath(file);
    const bool saved = window->grab().save(path);
    Say(QString("%1 %2").arg(saved ? "saved" : "could not save", path));
}

void CalibrationDemo::Next(Phase phase) {
    phase_ = phase;
    phaseTicks_ = 0;
}

void CalibrationDemo::Send(Phase next) {
    sending_ = true;
    writeStarted_ = false;
    OpenWriteWindow(next);
}

void CalibrationDemo::OpenWriteWindow(Phase next) {
    // From a timer of its own: a timer does not fire again while its handler
    // runs, and the write window's modal loop runs inside this click. Never
    // from inside a line event (a lamp lets timers run there): the modal loop
    // would hold the line until it ends.
    QTimer::singleShot(0, this, [this, next] {
        if (TComHandOver::Default().Running()) return OpenWriteWindow(next);
        settings_.BitBtn6->click(); // returns when the write window is left
        sending_ = false;
        Next(next);
    });
}

void CalibrationDemo::Finish(bool completed) {
    poll_.stop();
    completed_ = completed;
    if (!completed) {
        Say("the demo did not complete in time");
        settings_.show();
        Shot(&settings_, phase_ == Phase::Verify ? "verification-tab.png" : "calibration-tab.png");
    } else {
        Say("demo complete");
    }
    mainForm_.close();
}

} // namespace qvr
