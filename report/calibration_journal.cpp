#include "report/calibration_journal.h"

#include "base/number_text.h"
#include "core/param_keys.h"
#include "core/sample_validity.h"
#include "core/ui_text.h"
#include "report/stage_log.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qvr {

namespace {

constexpr std::size_t kMaxDrawnPoints = 2000;

std::string F3(double v) {
    return FormatFloat("%1.3f", v);
}

// The columns of its log that speak for a stage's value.
std::vector<int> StageColumns(CalStage stage) {
    switch (stage) {
    case CalStage::AirTemp:
        return {4, 5};
    case CalStage::WdsTemp:
        return {6, 7};
    default:
        return {0, 2};
    }
}

std::string StageValue(CalStage stage, const TWritePrm& p) {
    switch (stage) {
    case CalStage::AirTemp:
        return F3(p.ATRevice0) + " / " + F3(p.ATRevice1);
    case CalStage::WdsTemp:
        return F3(p.WDTRevice0) + " / " + F3(p.WDTRevice1);
    case CalStage::Zero:
        return F3(p.DifT0m);
    case CalStage::Span:
        return F3(p.AdjDifT);
    case CalStage::Finish:
        break;
    }
    return {};
}

std::string SensorNumber(float value) {
    return value > 0 ? FormatFloat("%1.2f", value) : QT_TRANSLATE_NOOP("CalibrationReport", "不明");
}

} // namespace

const char* CalStageName(CalStage stage) {
    static const char* const names[] = {QT_TRANSLATE_NOOP("CalibrationReport", "気温器差確定"),
                                        QT_TRANSLATE_NOOP("CalibrationReport", "風速器差確定"),
                                        QT_TRANSLATE_NOOP("CalibrationReport", "0m/s.調整確定"),
                                        QT_TRANSLATE_NOOP("CalibrationReport", "Nm/s.調整確定"),
                                        QT_TRANSLATE_NOOP("CalibrationReport", "作業完了")};
    return names[static_cast<int>(stage)];
}

const char* CalStageLogSuffix(CalStage stage) {
    static const char* const suffixes[] = {"_ATR.csv", "_WTR.csv", "_cal0.csv", "_calx.csv",
                                           "_Fin.csv"};
    return suffixes[static_cast<int>(stage)];
}

ReportFinalCheck MakeFinalCheck(float wsAvg15, float adjWS, bool measured) {
    ReportFinalCheck check;
    check.Measured = measured;
    check.WsAvg15 = wsAvg15;
    check.AdjWS = adjWS;
    // As the calibration computes its band, so that both give the same verdict.
    const float tol = static_cast<float>(static_cast<double>(adjWS) * 0.005);
    const double h = static_cast<double>(tol) * 0.5;
    check.BandLow = adjWS - h;
    check.BandHigh = adjWS + h;
    check.Pass = measured && check.BandLow < wsAvg15 && wsAvg15 < check.BandHigh;
    return check;
}

const char* VerdictText(const ReportFinalCheck& check) {
    if (!check.Measured) return QT_TRANSLATE_NOOP("CalibrationReport", "未測定");
    return check.Pass ? QT_TRANSLATE_NOOP("CalibrationReport", "合格")
                      : QT_TRANSLATE_NOOP("CalibrationReport", "不合格");
}

const char* ReportVerdict(const CalibrationReport& r) {
    using S = ReportWriteCheck::State;
    switch (r.Write.Result) {
    case S::Verified:
        return VerdictText(r.Final);
    case S::NotWritten:
    case S::Older:
    case S::OtherSet:
        return QT_TRANSLATE_NOOP("CalibrationReport", "未書込");
    case S::NotRechecked:
        return QT_TRANSLATE_NOOP("CalibrationReport", "未確認");
    default:
        return QT_TRANSLATE_NOOP("CalibrationReport", "未検証");
    }
}

