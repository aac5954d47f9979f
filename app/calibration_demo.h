#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace qvr {

class TMainForm;
class TSysSetForm;
class TWriteForm;

// The unattended calibration: presses start, then every button of the
// calibration tab as soon as it becomes available, sends the parameter set
// twice through the write window, and saves a picture of the calibration tab
// at "キャリブレーション完了". Whoever runs the wind tunnel reads "demo: tunnel
// 5 m/s" on standard output when the reference speed is wanted. Ends the
// program when done, or after `limitSeconds` with a picture of where it stood.
class CalibrationDemo : public QObject {
    Q_OBJECT
public:
    CalibrationDemo(TMainForm& mainForm, TSysSetForm& settings, TWriteForm& writer,
                    QString outputDir, int limitSeconds, QObject* parent = nullptr);
    void Start();

private:
    enum class Phase { Connect, Temperatures, Zero, StillAir, Reference, Band, Verify };
    void Poll();
    void Next(Phase phase);
    void Send(Phase next);
    void OpenWriteWindow(Phase next);
    void Finish(bool completed);
    void CalibrationDone();
    void VerifyPoll();
    void Say(const QString& line);
    void Shot(QWidget* window, const QString& file);

    TMainForm& mainForm_;
    TSysSetForm& settings_;
    TWriteForm& writer_;
    QString outputDir_;
    int limitSeconds_;
    QTimer poll_;
    Phase phase_ = Phase::Connect;
    bool sending_ = false;
    bool writeStarted_ = false;
    int writes_ = 0;
    int phaseTicks_ = 0;
    std::size_t verifyIndex_ = 0; // the speed being verified
    bool completed_ = false;
};

} // namespace qvr
