#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "tests/base/temp_dir.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

// What a file written from scratch with the built-in defaults holds.
const char* const kDefaultFile = "[Early]\r\n"
                                 "ErDifCenter=0\r\n"
                                 "ErDifDir0=0\r\nErDifDir1=0\r\nErDifDir2=0\r\nErDifDir3=0\r\n"
                                 "HeaterWatt=0.200000002980232\r\n"
                                 "DifT0m=50\r\nAdjDifT=20\r\nAdjWS=5\r\n"
                                 "DIV0=0\r\nVAL0=0\r\nDIV1=0\r\nVAL1=0\r\nDIV2=0\r\nVAL2=0\r\n"
                                 "DIV3=0\r\nVAL3=0\r\nDIV4=0\r\nVAL4=0\r\nDIV5=0\r\nVAL5=0\r\n"
                                 "DIV6=0\r\nVAL6=0\r\nDIV7=0\r\nVAL7=0\r\nDIV8=0\r\nVAL8=0\r\n"
                                 "DIV9=0\r\nVAL9=0\r\n"
                                 "[Exp16]\r\n"
                                 "ATRevice0=0\r\nATRevice1=0\r\nWDTRevice0=0\r\nWDTRevice1=0\r\n"
                                 "ATRev=9\r\n"
                                 "[System]\r\n"
                                 "ChipStdV=2.5\r\n";

// Every numeric field set away from its default.
TWritePrm Scrambled() {
    TWritePrm p;
    p.SerialNo = "A12";
    float v = 1.25f;
    for (float* f : {&p.ErDifCenter, &p.HeaterWatt, &p.DifT0m, &p.AdjDifT, &p.AdjWS, &p.ATRevice0,
                     &p.ATRevice1, &p.WDTRevice0, &p.WDTRevice1, &p.ChipStdV, &p.ATRev})
        *f = v += 1.5f;
    for (float& f : p.ErDifDir)
        f = v += 1.5f;
    for (std::size_t i = 0; i < 10; ++i) {
        p.DIV[i] = v += 0.1f;
        p.VAL[i] = -(v += 0.1f);
    }
    return p;
}

bool SameNumbers(const TWritePrm& a, const TWritePrm& b) {
    return a.ErDifCenter == b.ErDifCenter && a.ErDifDir == b.ErDifDir &&
           a.HeaterWatt == b.HeaterWatt && a.DifT0m == b.DifT0m && a.AdjDifT == b.AdjDifT &&
           a.AdjWS == b.AdjWS && a.ATRevice0 == b.ATRevice0 && a.ATRevice1 == b.ATRevice1 &&
           a.WDTRevice0 == b.WDTRevice0 && a.WDTRevice1 == b.WDTRevice1 &&
           a.ChipStdV == b.ChipStdV && a.ATRev == b.ATRev && a.DIV == b.DIV && a.VAL == b.VAL;
}

class SetpointFile : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.File("BaseSetpoint.ini");
    TWritePrm defaults = [] {
        TWritePrm p;
        ResetPrm(p);
        return p;
    }();
};

TEST_F(SetpointFile, ANewFileHoldsTheKeysInFileOrder) {
    SaveSetpointFile(defaults, path);
    EXPECT_EQ(ReadFileBytes(path), kDefaultFile);
}

TEST_F(SetpointFile, SavingKeepsOtherSectionsAndReplacesKeysInPlace) {
    ReplaceFileBytes(path, "[Record]\r\nSecRec=1\r\n[System]\r\nChipStdV=7\r\nNote=x\r\n"
                           "[Collect]\r\nFastMode=0\r\n");
    SaveSetpointFile(defaults, path);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, bytes.find("[Early]")),
              "[Record]\r\nSecRec=1\r\n[System]\r\nChipStdV=2.5\r\nNote=x\r\n"
              "[Collect]\r\nFastMode=0\r\n");
    const IniFile ini(path);
    EXPECT_TRUE(ini.ReadBool("Record", "SecRec", false));
    EXPECT_EQ(ini.ReadString("Collect", "FastMode", "-"), "0");
}

TEST_F(SetpointFile, ValuesRoundTripAndTheSerialNumberIsNeverStored) {
    const TWritePrm written = Scrambled();
    SaveSetpointFile(written, path);
    EXPECT_EQ(ReadFileBytes(path).find("A12"), std::string::npos);

    TWritePrm read = defaults;
    read.SerialNo = "B7";
    LoadSetpointFile(read, path);
    EXPECT_TRUE(SameNumbers(read, written));
    EXPECT_EQ(read.SerialNo, "B7");
}

TEST_F(SetpointFile, AValueShowsItsSinglePrecisionRounding) {
    TWritePrm p = defaults;
    p.AdjWS = 0.1f;
    SaveSetpointFile(p, path);
    EXPECT_EQ(IniFile(path).ReadString("Early", "AdjWS", ""), "0.100000001490116");
}

TEST_F(SetpointFile, WhatIsMissingOrNotANumberTakesItsDefault) {
    ReplaceFileBytes(path, "[System]\r\nChipStdV= 1.2 \r\n");
    TWritePrm p = Scrambled();
    LoadSetpointFile(p, path);
    TWritePrm expected = defaults;
    expected.ChipStdV = 1.2f;
    EXPECT_TRUE(SameNumbers(p, expected));
    EXPECT_EQ(p.SerialNo, "A12");

    // Whatever does not convert to a finite single-precision number.
    for (const char* text : {"abc", "", "1,5", "inf", "nan", "1e39", "-1e39", "0x10", "5 m/s"}) {
        ReplaceFileBytes(path, std::string("[Early]\r\nHeaterWatt=") + text + "\r\nAdjWS=7\r\n");
        p = Scrambled();
        LoadSetpointFile(p, path);
        EXPECT_EQ(p.HeaterWatt, 0.2f) << text;
        EXPECT_EQ(p.AdjWS, 7.0f) << text;
    }
    for (const char* text : {"3E38", " -2.5e-3 "}) {
        ReplaceFileBytes(path, std::string("[Early]\r\nHeaterWatt=") + text + "\r\n");
        LoadSetpointFile(p, path);
        EXPECT_EQ(p.HeaterWatt, *ParseFloat(text)) << text;
    }

    // No file at all: every default.
    p = Scrambled();
    LoadSetpointFile(p, dir.File("missing.qvr"));
    EXPECT_TRUE(SameNumbers(p, defaults));
}

TEST_F(SetpointFile, AWriteFailureNamesTheFile) {
    const std::string blocked = dir.File("nowhere/setting.qvr");
    try {
        SaveSetpointFile(defaults, blocked);
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find(blocked), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace qvr
