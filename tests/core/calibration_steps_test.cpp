#include "core/calibration_steps.h"

#include "base/ini_file.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "tests/core/calibration_history.h"
#include "tests/local_state.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace qvr::test {
namespace {

class RecordingView final : public CalibrationStepView {
public:
    explicit RecordingView(const Calibration& cal) : cal_(cal) {}
    void DefaultsMissing() override { calls.push_back("missing"); }
    void DefaultsIncomplete(const std::string& message) override {
        calls.push_back("incomplete");
        incomplete = message;
    }
    void StepChanged() override { calls.push_back("step " + std::to_string(cal_.CalStep)); }
    std::vector<std::string> calls;
    std::string incomplete;

private:
    const Calibration& cal_;
};

class CalibrationStepsTest : public ::testing::Test, protected LocalState {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 10, 8, 30, 5, 0})};
    AppContext ctx = Context(clock);
    Calibration cal;
    RecordingView view{cal};
    CalibrationSteps steps{ctx, cal, view};

    void SetUp() override {
        ResetPrm(prm);
        std::ofstream(dir.File("DefaultPrm.qvr"))
            << "[Early]\r\nDifT0m=48.5\r\nAdjWS=5\r\nAdjDifT=21\r\n[Exp16]\r\nATRevice0=0.7\r\n";
        history = HistoryOf(40, SteadySample());
        cal.AtCorr = {-0.25f, 0.25f};
        cal.WdtCorr = {-0.4f, 0.4f};
        cal.ZeroTempDiff = 46.125f;
        cal.SpanTempDiff = 27.75f;
        cal.Known.fill(true); // as a tick on readings of every channel leaves it
    }

    static TWritePrm Saved(const std::string& path) {
        TWritePrm p;
        LoadSetpointFile(p, path);
        return p;
    }
};

TEST_F(CalibrationStepsTest, TypicalSequenceStoresEachStageLogsItAndSavesTheSensorFile) {
    prm.ATRevice1 = 3.0f; // whatever the set held before
    steps.Start("A12");
    EXPECT_EQ(prm.SerialNo, "A12");
    EXPECT_EQ(prm.DifT0m, 48.5f);
    EXPECT_EQ(prm.ATRevice0, 0.7f);
    EXPECT_EQ(prm.ATRevice1, 0.0f); // missing from the defaults file: built-in default
    EXPECT_EQ(cal.CalStep, 1);
    EXPECT_EQ(Saved(dir.File("A12.qvr")).DifT0m, 48.5f);

    struct Stage {
        CalibrationSteps::Stage stage;
        const char* log;
        int step;
    };
    for (const Stage& s : {Stage{CalibrationSteps::Stage::AirTemp, "A12_ATR.csv", 2},
                           Stage{CalibrationSteps::Stage::ElementTemp, "A12_WTR.csv", 3},
                           Stage{CalibrationSteps::Stage::ZeroSpeed, "A12_cal0.csv", 4},
                           Stage{CalibrationSteps::Stage::ReferenceSpeed, "A12_calx.csv", 6}}) {
        steps.Confirm(s.stage);
        EXPECT_EQ(cal.CalStep, s.step);
        EXPECT_EQ(ReadTextLines(dir.File(s.log)).size(), 2u + 39u) << s.log; // entry 0 left out
    }
    EXPECT_EQ(prm.ATRevice0, -0.25f);
    EXPECT_EQ(prm.ATRevice1, 0.25f);
    EXPECT_EQ(prm.WDTRevice0, -0.4f);
    EXPECT_EQ(prm.WDTRevice1, 0.4f);
    EXPECT_EQ(prm.DifT0m, 46.125f);
    EXPECT_EQ(prm.AdjDifT, 27.75f);
    const TWritePrm saved = Saved(dir.File("A12.qvr"));
    EXPECT_EQ(saved.ATRevice0, -0.25f);
    EXPECT_EQ(saved.WDTRevice1, 0.4f);
    EXPECT_EQ(saved.AdjDifT, 27.75f);

    // A correction replaces the stored value; nothing is added to it.
    cal.AtCorr = {0.01f, -0.01f};
    steps.Confirm(CalibrationSteps::Stage::AirTemp);
    EXPECT_EQ(prm.ATRevice0, 0.01f);
    EXPECT_EQ(cal.CalStep, 2);

    cal.CalStep = 7;
    steps.Finish();
    EXPECT_EQ(cal.CalStep, 7);
    EXPECT_TRUE(FileExists(dir.File("A12_Fin.csv")));
    EXPECT_EQ(view.calls, (std::vector<std::string>{"incomplete", "step 1", "step 2", "step 3",
                                                    "step 4", "step 6", "step 2"}));
    EXPECT_FALSE(FileExists(dir.File("A12_20261210_083005.qvr"))); // nothing to keep at first
}

