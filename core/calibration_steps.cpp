#include "core/calibration_steps.h"

#include "base/date_time.h"
#include "base/text_file.h"
#include "core/calibration_texts.h"
#include "core/setpoint_file.h"
#include "core/step_log.h"

#include <string_view>

namespace qvr {

std::string SerialNumberProblem(const std::string& serial) {
    if (serial.empty()) return calibration_text::kNoSerial;
    for (const unsigned char c : serial)
        if (c < 0x20 ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return calibration_text::kSerialBadChar + serial;
    if (serial.back() == '.' || serial.back() == ' ')
        return calibration_text::kSerialBadEnd + serial;
    std::string stem = serial.substr(0, serial.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    // COM0-9 and LPT0-9, and with a superscript digit, which Windows also reserves.
    const std::string_view port(stem.size() > 3 ? std::string_view(stem).substr(3) : "");
    const bool numbered = (stem.starts_with("COM") || stem.starts_with("LPT")) &&
                          ((port.size() == 1 && port[0] >= '0' && port[0] <= '9') || port == "¹" ||
                           port == "²" || port == "³");
    if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return calibration_text::kSerialDevice + serial;
    return {};
}

namespace {

void RequireSerialNumber(const std::string& serial) {
    if (const std::string problem = SerialNumberProblem(serial); !problem.empty())
        throw SerialNumberError(problem);
}

} // namespace

std::string CalibrationSteps::SensorFile() const {
    return ctx_.dataDir + ctx_.writePrm.SerialNo + ".qvr";
}

std::string CalibrationSteps::DefaultsFile() const {
    return ctx_.dataDir + "DefaultPrm.qvr";
}

std::string CalibrationSteps::LogFile(const char* suffix) const {
    return ctx_.dataDir + ctx_.writePrm.SerialNo + suffix;
}

void CalibrationSteps::Start(const std::string& serialText) {
    RequireSerialNumber(serialText);
    TWritePrm& prm = ctx_.writePrm;
    const std::string defaults = DefaultsFile();
    // A missing file loads as an empty one: every field takes its default. A
    // file that is there but unusable is refused before anything changes.
    const bool found = FileExists(defaults);
    const SetpointLoad load =
        found ? LoadChosenSetpointFile(prm, defaults) : LoadSetpointFile(prm, defaults);
    prm.SerialNo = serialText;
    if (!found)
        view_.DefaultsMissing();
    else if (!load.Defaulted.empty())
        view_.DefaultsIncomplete(DefaultedFieldsMessage(defaults, load));
    cal_.CalStep = 1;
    view_.StepChanged();
    KeepSensorFile();
    SaveSensorFile();
}

void CalibrationSteps::Confirm(Stage stage) {
    TWritePrm& prm = ctx_.writePrm;
    RequireSerialNumber(prm.SerialNo);
    const bool known = stage == Stage::AirTemp       ? cal_.AtKnown()
                       : stage == Stage::ElementTemp ? cal_.WdtKnown()
                                                     : cal_.TempDiffKnown();
    if (!known) throw StepRefused(calibration_text::kStageUnreceived);
    const char* suffix = "";
    int step = 0;
    switch (stage) {
    case Stage::AirTemp:
        prm.ATRevice0 = cal_.AtCorr[0];
        prm.ATRevice1 = cal_.AtCorr[1];
        suffix = "_ATR.csv";
        step = 2;
        break;
    case Stage::ElementTemp:
        prm.WDTRevice0 = cal_.WdtCorr[0];
        prm.WDTRevice1 = cal_.WdtCorr[1];
        suffix = "_WTR.csv";
        step = 3;
        break;
    case Stage::ZeroSpeed:
        prm.DifT0m = cal_.ZeroTempDiff;
        suffix = "_cal0.csv";
        step = 4;
        break;
    case Stage::ReferenceSpeed:
        prm.AdjDifT = cal_.SpanTempDiff;
        suffix = "_calx.csv";
        step = 6;
        break;
    }
    WriteStepLog(LogFile(suffix), ctx_.sampleHistory);
    cal_.CalStep = step;
    view_.StepChanged();
    SaveSensorFile();
}

void CalibrationSteps::Finish() {
    RequireSerialNumber(ctx_.writePrm.SerialNo);
    WriteStepLog(LogFile("_Fin.csv"), ctx_.sampleHistory);
    SaveSensorFile();
}

std::string CalibrationSteps::KeepSensorFile() const {
    const std::string current = SensorFile();
    if (!FileExists(current)) return {};
    const std::string stem = ctx_.dataDir + ctx_.writePrm.SerialNo + "_" +
                             FormatDateTime("yyyymmdd_hhnnss", ctx_.clock.Now());
    std::string kept = stem + ".qvr";
    for (int n = 2; FileExists(kept); ++n)
        kept = stem + "_" + std::to_string(n) + ".qvr";
    ReplaceFileBytes(kept, ReadFileBytes(current));
    return kept;
}

void CalibrationSteps::SaveSensorFile() const {
    SaveSetpointFile(ctx_.writePrm, SensorFile());
}

} // namespace qvr
