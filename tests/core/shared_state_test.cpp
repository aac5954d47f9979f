#include "core/poll_cycle.h"
#include "core/sample_fields.h"
#include "core/shared_state.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <type_traits>

namespace qvr {
namespace {

TEST(SharedState, TheSampleRecordHoldsItsFieldsInOrderWithTheirWidths) {
    static_assert(std::is_same_v<decltype(TSampleRec::Time), double>);
    static_assert(std::is_same_v<decltype(TSampleRec::Valid), bool>);
    static_assert(std::is_same_v<decltype(TSampleRec::WindSpeed), float>);
    static_assert(std::is_same_v<decltype(TSampleRec::AdCount), std::int32_t>);
    static_assert(std::is_same_v<decltype(TSampleRec::SoftState), std::int32_t>);
    EXPECT_LT(offsetof(TSampleRec, Valid), offsetof(TSampleRec, WindSpeed));
    EXPECT_LT(offsetof(TSampleRec, SupplyVoltage), offsetof(TSampleRec, AdCount));
    EXPECT_LT(offsetof(TSampleRec, AdCount), offsetof(TSampleRec, DaOutput));
    EXPECT_LT(offsetof(TSampleRec, VectorX), offsetof(TSampleRec, ModelNo));
    EXPECT_LT(offsetof(TSampleRec, HardState), offsetof(TSampleRec, SoftState));
    EXPECT_EQ(SampleHistory.size(), 1024u);
    EXPECT_FALSE(SampleHistory[1023].Valid);
    EXPECT_STREQ(AppVersion, "0.94");
}

TEST(SharedState, StatusKeysCoverTheFiveSetsAndTheFiller) {
    const char* const sets[5][5] = {{"M01", "M11", "C01", "C11", "C12"},
                                    {"C32", "C50", "C51", "C52", "C53"},
                                    {"S00", "S01", "S11", "S12", "S13"},
                                    {"C21", "C22", "C16", "C17", "M05"},
                                    {"M07", "M00", "M00", "M00", "M00"}};
    for (int s = 0; s < 5; ++s) {
        TKeyValList pairs{};
        pairs[7] = {"X", "keep"};
        FillKeySet(s, pairs);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(pairs[i].Key, sets[s][i]) << s << "," << i;
        EXPECT_EQ(pairs[7], (TKeyValStr{"X", "keep"}));
    }
    for (int i = 21; i < 30; ++i) {
        EXPECT_STREQ(StatusKeys[i].Key, "M00");
        EXPECT_EQ(StatusKeys[i].Field, SampleField::None);
    }
}

TEST(SharedState, EachReadingHasOneEntryWithOneFieldAndOneKey) {
    std::set<SampleField> fields;
    std::set<std::string> keys;
    for (const SampleFieldInfo& info : SampleFields) {
        EXPECT_TRUE(fields.insert(info.Field).second) << info.Key;
        EXPECT_TRUE(keys.insert(info.Key).second) << info.Key;
        EXPECT_NE(info.Float == nullptr, info.Int == nullptr) << info.Key;
        EXPECT_EQ(&FieldInfo(info.Field), &info);
    }
    EXPECT_EQ(fields.size(), 21u);
    for (int i = 0; i < 21; ++i) // the key table asks for every reading once
        EXPECT_EQ(StatusKeys[static_cast<std::size_t>(i)].Key,
                  std::string(FieldInfo(StatusKeys[static_cast<std::size_t>(i)].Field).Key));
}

TEST(SharedState, ResetPrmSetsTheBuiltInDefaultsAndKeepsTheSerialNumber) {
    TWritePrm prm;
    prm.SerialNo = "QV123";
    prm.DIV[3] = 7;
    prm.ErDifDir[2] = 1;
    ResetPrm(prm);
    EXPECT_EQ(prm.SerialNo, "QV123");
    EXPECT_EQ(prm.HeaterWatt, 0.2f);
    EXPECT_EQ(prm.DifT0m, 50.0f);
    EXPECT_EQ(prm.AdjDifT, 20.0f);
    EXPECT_EQ(prm.AdjWS, 5.0f);
    EXPECT_EQ(prm.ChipStdV, 2.5f);
    EXPECT_EQ(prm.ATRev, 9.0f);
    EXPECT_EQ(prm.ATRevice0 + prm.ATRevice1 + prm.WDTRevice0 + prm.WDTRevice1, 0.0f);
    EXPECT_EQ(prm.DIV[3], 0.0f);
    EXPECT_EQ(prm.ErDifDir[2], 0.0f);
}

} // namespace
} // namespace qvr
