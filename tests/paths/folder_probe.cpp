// Run from a folder of its own, does with the files beside itself what the
// program does: the port settings file, the recording settings, a setpoint
// file, a day's record files and a text file with a Japanese name. Writes
// "probe.txt": the folder it found itself in, then a line for each thing that
// went wrong; exits 1 when anything did.
#include "base/executable_dir.h"
#include "base/text_file.h"
#include "core/app_context.h"
#include "core/setpoint_file.h"
#include "records/record_settings.h"
#include "records/recorder.h"
#include "serial/com_port.h"

#include <cstdio>
#include <exception>
#include <string>

using namespace qvr;

namespace {

std::string failures;

void Check(bool ok, const std::string& what) {
    if (!ok) failures += what + "\n";
}

} // namespace

int main() {
    const std::string dir = ExecutableDir();
    try {

        TComPort port("ComPortM");
        port.SetPort("COM7");
        port.SetBaudRate(br38400);
        port.StoreSettings(stIniFile, dir + "Port0.ini");
        TComPort loaded("ComPortM");
        loaded.LoadSettings(stIniFile, dir + "Port0.ini");
        Check(loaded.Port() == "COM7" && loaded.BaudRate() == br38400,
              "Port0.ini did not read back");

        TMySts sts;
        sts.SecRec = true;
        SaveRecordSettings(dir + "BaseSetpoint.ini", sts);
        TMySts read;
        LoadRecordSettings(dir + "BaseSetpoint.ini", read);
        Check(read.SecRec, "BaseSetpoint.ini did not read back");

        TWritePrm prm;
        ResetPrm(prm);
        prm.DifT0m = 42.5f;
        SaveSetpointFile(prm, dir + "12345.qvr");
        TWritePrm back;
        LoadSetpointFile(back, dir + "12345.qvr");
        Check(back.DifT0m == 42.5f, "12345.qvr did not read back");

        // Ten seconds of recording with second rows on.
        TSampleRec current;
        current.Valid = true;
        current.WindSpeed = 1.5f;
        TSampleHistory history{};
        ManualClock clock;
        clock.Set(DateTimeParts{2024, 5, 29, 12, 0, 0, 0});
        AppContext context{current, history, sts, prm, clock, dir};
        Recorder recorder(context);
        for (int second = 0; second < 10; ++second) {
            recorder.RecordTick();
            clock.AdvanceSeconds(1);
        }
        Check(FileExists(dir + "Record/RT_20240529.csv"), "no second record file");

        WriteTextLines(dir + "風速 記録.csv", {"時刻,風速"});
        AppendTextLines(dir + "風速 記録.csv", {"12:00:00,1.5"});
        Check(ReadTextLines(dir + "風速 記録.csv") ==
                  std::vector<std::string>{"時刻,風速", "12:00:00,1.5"},
              "the Japanese-named text file did not read back");
    } catch (const std::exception& e) {
        Check(false, e.what());
    }
    try {
        ReplaceFileBytes(dir + "probe.txt", dir + "\n" + failures);
    } catch (const std::exception& e) {
        std::printf("folder probe: %s\n%s", e.what(), failures.c_str());
        return 1;
    }
    return failures.empty() ? 0 : 1;
}
