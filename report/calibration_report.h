#pragma once

#include "base/date_time.h"
#include "core/verification.h"

#include <optional>
#include <string>
#include <vector>

namespace qvr {

// The stages whose buttons write a calibration log, in the order of the procedure.
enum class CalStage { AirTemp, WdsTemp, Zero, Span, Finish };

inline constexpr int kCalStageCount = 5;

// The button caption of a stage ("気温器差確定" …, "作業完了").
const char* CalStageName(CalStage stage);
// The log file name after the serial number ("_ATR.csv" …, "_Fin.csv").
const char* CalStageLogSuffix(CalStage stage);

// Average and span of one column over the last lines of a stage's log.
struct ReportStatistic {
    std::string Channel; // the log's column heading ("AT-1", "温度差" …)
    std::string Unit;
    double Average = 0;
    double Span = 0; // maximum minus minimum
};

struct ReportParamRow {
    std::string Key; // "E01" …
    std::string Label;
    std::string Before; // in the settings window's display format
    std::string After;
    bool Changed = false; // the single-precision values differ
};

struct ReportStage {
    CalStage Stage = CalStage::AirTemp;
    std::string Name;
    TDateTime Time = 0;
    std::string Value; // what the stage stored, as the calibration tab shows it
    std::string LogFile;
    bool LogRead = false; // false: the log was missing or unreadable
    int LogLines = 0;     // data lines the statistics were taken over
    std::vector<ReportStatistic> Stats;
};

struct ReportFinalCheck {
    bool Measured = false; // a 15-reading average was at hand
    double WsAvg15 = 0;
    double AdjWS = 0;
    double BandLow = 0; // the average must lie strictly between these
    double BandHigh = 0;
    bool Pass = false;
};

// Whether the finished set is what the sensor holds: written, read back
// equal after the last confirmation, and the completion check measured after
// that write. Without it the report gives no pass.
struct ReportWriteCheck {
    enum class State {
        NotWritten,   // no write since the program started
        Failed,       // a group failed or the read-back found differences
        Stopped,      // ended before it was verified
        Unverified,   // the read-back got no answer
        Older,        // the last write came before the last confirmation
        OtherSet,     // the set written is not the finished one
        NotRechecked, // no completion check measured after the write
        Verified
    };
    State Result = State::NotWritten;
    TDateTime At = 0; // when the last write ended
    std::string Text; // the report's sentence on it
};

struct ReportPoint {
    TDateTime Time = 0;
    double WindSpeed = 0;
    double TempDiff = 0; // NaN where the sensor did not send it
};

struct ReportMark {
    TDateTime Time = 0;
    std::string Label;
};

// A verification run as its page shows it.
struct ReportVerification {
    std::vector<VerPoint> Points; // in the order taken
    VerSettings Settings;         // tolerance, range rule, reference's uncertainty, lab
    TDateTime Finished = 0;
    std::string LogFile;         // the run's log, by name
    std::string CertificateFile; // its digital certificate, by name; empty when none was written
};

// Everything a calibration report shows, as plain data: the PDF is drawn from
// this alone, and tests read it without drawing.
struct CalibrationReport {
    std::string SerialNo;
    std::string Model;    // the sensor's model number as it reports it, or "不明"
    std::string Firmware; // its version, or "不明"
    TDateTime Started = 0;
    TDateTime Created = 0;
    std::string ProgramVersion;
    std::string Computer;
    std::vector<ReportParamRow> Params;
    std::vector<ReportStage> Stages;
    ReportFinalCheck Final; // Pass only when the band holds and Write is Verified
    ReportWriteCheck Write;
    std::vector<std::string> Skipped; // confirm stages never confirmed, by name
    std::vector<ReportPoint> Series;
    std::vector<ReportMark> Marks;
    // False for the report of a verification run alone: no calibration pages.
    bool Calibrated = true;
    std::optional<ReportVerification> Verification; // its page, when one was run
};

// The band check of the calibration's completion: the tolerance is 0.5 % of
// the reference speed (in single precision, as the calibration computes it) and
// the average must lie strictly within half of it on either side.
ReportFinalCheck MakeFinalCheck(float wsAvg15, float adjWS, bool measured);

// "合格" or "不合格" (and "未測定" when nothing was measured).
const char* VerdictText(const ReportFinalCheck& check);

// The report's verdict: the band's, once the set is verified in the sensor;
// otherwise "未書込" (not written), "未検証" (not verified) or "未確認" (no
// completion check after the write) — never a pass.
const char* ReportVerdict(const CalibrationReport& report);

} // namespace qvr
