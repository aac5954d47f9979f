#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "tests/base/temp_dir.h"

#include <algorithm>
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

// A file written by another tool may lack keys; the operator learns which
// fields took their defaults, by the labels the settings window shows.
TEST_F(SetpointFile, ALoadNamesTheFieldsThatTookTheirDefaults) {
    SaveSetpointFile(Scrambled(), path);
    std::string bytes = ReadFileBytes(path);
    for (const char* line : {"HeaterWatt=", "DIV3=", "ChipStdV="}) {
        const std::size_t at = bytes.find(line);
        bytes.erase(at, bytes.find('\n', at) + 1 - at);
    }
    ReplaceFileBytes(path, bytes);
    TWritePrm p = Scrambled();
    SetpointLoad load = LoadChosenSetpointFile(p, path);
    EXPECT_EQ(load.Defaulted,
              (std::vector<std::string>{"ヒータ出力 (W)", "補正点4 (m/s)", "基準電圧 (V)"}));
    EXPECT_EQ(p.HeaterWatt, 0.2f);
    EXPECT_EQ(p.DIV[3], 0.0f);
    EXPECT_EQ(p.VAL[3], Scrambled().VAL[3]);
    const std::string message = DefaultedFieldsMessage(path, load);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("ヒータ出力 (W), 補正点4 (m/s), 基準電圧 (V)"), std::string::npos)
        << message;

    // A value that does not convert counts as missing; the stored-only fields
    // are named by their keys.
    ReplaceFileBytes(path, "[Early]\r\nErDifDir2=x\r\nAdjWS=abc\r\nVAL9=1\r\n");
    load = LoadChosenSetpointFile(p, path);
    EXPECT_EQ(load.Defaulted.size(), 34u); // of 35 fields
    EXPECT_NE(std::find(load.Defaulted.begin(), load.Defaulted.end(), "ErDifDir2"),
              load.Defaulted.end());
    EXPECT_NE(std::find(load.Defaulted.begin(), load.Defaulted.end(), "基準風速値 (m/s)"),
              load.Defaulted.end());

    SaveSetpointFile(defaults, path);
    EXPECT_EQ(LoadChosenSetpointFile(p, path).Defaulted, std::vector<std::string>{});
    EXPECT_EQ(DefaultedFieldsMessage(path, SetpointLoad{}), "");
}

// A chosen file from which no field would take its value would quietly put
// the factory set in place of the operator's: it is refused and nothing changes.
TEST_F(SetpointFile, AChosenFileWithoutAnyParameterIsRefused) {
    const std::string cases[] = {
        "",
        "[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=0\r\n",
        "[System]\r\nDifT0m=48.5\r\n", // a key in the wrong section
        "[Early]\r\nHeaterWatt=abc\r\nDifT0m=\r\n",
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
    };
    for (const std::string& bytes : cases) {
        ReplaceFileBytes(path, bytes);
        TWritePrm p = Scrambled();
        try {
            LoadChosenSetpointFile(p, path);
            ADD_FAILURE() << "loaded: " << bytes;
        } catch (const SetpointFileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_TRUE(SameNumbers(p, Scrambled())) << bytes;
        // The program's own file may hold only other sections: all defaults.
        EXPECT_EQ(LoadSetpointFile(p, path).Defaulted.size(), 35u);
        EXPECT_TRUE(SameNumbers(p, defaults)) << bytes;
    }
}

// Some editors write a UTF-8 byte-order mark first.
TEST_F(SetpointFile, AByteOrderMarkBeforeTheFirstSectionIsSkipped) {
    ReplaceFileBytes(path, "\xEF\xBB\xBF[Early]\r\nDifT0m=48.5\r\nAdjWS=5.5\r\n"
                           "HeaterWatt=0.3\r\n");
    TWritePrm p = defaults;
    const SetpointLoad load = LoadChosenSetpointFile(p, path);
    EXPECT_EQ(p.DifT0m, 48.5f);
    EXPECT_EQ(p.AdjWS, 5.5f);
    EXPECT_EQ(p.HeaterWatt, 0.3f);
    EXPECT_EQ(load.Defaulted.size(), 32u);
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
