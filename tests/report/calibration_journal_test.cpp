#include "base/text_file.h"
#include "core/calibration.h"
#include "core/sample_validity.h"
#include "report/calibration_journal.h"
#include "report/stage_log.h"
#include "tests/base/temp_dir.h"
#include "tests/report/prepared_calibration.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace qvr {
namespace {

using test::At;

const ReportParamRow& Row(const CalibrationReport& r, const std::string& key) {
    for (const auto& row : r.Params)
        if (row.Key == key) return row;
    throw std::runtime_error("no row " + key);
}

TEST(CalibrationJournal, ReportHoldsSensorBothParameterSetsAndMarksWhatChanged) {
    test::TempDir dir;
    auto c = test::PrepareCalibration(dir.Dir());
    const CalibrationReport r = c.journal.Build(c.context);

    EXPECT_EQ(r.SerialNo, "Q-2041");
    EXPECT_EQ(r.Model, "19.10");
    EXPECT_EQ(r.Firmware, "2.05");
    EXPECT_EQ(r.Computer, "LAB-PC-3");
    EXPECT_EQ(r.ProgramVersion, "0.94");
    EXPECT_EQ(r.Started, At(8, 0, 0));
    EXPECT_EQ(r.Created, At(8, 40, 0));

    ASSERT_EQ(r.Params.size(), 30u); // every key the group write sends
    struct Case {
        const char* key;
        const char* before;
        const char* after;
        bool changed;
    };
    for (const Case& k :
         {Case{"E01", "50.00", "46.25", true}, Case{"E03", "20.00", "17.50", true},
          Case{"E04", "0.2000", "0.2000", false}, Case{"E16", "0.000", "0.125", true},
          Case{"E17", "0.000", "-0.125", true}, Case{"E12", "0.000", "0.300", true},
          Case{"E13", "0.000", "-0.300", true}, Case{"P32", "2.500", "2.500", false},
          Case{"P20", "0.00", "0.00", false}}) {
        const auto& row = Row(r, k.key);
        EXPECT_EQ(row.Before, k.before) << k.key;
        EXPECT_EQ(row.After, k.after) << k.key;
        EXPECT_EQ(row.Changed, k.changed) << k.key;
    }
}

TEST(CalibrationJournal, ChangeIsJudgedOnTheStoredValueNotOnItsDisplay) {
    test::TempDir dir;
    auto c = test::PrepareCalibration(dir.Dir());
    c.context.After.HeaterWatt = 0.20001f; // shows as 0.2000 like the default
    const CalibrationReport r = c.journal.Build(c.context);
    const auto& row = Row(r, "E04");
    EXPECT_EQ(row.Before, row.After);
    EXPECT_TRUE(row.Changed);
}

TEST(CalibrationJournal, StagesCarryTheirTimeValueAndTheStatisticsOfTheirLogs) {
    test::TempDir dir;
    auto c = test::PrepareCalibration(dir.Dir());
    const CalibrationReport r = c.journal.Build(c.context);

    ASSERT_EQ(r.Stages.size(), 5u);
    const char* names[] = {"気温器差確定", "風速器差確定", "0m/s.調整確定", "Nm/s.調整確定",
                           "作業完了"};
    const char* values[] = {"0.125 / -0.125", "0.300 / -0.300", "46.250", "17.500",
                            "WsAvg15 5.004 m/s"};
    const TDateTime times[] = {At(8, 10, 0), At(8, 15, 0), At(8, 20, 0), At(8, 35, 0),
                               At(8, 40, 0)};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(r.Stages[i].Name, names[i]);
        EXPECT_EQ(r.Stages[i].Value, values[i]);
        EXPECT_EQ(r.Stages[i].Time, times[i]);
        EXPECT_TRUE(r.Stages[i].LogRead);
        EXPECT_EQ(r.Marks[i].Time, times[i]);
    }
    // The air-temperature stage is judged on AT-1 and AT-2 over the last 30 readings.
    const ReportStage& at = r.Stages[0];
    EXPECT_EQ(at.LogFile, "Q-2041_ATR.csv");
    EXPECT_EQ(at.LogLines, 30);
    ASSERT_EQ(at.Stats.size(), 2u);
    EXPECT_EQ(at.Stats[0].Channel, "AT-1");
    EXPECT_EQ(at.Stats[0].Unit, "℃");
    EXPECT_NEAR(at.Stats[0].Average, 19.92, 1e-5);
    EXPECT_NEAR(at.Stats[0].Span, 0.04, 1e-5);
    EXPECT_NEAR(at.Stats[1].Span, 0.02, 1e-5);
    // A short log is taken whole; the speed stages show wind speed and temperature difference.
    EXPECT_EQ(r.Stages[1].LogLines, 20);
    EXPECT_EQ(r.Stages[1].Stats[1].Channel, "WDT-2");
    EXPECT_NEAR(r.Stages[1].Stats[1].Span, 0.3, 1e-5);
    EXPECT_EQ(r.Stages[3].Stats[0].Channel, "風速");
    EXPECT_NEAR(r.Stages[3].Stats[0].Average, 5.025, 1e-5);
    EXPECT_EQ(r.Stages[3].Stats[1].Channel, "温度差");
}

