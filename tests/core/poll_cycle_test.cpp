#include "core/poll_cycle.h"

#include "fake_link.h"

#include <gtest/gtest.h>
#include <vector>

namespace qvr {
namespace {

TKeyValList Answer(std::initializer_list<TKeyValStr> pairs) {
    TKeyValList list{};
    std::size_t i = 0;
    for (const auto& p : pairs)
        list[i++] = p;
    return list;
}

TEST(DecodeAnswer, StoresByExactKeyAndSkipsWhatIsNotANumber) {
    TSampleRec s;
    s.WindSpeed = 7;
    s.AirTemp = 8;
    const FieldSet stored = DecodeAnswer(Answer({{"M01", "abc"},
                                                 {"m11", "1.5"},
                                                 {"C52", "3.99"},
                                                 {"S11", "-3.99"},
                                                 {"C32", " 12.25 "}}),
                                         s);
    EXPECT_EQ(stored, FieldBit(SampleField::AdCount) | FieldBit(SampleField::SystemState) |
                          FieldBit(SampleField::TempDiff));
    EXPECT_EQ(s.WindSpeed, 7.0f); // not a number: kept
    EXPECT_EQ(s.AirTemp, 8.0f);   // lower-case key: no match
    EXPECT_EQ(s.AdCount, 3);
    EXPECT_EQ(s.SystemState, -3);
    EXPECT_EQ(s.TempDiff, 12.25f);

    DecodeAnswer(Answer({{"S00", "19.10"},
                         {"M00", "5"},
                         {"M05", "270"},
                         {"M07", "-0.5"},
                         {"S13", "2"},
                         {"M01", "9"}}),
                 s);
    EXPECT_EQ(s.ModelNo, 19.1f);
    EXPECT_EQ(s.WindDir, 270.0f);
    EXPECT_EQ(s.VectorX, -0.5f);
    EXPECT_EQ(s.SoftState, 2);
    EXPECT_EQ(s.WindSpeed, 7.0f); // the sixth pair is not decoded

    // A garbled or longer key is no key of the table, however it begins.
    DecodeAnswer(Answer({{"M011", "99"}, {"C111", "99"}, {"M0", "99"}}), s);
    EXPECT_EQ(s.WindSpeed, 7.0f);
    EXPECT_EQ(s.AirTempHiRes, 0.0f);
}

TEST(DecodeAnswer, ReadingsBeyondSinglePrecisionAreNotNumbers) {
    TSampleRec s;
    s.WindSpeed = 7;
    s.AirTemp = 8;
    s.AdCount = 9;
    s.SystemState = 10;
    const FieldSet stored = DecodeAnswer(Answer({{"M01", "1e39"},
                                                 {"M11", "-1e39"},
                                                 {"C52", "1e39"},
                                                 {"S11", "nan"},
                                                 {"C32", "3.4e38"}}),
                                         s);
    EXPECT_EQ(stored, FieldBit(SampleField::TempDiff));
    EXPECT_EQ(s.WindSpeed, 7.0f);
    EXPECT_EQ(s.AirTemp, 8.0f);
    EXPECT_EQ(s.AdCount, 9);
    EXPECT_EQ(s.SystemState, 10);
    EXPECT_EQ(s.TempDiff, 3.4e38f);
}

TEST(DecodeAnswer, EveryStatusKeyReachesItsField) {
    TSampleRec s;
    const std::vector<TKeyValStr> all = {
        {"M01", "1"},  {"M11", "2"},  {"C01", "3"},  {"C11", "4"},  {"C12", "5"},  {"C32", "6"},
        {"C50", "7"},  {"C51", "8"},  {"C52", "9"},  {"C53", "10"}, {"S00", "11"}, {"S01", "12"},
        {"S11", "13"}, {"S12", "14"}, {"S13", "15"}, {"C21", "16"}, {"C22", "17"}, {"C16", "18"},
        {"C17", "19"}, {"M05", "20"}, {"M07", "21"}};
    FieldSet stored = 0;
    for (std::size_t i = 0; i < all.size(); i += 5) {
        TKeyValList list{};
        for (std::size_t j = 0; j < 5 && i + j < all.size(); ++j)
            list[j] = all[i + j];
        stored |= DecodeAnswer(list, s);
    }
    EXPECT_EQ(stored, PolledFields(false, true));
    const float values[] = {
        s.WindSpeed, s.AirTemp,  s.WindSpeedRaw,       s.AirTempHiRes,     s.ProbeTemp,
        s.TempDiff,  s.CpuLoad,  s.SupplyVoltage,      float(s.AdCount),   s.DaOutput,
        s.ModelNo,   s.Version,  float(s.SystemState), float(s.HardState), float(s.SoftState),
        s.AirTemp1,  s.AirTemp2, s.WdsTemp1,           s.WdsTemp2,         s.WindDir,
        s.VectorX};
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(values[i], float(i + 1)) << all[i].Key;
}

TEST(PollCounters, RotationStartsAtSetOneAndAsksSetZeroTwiceAtTheWrap) {
    PollCounters c;
    std::vector<int> sets;
    for (int i = 0; i < 6; ++i)
        sets.push_back(c.NextKeySet(false));
    EXPECT_EQ(sets, (std::vector<int>{1, 2, 3, 4, 0, 1}));
    c.PollStep = 254;
    EXPECT_EQ(c.NextKeySet(false), 0); // 255
    EXPECT_EQ(c.NextKeySet(false), 0); // wrapped to 0
    EXPECT_EQ(c.PollStep, 0);
    EXPECT_EQ(c.NextKeySet(false), 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(c.NextKeySet(true), 0);
}

TEST(PollCounters, HistoryStepsEveryFourthTickOrEveryTickInFastMode) {
    PollCounters c;
    std::vector<bool> due;
    for (int i = 0; i < 8; ++i)
        due.push_back(c.CountTick(false));
    EXPECT_EQ(due, (std::vector<bool>{false, false, false, true, false, false, false, true}));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(c.CountTick(true));
}

TEST(CheckModel, OnlyModel1910ReportsWindDirection) {
    EXPECT_TRUE(IsWindDirModel(19.10f));
    EXPECT_FALSE(IsWindDirModel(19.09f));
    EXPECT_FALSE(IsWindDirModel(19.11f));
    EXPECT_FALSE(IsWindDirModel(0.0f));
    EXPECT_TRUE(IsWindDirModel(19.105f));
}

TEST(HistoryStep, ShiftsTowardsTheEndAndStampsTheNewest) {
    TSampleHistory history{};
    history[1023].WindSpeed = 99;
    history[1022].WindSpeed = 98;
    TSampleRec sample;
    sample.WindSpeed = 1.5f;
    sample.Valid = false;
    HistoryStep(history, sample, 45000.25);
    EXPECT_EQ(history[1023].WindSpeed, 98.0f);
    EXPECT_EQ(history[0].WindSpeed, 1.5f);
    EXPECT_TRUE(history[0].Valid);
    EXPECT_EQ(history[0].Time, 45000.25);
    HistoryStep(history, sample, 45000.5);
    EXPECT_EQ(history[1].Time, 45000.25);
}

TEST(PollCycle, AsksSetOneFirstAndDecodesItsAnswerAtTheNextCycle) {
    test::FakeLink link;
    Exchange exchange{link};
    PollCounters counters;
    TSampleRec sample;
    PollCycle(counters, exchange, sample, false);
    EXPECT_EQ(link.LastSent(), *frame::BuildFrame("RD,C32,C50,C51,C52,C53,"));
    link.Answer("AD,C32=30.5,C50=12,C51=12.1,C52=3.99,C53=1.25,");
    EXPECT_EQ(sample.TempDiff, 0.0f); // decoded by the next cycle, not on arrival
    PollCycle(counters, exchange, sample, false);
    EXPECT_EQ(sample.TempDiff, 30.5f);
    EXPECT_EQ(sample.AdCount, 3);
    EXPECT_EQ(link.LastSent(), *frame::BuildFrame("RD,S00,S01,S11,S12,S13,"));

    // No answer by the next cycle: nothing decoded, the request goes out all the same.
    sample.TempDiff = 0;
    PollCycle(counters, exchange, sample, false);
    EXPECT_EQ(sample.TempDiff, 0.0f);
    EXPECT_EQ(link.sent.size(), 3u);
}

} // namespace
} // namespace qvr