namespace {

bool SameSet(const TWritePrm& a, const TWritePrm& b) {
    for (const auto& k : ParamKeys)
        if (*ParamField(a, k.Key) != *ParamField(b, k.Key)) return false;
    return true;
}

ReportWriteCheck CheckWrite(const ReportContext& c, TDateTime lastConfirmed) {
    using S = ReportWriteCheck::State;
    using O = TWriteRecord::Outcome;
    const TWriteRecord& w = c.LastWrite;
    ReportWriteCheck check;
    check.At = w.At;
    const auto set = [&check](S result, const char* text) {
        check.Result = result;
        check.Text = text;
    };
    switch (w.Result) {
    case O::None:
        set(S::NotWritten, QT_TRANSLATE_NOOP("CalibrationReport",
                                             "校正した設定はセンサーに書き込まれていません。"));
        return check;
    case O::Failed:
        set(S::Failed,
            QT_TRANSLATE_NOOP("CalibrationReport",
                              "設定の書込みが失敗しました。センサーの設定は検証されていません。"));
        return check;
    case O::Stopped:
        set(S::Stopped,
            QT_TRANSLATE_NOOP(
                "CalibrationReport",
                "設定の書込みが途中で終わりました。センサーの設定は検証されていません。"));
        return check;
    case O::Unverified:
        set(S::Unverified,
            QT_TRANSLATE_NOOP("CalibrationReport",
                              "書き込んだ設定を読み返せず、センサーの設定は検証されていません。"));
        return check;
    case O::Verified:
        break;
    }
    if (w.At <= lastConfirmed)
        set(S::Older,
            QT_TRANSLATE_NOOP("CalibrationReport", "最後の確定の後に設定が書き込まれていません。"));
    else if (!SameSet(w.Written, c.After))
        set(S::OtherSet,
            QT_TRANSLATE_NOOP("CalibrationReport",
                              "センサーに書き込んだ設定が、この校正の設定と異なります。"));
    else if (!c.Measured || c.MeasuredFrom <= w.At)
        set(S::NotRechecked, QT_TRANSLATE_NOOP("CalibrationReport",
                                               "書込みの後の完了確認（15件平均）がありません。"));
    else
        set(S::Verified,
            QT_TRANSLATE_NOOP("CalibrationReport",
                              "校正した設定を書き込み、読み返して一致を確認しました。"));
    return check;
}

} // namespace

void CalibrationJournal::Start(const TWritePrm& loaded, TDateTime now) {
    started_ = true;
    startTime_ = now;
    before_ = loaded;
    stages_ = {};
    series_.clear();
}

void CalibrationJournal::Confirm(CalStage stage, const TWritePrm& prm, TDateTime now) {
    stages_[static_cast<std::size_t>(stage)] = Entry{now, StageValue(stage, prm)};
}

TDateTime OldestValid(const TSampleHistory& history, int newest) {
    TDateTime oldest = 0;
    for (int i = 0; i < newest && i < kSampleHistorySize; ++i)
        if (history[static_cast<std::size_t>(i)].Valid)
            oldest = history[static_cast<std::size_t>(i)].Time;
    return oldest;
}

bool AnyValid(const TSampleHistory& history, int newest) {
    for (int i = 0; i < newest && i < kSampleHistorySize; ++i)
        if (history[static_cast<std::size_t>(i)].Valid) return true;
    return false;
}

void CalibrationJournal::AddSample(const TSampleRec& newest) {
    if (!started_ || !newest.Valid || newest.Time == 0) return;
    if (!series_.empty() && newest.Time <= series_.back().Time) return;
    if (series_.size() >= kMaxPoints) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < series_.size(); i += 2)
            series_[kept++] = series_[i];
        series_.resize(kept);
    }
    // Fast mode never polls the temperature difference: a gap, not a zero.
    const bool tdSent = (newest.Sent & FieldBit(SampleField::TempDiff)) != 0;
    series_.push_back({newest.Time, newest.WindSpeed,
                       tdSent ? newest.TempDiff : std::numeric_limits<double>::quiet_NaN()});
}

