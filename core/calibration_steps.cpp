#include "core/calibration_steps.h"

#include "base/date_time.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "core/step_log.h"

#include <string_view>

namespace qvr {

namespace {

// Separators and the characters Windows refuses in a name; the sensor's files
// are named by serial number alone, so it must stay one plain name.
bool NamesAFile(const std::string& serial) {
    if (serial == "." || serial == "..") return false;
    for (const unsigned char c : serial)
        if (c < 0x20 ||
            std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

} // namespace

std::string CalibrationSteps::SensorFile() const {
    return ctx_.exeDir + ctx_.writePrm.SerialNo + ".qvr";
}

std::string CalibrationSteps::DefaultsFile() const {
    return ctx_.exeDir + "DefaultPrm.qvr";
}

std::string CalibrationSteps::LogFile(const char* suffix) const {
    return ctx_.exeDir + ctx_.writePrm.SerialNo + suffix;
}

void CalibrationSteps::Start(const std::string& serialText) {
    if (!NamesAFile(serialText))
        throw SerialNumberError(
            "シリアル番号に使えない文字があります（\\ / : * ? \" < > | など）: " + serialText);
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
    WriteStepLog(LogFile("_Fin.csv"), ctx_.sampleHistory);
    SaveSensorFile();
}

std::string CalibrationSteps::KeepSensorFile() const {
    const std::string current = SensorFile();
    if (!FileExists(current)) return {};
    const std::string stem = ctx_.exeDir + ctx_.writePrm.SerialNo + "_" +
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
