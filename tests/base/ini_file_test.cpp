#include "base/ini_file.h"
#include "base/text_file.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qvr {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.File("BaseSetpoint.ini");
    IniFile ini{path};

    void Put(const std::string& bytes) { ReplaceFileBytes(path, bytes); }
    std::string Bytes() { return ReadFileBytes(path); }
};

TEST_F(IniFileTest, ReadsTypedValuesWithCaseInsensitiveNamesAndBlanksIgnored) {
    Put("[Record]\r\n  secrec = 5 \r\n[COLLECT]\r\nFastMode=yes\r\n"
        "[Early]\r\nDifT0m= 48.5 \r\nHeaterWatt=abc\r\nName = COM7 \r\nEmpty=\r\n");
    EXPECT_EQ(ini.ReadInteger("RECORD", "SecRec", 0), 5);
    EXPECT_TRUE(ini.ReadBool("Record", "SecRec", false));
    EXPECT_FALSE(ini.ReadBool("Collect", "FastMode", false)); // yes is not an integer
    EXPECT_TRUE(ini.ReadBool("Collect", "FastMode", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("early", "DIFT0M", 50), 48.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Early", "HeaterWatt", 0.2), 0.2);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Early", "Empty", 7), 7);
    EXPECT_EQ(ini.ReadString("Early", "Name", ""), "COM7");
    EXPECT_EQ(ini.ReadString("Early", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Name", "dflt"), "dflt");
    EXPECT_TRUE(ini.ValueExists("Early", "Empty"));
    EXPECT_FALSE(ini.ValueExists("Early", "Missing"));
}

TEST_F(IniFileTest, AMissingFileReadsAsDefaults) {
    EXPECT_EQ(ini.ReadInteger("Record", "SecRec", 3), 3);
    EXPECT_FALSE(ini.ReadBool("Collect", "FastMode", false));
}

TEST_F(IniFileTest, WritesKeyByKeyIntoANewFile) {
    ini.WriteFloat("Early", "ErDifCenter", 0);
    ini.WriteFloat("Early", "HeaterWatt", static_cast<double>(0.2f));
    ini.WriteFloat("Exp16", "ATRev", 9);
    ini.WriteFloat("System", "ChipStdV", 2.5);
    EXPECT_EQ(Bytes(), "[Early]\r\nErDifCenter=0\r\nHeaterWatt=0.200000002980232\r\n"
                       "[Exp16]\r\nATRev=9\r\n[System]\r\nChipStdV=2.5\r\n");
}

TEST_F(IniFileTest, AWriteChangesOnlyItsKeyAndKeepsEverythingElseByteForByte) {
    const std::string before = "; written by hand\n"
                               "[Record]\n"
                               "SecRec=1\n"
                               "Other = keep me  \n"
                               "\n"
                               "[Early]\r\n"
                               "DIV0=1\r\n"
                               "\r\n"
                               "[System]\r\n"
                               "ChipStdV=2.5";
    Put(before);
    ini.WriteBool("record", "SECREC", false);    // replaced in place, name as given
    ini.WriteString("Early", "VAL0", "3");       // appended after the section's last key
    ini.WriteString("Collect", "FastMode", "0"); // new section at the end
    EXPECT_EQ(Bytes(), "; written by hand\n"
                       "[Record]\n"
                       "SECREC=0\n"
                       "Other = keep me  \n"
                       "\n"
                       "[Early]\r\n"
                       "DIV0=1\r\n"
                       "VAL0=3\n"
                       "\r\n"
                       "[System]\r\n"
                       "ChipStdV=2.5\n"
                       "[Collect]\n"
                       "FastMode=0\n");
    EXPECT_EQ(ini.ReadString("Record", "Other", ""), "keep me");
}

TEST_F(IniFileTest, AFailedWriteNamesTheFile) {
    IniFile bad(dir.File("no/such/folder/Port0.ini"));
    try {
        bad.WriteString("ComPortM", "Port", "COM7");
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Port0.ini"), std::string::npos) << e.what();
    }
}

// Some editors start a file with a UTF-8 byte-order mark; it is no part of
// the first section's name, and a write keeps it where it is.
TEST_F(IniFileTest, AByteOrderMarkDoesNotHideTheFirstSection) {
    const std::string bom = "\xEF\xBB\xBF";
    Put(bom + "[Early]\r\nDifT0m=48.5\r\n[System]\r\nChipStdV=2.5\r\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Early", "DifT0m", 50), 48.5);
    ini.WriteString("Early", "DifT0m", "47");
    ini.WriteString("Early", "AdjWS", "5");
    EXPECT_EQ(Bytes(), bom + "[Early]\r\nDifT0m=47\r\nAdjWS=5\r\n[System]\r\nChipStdV=2.5\r\n");

    // A mark alone is an empty file; a mark further on is text.
    Put(bom);
    ini.WriteString("Early", "DifT0m", "1");
    EXPECT_EQ(Bytes(), bom + "[Early]\r\nDifT0m=1\r\n");
    Put("\r\n" + bom + "[Early]\r\nDifT0m=2\r\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Early", "DifT0m", 50), 50);
}

// Nothing the program keeps in a profile file comes near 1 MB: a larger file
// is not one of its files (or not one any more), and reading it key by key
// would hold up the window.
TEST_F(IniFileTest, AFileOverOneMegabyteIsNeitherReadNorRewritten) {
    const std::string head = "[Record]\r\nSecRec=1\r\n;";
    const std::string exact = head + std::string(kMaxIniFileBytes - head.size(), 'x');
    Put(exact);
    EXPECT_EQ(IniText::Read(path).Bytes(), exact);
    EXPECT_TRUE(ini.ReadBool("Record", "SecRec", false));

    const std::string over = exact + "\r\n";
    Put(over);
    try {
        IniText::Read(path);
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("1 MB"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(ini.ReadBool("Record", "SecRec", false)); // as a missing file
    EXPECT_THROW(ini.WriteBool("Record", "SecRec", false), IniFileError);
    EXPECT_EQ(Bytes(), over);
}

} // namespace
} // namespace qvr