TEST(CalibrationJournal, AStageWithoutItsLogIsStillReportedAndSaysSo) {
    test::TempDir dir;
    auto c = test::PrepareCalibration(dir.Dir());
    std::remove(dir.File("Q-2041_WTR.csv").c_str());
    WriteTextLines(dir.File("Q-2041_cal0.csv"), {",風速,", ",m/s.,", "garbage", ""});
    const CalibrationReport r = c.journal.Build(c.context);
    EXPECT_FALSE(r.Stages[1].LogRead);
    EXPECT_TRUE(r.Stages[1].Stats.empty());
    EXPECT_TRUE(r.Stages[2].LogRead);
    EXPECT_EQ(r.Stages[2].LogLines, 0);
    EXPECT_TRUE(r.Stages[2].Stats.empty());
}

TEST(CalibrationJournal, StagesAreInTheOrderTheyWereConfirmedAndARepeatReplacesTheFirst) {
    test::TempDir dir;
    CalibrationJournal j;
    TWritePrm prm;
    ResetPrm(prm);
    j.Start(prm, At(9, 0, 0));
    prm.DifT0m = 45;
    j.Confirm(CalStage::Zero, prm, At(9, 1, 0));
    prm.ATRevice0 = 0.5f;
    j.Confirm(CalStage::AirTemp, prm, At(9, 2, 0));
    prm.DifT0m = 44;
    j.Confirm(CalStage::Zero, prm, At(9, 3, 0));
    ReportContext ctx;
    ctx.After = prm;
    ctx.Folder = dir.Dir();
    ctx.Created = At(9, 4, 0);
    const auto r = j.Build(ctx);
    ASSERT_EQ(r.Stages.size(), 3u);
    EXPECT_EQ(r.Stages[0].Stage, CalStage::AirTemp);
    EXPECT_EQ(r.Stages[1].Value, "44.000");
    EXPECT_EQ(r.Stages[2].Stage, CalStage::Finish);
    EXPECT_EQ(r.Stages[2].Value, "未測定");
    EXPECT_EQ(r.Model, "不明"); // no reading from the sensor

    // A new start forgets the last run.
    j.Start(prm, At(10, 0, 0));
    EXPECT_EQ(j.Build(ctx).Stages.size(), 1u);
    EXPECT_EQ(j.Before().DifT0m, 44.0f);
}

TEST(CalibrationJournal, WithoutAStartTheStartingSetIsUnknownNotZero) {
    CalibrationJournal j;
    ReportContext ctx;
    ResetPrm(ctx.After);
    const auto r = j.Build(ctx);
    EXPECT_EQ(Row(r, "E01").Before, "—");
    EXPECT_EQ(Row(r, "E01").After, "50.00");
    EXPECT_FALSE(Row(r, "E01").Changed);
    EXPECT_EQ(r.Started, 0);
}

