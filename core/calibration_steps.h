#pragma once

#include "core/app_context.h"
#include "core/calibration.h"

#include <stdexcept>
#include <string>

namespace qvr {

// Why a serial number cannot name the per-sensor files, or empty when it can.
// It must be one plain name that creates a file on Windows as well as here: no
// separators or characters Windows refuses, no trailing dot or space (Windows
// drops them), and no device name, which opens the device instead of a file
// ("NUL.qvr").
std::string SerialNumberProblem(const std::string& serial);

// What the step buttons need from the window around them.
class CalibrationStepView {
public:
    virtual ~CalibrationStepView() = default;
    // "DefaultPrm.qvr" is missing; the start goes on with the built-in defaults.
    virtual void DefaultsMissing() = 0;
    // "DefaultPrm.qvr" lacks some fields; the message names them. The start
    // goes on with their built-in defaults.
    virtual void DefaultsIncomplete(const std::string& message) = 0;
    // The step changed: refresh the controls and the edit fields. Called before
    // the per-sensor file is saved, so they show the new values even when
    // saving fails.
    virtual void StepChanged() = 0;
};

// A step button refused before it changed anything; the message says why.
class StepRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A serial number that names no file of its own beside the executable: empty,
// writing elsewhere ("../x", "C:\\x"), failing to be created ("a:b", "a?", "a.")
// or naming a Windows device ("NUL", "com1.txt").
class SerialNumberError : public StepRefused {
public:
    using StepRefused::StepRefused;
};

// The calibration's step buttons: each stores its result in the parameter set,
// writes its log beside the executable, moves the step counter and saves the
// per-sensor setpoint file (serial number + ".qvr"). Failures to write a file
// are thrown (TextFileError, IniFileError, both naming the file) and end the
// sequence where they happen: a failed log leaves the step as it was.
class CalibrationSteps {
public:
    enum class Stage { AirTemp, ElementTemp, ZeroSpeed, ReferenceSpeed };

    CalibrationSteps(AppContext& context, Calibration& calibration, CalibrationStepView& view)
        : ctx_(context), cal_(calibration), view_(view) {}

    // "キャリブレーション開始": takes the serial number as typed, loads
    // "DefaultPrm.qvr" from beside the executable into every numeric field and
    // returns to step 1. The per-sensor file it then overwrites is first kept
    // under a dated name beside it, so one stray click cannot lose a sensor's
    // confirmed calibration. A serial number that cannot be part of a file
    // name throws SerialNumberError and a "DefaultPrm.qvr" that is there but
    // cannot be used throws SetpointFileError; both change nothing.
    void Start(const std::string& serialText);
    // The four confirm buttons. Refused (StepRefused, nothing changed) without
    // a serial number that names a file, or when the stage's readings were not
    // all sent by the sensor.
    void Confirm(Stage stage);
    // "作業完了": the last log and the per-sensor file; the step stays.
    // Refused like Confirm without a usable serial number.
    void Finish();

    std::string SensorFile() const;
    std::string DefaultsFile() const;
    std::string LogFile(const char* suffix) const;

    // Copies the per-sensor file, when there is one, to serial number + "_" +
    // date and time + ".qvr" beside it (a number added when that name is
    // taken). Returns the copy's path, empty when there was nothing to keep.
    std::string KeepSensorFile() const;
    void SaveSensorFile() const;

private:
    AppContext& ctx_;
    Calibration& cal_;
    CalibrationStepView& view_;
};

} // namespace qvr
