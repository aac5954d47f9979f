#pragma once

// A calibration as the settings window leaves it behind: the journal of a run
// from start to finish and the five logs its buttons wrote.

#include "base/date_time.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "report/calibration_journal.h"

#include <string>
#include <vector>

namespace qvr::test {

inline TDateTime At(int hour, int minute, int second) {
    return EncodeDateTime({2026, 12, 10, hour, minute, second, 0});
}

// A stage log with `lines` readings ending one second before `end`; the
// columns are wind speed, air temperature, temperature difference, raw wind
// speed, AT-1, AT-2, WDT-1, WDT-2, and alternate between base and base + span.
inline void WriteStageLog(const std::string& path, TDateTime end, int lines,
                          const std::vector<double>& base, const std::vector<double>& span) {
    std::vector<std::string> out = {",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,",
                                    ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,"};
    for (int i = lines; i >= 1; --i) {
        std::string line = FormatDateTime("yyyy/mm/dd hh:nn:ss", end - i / 86400.0) + ",";
        for (std::size_t c = 0; c < 8; ++c)
            line += GeneralNumberText(static_cast<float>(base[c] + (i % 2 ? span[c] : 0.0))) + ",";
        out.push_back(line);
    }
    WriteTextLines(path, out);
}

struct PreparedCalibration {
    CalibrationJournal journal;
    ReportContext context;
};

// Serial "Q-2041": the corrections 0.125/-0.125 and 0.3/-0.3, 0 m/s at 46.25
// and 5 m/s at 17.5 are confirmed; the final average is 5.004 m/s.
inline PreparedCalibration PrepareCalibration(const std::string& folder) {
    PreparedCalibration c;
    TWritePrm prm;
    ResetPrm(prm);
    prm.SerialNo = "Q-2041";
    c.journal.Start(prm, At(8, 0, 0));
    for (int s = 0; s < 40 * 60; ++s) {
        TSampleRec rec;
        rec.Time = At(8, 0, 0) + (s + 1) / 86400.0;
        rec.Valid = true;
        rec.WindSpeed = s < 1500 ? 0.0f : 5.0f;
        rec.TempDiff = s < 1500 ? 46.25f : 17.5f;
        c.journal.AddSample(rec);
    }
    prm.ATRevice0 = 0.125f;
    prm.ATRevice1 = -0.125f;
    c.journal.Confirm(CalStage::AirTemp, prm, At(8, 10, 0));
    WriteStageLog(folder + "Q-2041_ATR.csv", At(8, 10, 0), 200,
                  {0, 20, 46.2, 0.03, 19.9, 20.1, 22, 22.4},
                  {0.01, 0.02, 0.1, 0.01, 0.04, 0.02, 0.1, 0.1});
    prm.WDTRevice0 = 0.3f;
    prm.WDTRevice1 = -0.3f;
    c.journal.Confirm(CalStage::WdsTemp, prm, At(8, 15, 0));
    WriteStageLog(folder + "Q-2041_WTR.csv", At(8, 15, 0), 20,
                  {0, 20, 46.2, 0.03, 20, 20, 21.7, 22.3}, {0, 0, 0, 0, 0, 0, 0.2, 0.3});
    prm.DifT0m = 46.25f;
    c.journal.Confirm(CalStage::Zero, prm, At(8, 20, 0));
    WriteStageLog(folder + "Q-2041_cal0.csv", At(8, 20, 0), 60, {0, 20, 46.25, 0, 20, 20, 22, 22},
                  {0.02, 0, 0.3, 0, 0, 0, 0, 0});
    prm.AdjDifT = 17.5f;
    c.journal.Confirm(CalStage::Span, prm, At(8, 35, 0));
    WriteStageLog(folder + "Q-2041_calx.csv", At(8, 35, 0), 60, {5, 20, 17.5, 5.1, 20, 20, 22, 22},
                  {0.05, 0, 0.2, 0, 0, 0, 0, 0});
    WriteStageLog(folder + "Q-2041_Fin.csv", At(8, 40, 0), 60, {5, 20, 17.5, 5.1, 20, 20, 22, 22},
                  {0.01, 0, 0.1, 0, 0, 0, 0, 0});

    c.context.After = prm;
    c.context.Folder = folder;
    c.context.Created = At(8, 40, 0);
    c.context.Computer = "LAB-PC-3";
    c.context.ProgramVersion = "0.94";
    c.context.Sensor.Valid = true;
    c.context.Sensor.ModelNo = 19.1f;
    c.context.Sensor.Version = 2.05f;
    c.context.WsAvg15 = 5.004f;
    c.context.Measured = true;
    // Sent at 8:36 and read back equal; the check then averaged 8:38 on.
    c.context.LastWrite = {TWriteRecord::Outcome::Verified, At(8, 36, 0), prm};
    c.context.MeasuredFrom = At(8, 38, 0);
    return c;
}

} // namespace qvr::test