TEST(CalibrationJournal, SeriesTakesEachNewReadingOnceAndStaysBounded) {
    CalibrationJournal j;
    TSampleRec s;
    s.Valid = true;
    s.Time = At(9, 0, 1);
    j.AddSample(s); // not started yet
    EXPECT_EQ(j.PointCount(), 0u);
    j.Start(TWritePrm{}, At(9, 0, 0));
    j.AddSample(s);
    j.AddSample(s); // the same history step seen by the next tick
    s.Time = At(9, 0, 2);
    s.Valid = false;
    j.AddSample(s);
    EXPECT_EQ(j.PointCount(), 1u);

    for (std::size_t i = 0; i < CalibrationJournal::kMaxPoints + 10; ++i) {
        s.Valid = true;
        s.Time = At(9, 0, 2) + i / 86400.0;
        s.WindSpeed = static_cast<float>(i);
        j.AddSample(s);
    }
    EXPECT_LE(j.PointCount(), CalibrationJournal::kMaxPoints);
    EXPECT_GT(j.PointCount(), CalibrationJournal::kMaxPoints / 2);
    const auto r = j.Build(ReportContext{});
    EXPECT_LE(r.Series.size(), 2001u);
    EXPECT_EQ(r.Series.front().Time, At(9, 0, 1));
    EXPECT_EQ(r.Series.back().WindSpeed, CalibrationJournal::kMaxPoints + 9.0);
}

TEST(CalibrationJournal, ATemperatureDifferenceTheSensorDidNotSendIsAGapInTheSeries) {
    CalibrationJournal j;
    j.Start(TWritePrm{}, At(9, 0, 0));
    TSampleRec s;
    s.Valid = true;
    s.TempDiff = 0; // fast mode: never polled, still at its start value
    s.Sent = FieldBit(SampleField::WindSpeed);
    s.Time = At(9, 0, 1);
    j.AddSample(s);
    s.TempDiff = 37.5f;
    s.Sent |= FieldBit(SampleField::TempDiff);
    s.Time = At(9, 0, 2);
    j.AddSample(s);
    const auto r = j.Build(ReportContext{});
    ASSERT_EQ(r.Series.size(), 2u);
    EXPECT_TRUE(std::isnan(r.Series[0].TempDiff));
    EXPECT_EQ(r.Series[1].TempDiff, 37.5);
}

TEST(StageLog, AnEmptyCellIsAReadingNotSentNotAZero) {
    test::TempDir dir;
    WriteTextLines(
        dir.File("A12_cal0.csv"),
        {",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,", ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,",
         "2026/12/10 09:00:01,0.5,20,,0.4,,,,,", "2026/12/10 09:00:02,0.7,20,46,0.4,,,,,",
         "2026/12/10 09:00:03,0.6,20,48,0.4,,,,,", "2026/12/10 09:00:04,x,20,48,0.4,,,,,"});
    const StageLogStatistics s = ReadStageLog(dir.File("A12_cal0.csv"));
    EXPECT_EQ(s.Lines, 3); // the line with "x" is no data line
    EXPECT_NEAR(s.Average[0], 0.6, 1e-12);
    EXPECT_EQ(s.Average[2], 47.0); // over the two lines that hold it
    EXPECT_EQ(s.Span[2], 2.0);
    EXPECT_EQ(s.Average[4], 0.0);
    EXPECT_EQ(s.Span[4], 0.0);
}

TEST(FinalCheck, VerdictFollowsTheBandAroundTheReferenceSpeed) {
    struct Case {
        float avg, adj;
        bool measured, pass;
        const char* verdict;
    } cases[] = {
        {5.0f, 5.0f, true, true, "合格"},       {5.0124f, 5.0f, true, true, "合格"},
        {4.9876f, 5.0f, true, true, "合格"},    {5.0126f, 5.0f, true, false, "不合格"},
        {4.9874f, 5.0f, true, false, "不合格"}, {5.2f, 5.0f, true, false, "不合格"},
        {5.0f, 5.0f, false, false, "未測定"},   {10.02f, 10.0f, true, true, "合格"},
    };
    for (const auto& c : cases) {
        const auto check = MakeFinalCheck(c.avg, c.adj, c.measured);
        EXPECT_EQ(check.Pass, c.pass) << c.avg << " " << c.adj;
        EXPECT_STREQ(VerdictText(check), c.verdict) << c.avg;
    }
    const auto band = MakeFinalCheck(5.0f, 5.0f, true);
    EXPECT_NEAR(band.BandLow, 4.9875, 1e-6);
    EXPECT_NEAR(band.BandHigh, 5.0125, 1e-6);
}