TEST_F(CalibrationStepsTest, RestartingKeepsTheConfirmedSensorFileBesideTheNewOne) {
    steps.Start("A12");
    steps.Confirm(CalibrationSteps::Stage::AirTemp);
    steps.Confirm(CalibrationSteps::Stage::ReferenceSpeed);
    cal.CalStep = 7;
    const std::string confirmed = ReadFileBytes(dir.File("A12.qvr"));

    steps.Start("A12");
    EXPECT_EQ(cal.CalStep, 1);
    EXPECT_EQ(prm.ATRevice0, 0.7f); // the defaults again, in the set and in the file
    EXPECT_EQ(prm.AdjDifT, 21.0f);
    EXPECT_EQ(Saved(dir.File("A12.qvr")).AdjDifT, 21.0f);
    EXPECT_EQ(ReadFileBytes(dir.File("A12_20261210_083005.qvr")), confirmed);

    // A second stray click in the same second keeps the first copy too.
    steps.Start("A12");
    EXPECT_EQ(ReadFileBytes(dir.File("A12_20261210_083005.qvr")), confirmed);
    EXPECT_TRUE(FileExists(dir.File("A12_20261210_083005_2.qvr")));
}

TEST_F(CalibrationStepsTest, NoConfirmationWithoutASerialNumber) {
    // Step 0: nothing started, the set's serial number is empty.
    for (const auto stage :
         {CalibrationSteps::Stage::AirTemp, CalibrationSteps::Stage::ReferenceSpeed}) {
        EXPECT_THROW(steps.Confirm(stage), SerialNumberError);
    }
    EXPECT_THROW(steps.Finish(), SerialNumberError);
    EXPECT_THROW(steps.Start(""), SerialNumberError);
    EXPECT_EQ(cal.CalStep, 0);
    EXPECT_EQ(prm.ATRevice0, 0.0f);
    for (const char* name : {".qvr", "_ATR.csv", "_calx.csv", "_Fin.csv"})
        EXPECT_FALSE(FileExists(dir.File(name))) << name;
}

TEST_F(CalibrationStepsTest, AStageWhoseReadingsTheSensorDidNotSendIsRefused) {
    steps.Start("A12");
    const std::string before = ReadFileBytes(dir.File("A12.qvr"));
    cal.Known = {true, false, false, false, false, false}; // fast mode: wind speed only
    for (const auto stage :
         {CalibrationSteps::Stage::AirTemp, CalibrationSteps::Stage::ElementTemp,
          CalibrationSteps::Stage::ZeroSpeed, CalibrationSteps::Stage::ReferenceSpeed})
        EXPECT_THROW(steps.Confirm(stage), StepRefused);
    EXPECT_EQ(cal.CalStep, 1);
    EXPECT_EQ(prm.ATRevice0, 0.7f);
    EXPECT_EQ(prm.DifT0m, 48.5f);
    EXPECT_FALSE(FileExists(dir.File("A12_ATR.csv")));
    EXPECT_EQ(ReadFileBytes(dir.File("A12.qvr")), before);
}

TEST_F(CalibrationStepsTest, MissingDefaultsAreReportedAndTheStartGoesOnWithBuiltInValues) {
    std::filesystem::remove(dir.File("DefaultPrm.qvr"));
    prm.DifT0m = 12.0f;
    prm.DIV[3] = 4.0f;
    steps.Start(" B7");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"missing", "step 1"}));
    EXPECT_EQ(prm.SerialNo, " B7"); // as typed
    EXPECT_EQ(prm.DifT0m, 50.0f);
    EXPECT_EQ(prm.DIV[3], 0.0f);
    EXPECT_TRUE(FileExists(dir.File(" B7.qvr")));
}

TEST_F(CalibrationStepsTest, DefaultsLackingFieldsAreNamedAndTheStartGoesOn) {
    TWritePrm full;
    ResetPrm(full);
    full.DifT0m = 48.5f;
    SaveSetpointFile(full, dir.File("DefaultPrm.qvr"));
    steps.Start("A12");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"step 1"}));

    IniText text(ReadFileBytes(dir.File("DefaultPrm.qvr")));
    text.SetValue("Exp16", "ATRev", "?");
    text.SetValue("Early", "AdjWS", "");
    text.SetValue("System", "ChipStdV", "2,5");
    text.Write(dir.File("DefaultPrm.qvr"));
    view.calls.clear();
    steps.Start("A12");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"incomplete", "step 1"}));
    EXPECT_NE(view.incomplete.find("基準風速値 (m/s), 気温補正, 基準電圧 (V)"), std::string::npos)
        << view.incomplete;
    EXPECT_EQ(prm.DifT0m, 48.5f);
    EXPECT_EQ(prm.ChipStdV, 2.5f);
}