CalibrationReport CalibrationJournal::Build(const ReportContext& c) const {
    CalibrationReport r;
    r.SerialNo = c.After.SerialNo;
    r.Model = SensorNumber(c.Sensor.ModelNo);
    r.Firmware = SensorNumber(c.Sensor.Version);
    r.Started = startTime_;
    r.Created = c.Created;
    r.ProgramVersion = c.ProgramVersion;
    r.Computer = c.Computer;

    for (const auto& k : ParamKeys) {
        const float before = *ParamField(before_, k.Key);
        const float after = *ParamField(c.After, k.Key);
        // Without a start in this run there is no set to compare with.
        r.Params.push_back({k.Key, k.Name, started_ ? FormatFloat(k.Format, before) : "—",
                            FormatFloat(k.Format, after), started_ && before != after});
    }

    r.Final = MakeFinalCheck(c.WsAvg15, c.After.AdjWS, c.Measured);
    // A set confirmed on the screen certifies nothing until the sensor holds it.
    TDateTime lastConfirmed = startTime_;
    for (int s = 0; s < kCalStageCount - 1; ++s) {
        const auto& entry = stages_[static_cast<std::size_t>(s)];
        if (entry)
            lastConfirmed = std::max(lastConfirmed, entry->Time);
        else
            r.Skipped.push_back(CalStageName(static_cast<CalStage>(s)));
    }
    r.Write = CheckWrite(c, lastConfirmed);
    r.Final.Pass = r.Final.Pass && r.Write.Result == ReportWriteCheck::State::Verified;

    for (int s = 0; s < kCalStageCount; ++s) {
        const auto stage = static_cast<CalStage>(s);
        std::optional<Entry> entry = stages_[static_cast<std::size_t>(s)];
        if (stage == CalStage::Finish) {
            entry = Entry{entry ? entry->Time : c.Created,
                          c.Measured ? "WsAvg15 " + F3(c.WsAvg15) + " m/s"
                                     : QT_TRANSLATE_NOOP("CalibrationReport", "未測定")};
        }
        if (!entry) continue;
        ReportStage rs;
        rs.Stage = stage;
        rs.Name = CalStageName(stage);
        rs.Time = entry->Time;
        rs.Value = entry->Value;
        rs.LogFile = c.After.SerialNo + CalStageLogSuffix(stage);
        const StageLogStatistics log = ReadStageLog(c.Folder + rs.LogFile);
        rs.LogRead = log.Read;
        rs.LogLines = log.Lines;
        if (log.Lines > 0) {
            for (const int col : StageColumns(stage)) {
                const auto i = static_cast<std::size_t>(col);
                rs.Stats.push_back(
                    {StageLogHeadings[i], StageLogUnits[i], log.Average[i], log.Span[i]});
            }
        }
        r.Stages.push_back(std::move(rs));
    }
    std::stable_sort(r.Stages.begin(), r.Stages.end(),
                     [](const ReportStage& a, const ReportStage& b) { return a.Time < b.Time; });
    for (const auto& s : r.Stages)
        r.Marks.push_back({s.Time, s.Name});

    // Drawn at most a couple of thousand points: a long run is thinned evenly.
    const std::size_t stride = series_.size() / kMaxDrawnPoints + 1;
    for (std::size_t i = 0; i < series_.size(); i += stride)
        r.Series.push_back(series_[i]);
    if (!series_.empty() && (series_.size() - 1) % stride != 0) r.Series.push_back(series_.back());
    return r;
}

CalibrationReport BuildVerificationReport(const ReportContext& c, ReportVerification verification) {
    CalibrationReport r;
    r.SerialNo = c.After.SerialNo;
    r.Model = SensorNumber(c.Sensor.ModelNo);
    r.Firmware = SensorNumber(c.Sensor.Version);
    r.Created = c.Created;
    r.ProgramVersion = c.ProgramVersion;
    r.Computer = c.Computer;
    r.Calibrated = false;
    r.Verification = std::move(verification);
    return r;
}

} // namespace qvr