TEST(FinalCheck, PassesOnlyTheFinishedSetWrittenVerifiedAndRecheckedAfterTheLastConfirmation) {
    using O = TWriteRecord::Outcome;
    using S = ReportWriteCheck::State;
    struct Case {
        const char* name;
        std::function<void(ReportContext&)> change;
        S state;
        const char* verdict;
    };
    const Case cases[] = {
        {"written, read back, rechecked", [](ReportContext&) {}, S::Verified, "合格"},
        {"never written", [](ReportContext& c) { c.LastWrite = {}; }, S::NotWritten, "未書込"},
        {"write failed", [](ReportContext& c) { c.LastWrite.Result = O::Failed; }, S::Failed,
         "未検証"},
        {"write stopped", [](ReportContext& c) { c.LastWrite.Result = O::Stopped; }, S::Stopped,
         "未検証"},
        {"read-back unanswered", [](ReportContext& c) { c.LastWrite.Result = O::Unverified; },
         S::Unverified, "未検証"},
        {"written before the last confirmation (8:35)",
         [](ReportContext& c) { c.LastWrite.At = At(8, 34, 59); }, S::Older, "未書込"},
        {"written at the last confirmation",
         [](ReportContext& c) { c.LastWrite.At = At(8, 35, 0); }, S::Older, "未書込"},
        {"another set written", [](ReportContext& c) { c.LastWrite.Written.AdjDifT = 20.0f; },
         S::OtherSet, "未書込"},
        {"one correction point differs",
         [](ReportContext& c) { c.LastWrite.Written.VAL[9] = 0.25f; }, S::OtherSet, "未書込"},
        {"average partly from before the write",
         [](ReportContext& c) { c.MeasuredFrom = At(8, 35, 59); }, S::NotRechecked, "未確認"},
        {"nothing measured", [](ReportContext& c) { c.Measured = false; }, S::NotRechecked,
         "未確認"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        test::TempDir dir;
        auto c = test::PrepareCalibration(dir.Dir());
        k.change(c.context);
        const CalibrationReport r = c.journal.Build(c.context);
        EXPECT_EQ(r.Write.Result, k.state);
        EXPECT_STREQ(ReportVerdict(r), k.verdict);
        EXPECT_EQ(r.Final.Pass, k.state == S::Verified);
        EXPECT_FALSE(r.Write.Text.empty());
        EXPECT_TRUE(r.Skipped.empty());
    }
}

TEST(FinalCheck, OnlyTheReferenceStageConfirmedAndNothingWrittenGivesNoPass) {
    // Start, then only "Nm/s.調整確定" on a steady 5.0 m/s, then finish.
    test::TempDir dir;
    CalibrationJournal journal;
    TWritePrm prm;
    ResetPrm(prm);
    prm.SerialNo = "A12";
    journal.Start(prm, At(9, 0, 0));
    prm.AdjDifT = 25.12f;
    journal.Confirm(CalStage::Span, prm, At(9, 2, 0));
    ReportContext c;
    c.After = prm;
    c.Folder = dir.Dir();
    c.Created = At(9, 3, 0);
    c.WsAvg15 = 5.0f;
    c.Measured = true;
    c.MeasuredFrom = At(9, 2, 45);
    const CalibrationReport r = journal.Build(c);
    EXPECT_TRUE(MakeFinalCheck(5.0f, prm.AdjWS, true).Pass); // the band alone would pass
    EXPECT_FALSE(r.Final.Pass);
    EXPECT_STREQ(ReportVerdict(r), "未書込");
    EXPECT_EQ(r.Write.Text, "校正した設定はセンサーに書き込まれていません。");
    EXPECT_EQ(r.Skipped,
              (std::vector<std::string>{"気温器差確定", "風速器差確定", "0m/s.調整確定"}));
}

TEST(FinalCheck, AgreesWithTheCalibrationsOwnBandAtItsEdges) {
    for (const float adj : {5.0f, 10.0f, 3.3f, 0.7f}) {
        const float tol = static_cast<float>(adj * 0.005);
        for (const double off : {-0.5, -0.49999, -0.4999, 0.0, 0.4999, 0.49999, 0.5, 0.50001}) {
            TSampleHistory history{};
            for (int i = 0; i < 15; ++i) {
                history[static_cast<std::size_t>(i)].Valid = true;
                history[static_cast<std::size_t>(i)].WindSpeed =
                    static_cast<float>(adj + off * tol);
            }
            Calibration cal;
            cal.UpdateSpanCheck(history, adj);
            EXPECT_EQ(MakeFinalCheck(cal.WsAvg15, adj, true).Pass, cal.SpanReached)
                << adj << " " << off;
        }
    }
}

} // namespace
} // namespace qvr