// A defaults file that is there but unusable would start the run from the
// factory set without a word: the start is refused and changes nothing.
TEST_F(CalibrationStepsTest, UnusableDefaultsRefuseTheStart) {
    steps.Start("A12");
    steps.Confirm(CalibrationSteps::Stage::AirTemp);
    const std::string confirmed = ReadFileBytes(dir.File("A12.qvr"));
    const TWritePrm before = prm;
    view.calls.clear();
    for (const std::string& bytes : {std::string("[Record]\r\nSecRec=1\r\n"),
                                     std::string("[Early]\r\n") + std::string(2 << 20, ';')}) {
        ReplaceFileBytes(dir.File("DefaultPrm.qvr"), bytes);
        try {
            steps.Start("B7");
            ADD_FAILURE() << "started";
        } catch (const SetpointFileError& e) {
            EXPECT_NE(std::string(e.what()).find(dir.File("DefaultPrm.qvr")), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(prm.SerialNo, "A12");
        EXPECT_EQ(prm.ATRevice0, before.ATRevice0);
        EXPECT_EQ(prm.DifT0m, before.DifT0m);
    }
    EXPECT_EQ(cal.CalStep, 2);
    EXPECT_EQ(view.calls, std::vector<std::string>{});
    EXPECT_EQ(ReadFileBytes(dir.File("A12.qvr")), confirmed);
    EXPECT_FALSE(FileExists(dir.File("B7.qvr")));
}

TEST_F(CalibrationStepsTest, AFailedLogEndsTheStageBeforeTheStepAndAFailedSaveAfterIt) {
    steps.Start("A12");
    const std::string before = ReadFileBytes(dir.File("A12.qvr"));
    std::filesystem::create_directory(dir.File("A12_ATR.csv")); // the log cannot be written
    EXPECT_THROW(steps.Confirm(CalibrationSteps::Stage::AirTemp), TextFileError);
    EXPECT_EQ(cal.CalStep, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("A12.qvr")), before);

    std::filesystem::remove(dir.File("A12.qvr"));
    std::filesystem::create_directory(dir.File("A12.qvr")); // the sensor file cannot be written
    EXPECT_THROW(steps.Confirm(CalibrationSteps::Stage::ElementTemp), IniFileError);
    EXPECT_EQ(cal.CalStep, 3);
    EXPECT_EQ(view.calls.back(), "step 3"); // the window shows the new values regardless
}

TEST_F(CalibrationStepsTest, ASerialNumberThatCannotNameAFileIsRefusedAndChangesNothing) {
    steps.Start("A12");
    steps.Confirm(CalibrationSteps::Stage::AirTemp);
    const std::string confirmed = ReadFileBytes(dir.File("A12.qvr"));
    const TWritePrm before = prm;
    // Separators and characters Windows refuses; a trailing dot or space,
    // which Windows drops; device names, which open the device, not a file.
    for (const char* serial :
         {"../A12", "..",      "sub/A12", "C:\\A12", "A:12",   "A*",        "A?",
          "A\"1",   "<A>",     "A|B",     "A\tB",    "A12.",   "A12 ",      "NUL",
          "nul",    "NUL.qvr", "Con",     "PRN.txt", "aux",    "COM1",      "com9.x",
          "LPT1",   "lpt9",    "COM0",    "COM¹",    "NUL .a", "CON.tar.gz"}) {
        EXPECT_THROW(steps.Start(serial), SerialNumberError) << serial;
        EXPECT_EQ(prm.SerialNo, "A12") << serial;
    }
    // A confirmation with such a number in the set changes nothing either.
    prm.SerialNo = "NUL";
    EXPECT_THROW(steps.Confirm(CalibrationSteps::Stage::ElementTemp), SerialNumberError);
    EXPECT_EQ(prm.WDTRevice0, before.WDTRevice0);
    prm.SerialNo = "A12";
    EXPECT_EQ(prm.ATRevice0, before.ATRevice0);
    EXPECT_EQ(cal.CalStep, 2);
    EXPECT_EQ(ReadFileBytes(dir.File("A12.qvr")), confirmed);
    EXPECT_FALSE(FileExists(dir.File("A12_20261210_083005.qvr")));
    // Anything else names a file as typed, device-like names included.
    for (const char* serial : {"QV-19 #7 (lab)", "COM10", "NULL", "CONSOLE", "LPT", "A.NUL"}) {
        steps.Start(serial);
        EXPECT_TRUE(FileExists(dir.File(std::string(serial) + ".qvr"))) << serial;
    }
}

} // namespace
} // namespace qvr::test
