#include "ui/language.h"

#include "base/ini_file.h"
#include "core/calibration_texts.h"
#include "core/write_log_texts.h"
#include "tests/base/temp_dir.h"

#include <QCoreApplication>
#include <QTranslator>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qvr {
namespace {

TEST(UiLanguage, CommandLineWinsOverSettingWinsOverSystem) {
    using L = UiLanguage;
    struct Case {
        QString commandLine, setting;
        QStringList system;
        L expected;
        int warnings;
    };
    const Case cases[] = {
        {"", "", {}, L::Japanese, 0},
        {"", "", {"C"}, L::Japanese, 0}, // the C/POSIX locale keeps today's texts
        {"", "", {"ja-JP", "en-US"}, L::Japanese, 0},
        {"", "", {"en-US", "ja-JP"}, L::English, 0},
        {"", "", {"en_GB"}, L::English, 0},
        {"", "", {"en"}, L::English, 0},
        {"", "", {"de-DE", "en-US"}, L::Japanese, 0}, // only the first counts
        {"", "", {"eo"}, L::Japanese, 0},
        {"", "en", {"ja-JP"}, L::English, 0},
        {"", " ja ", {"en-US"}, L::Japanese, 0},
        {"en", "ja", {"ja-JP"}, L::English, 0},
        {"ja", "en", {"en-US"}, L::Japanese, 0},
        // An unknown value is ignored with one line; the next source decides.
        {"fr", "en", {"ja-JP"}, L::English, 1},
        {"EN", "", {"ja-JP"}, L::Japanese, 1},
        {"", "english", {"en-US"}, L::English, 1},
        {"xx", "yy", {"en-US"}, L::English, 2},
        {"ja", "zz", {"en-US"}, L::Japanese, 1},
    };
    for (const Case& c : cases) {
        const LanguageChoice choice = ChooseUiLanguage(c.commandLine, c.setting, c.system);
        const std::string what =
            (c.commandLine + "|" + c.setting + "|" + c.system.join(',')).toStdString();
        EXPECT_EQ(choice.language, c.expected) << what;
        ASSERT_EQ(choice.warnings.size(), c.warnings) << what;
        for (const QString& w : choice.warnings) {
            EXPECT_TRUE(w.startsWith("qvr-monitor: ignoring unknown language")) << w.toStdString();
            EXPECT_FALSE(w.contains('\n'));
        }
    }
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(test::Utf8Path(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The choice lives in the parameter file beside the program; writing it keeps
// every other byte, and the parameters' own save keeps it.
TEST(UiLanguage, TheSettingIsKeptInBaseSetpointBesideTheOtherKeys) {
    test::TempDir dir("qvr-言語 ");
    const std::string file = dir.File("BaseSetpoint.ini");
    EXPECT_EQ(ReadLanguageSetting(dir.Dir()), "");
    {
        std::ofstream out(test::Utf8Path(file), std::ios::binary);
        out << "[Sensor]\r\nOffset=0.25\r\n";
    }
    WriteLanguageSetting(dir.Dir(), UiLanguage::English);
    EXPECT_EQ(ReadLanguageSetting(dir.Dir()), "en");
    WriteLanguageSetting(dir.Dir(), UiLanguage::Japanese);
    EXPECT_EQ(ReadLanguageSetting(dir.Dir()), "ja");
    const std::string bytes = FileBytes(file);
    EXPECT_EQ(bytes.rfind("[Sensor]\r\nOffset=0.25\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("[UI]"), std::string::npos);
}

TEST(UiLanguage, TheEnglishTranslationIsBuiltIn) {
    ASSERT_TRUE(InstallUiTranslation(*QCoreApplication::instance(), UiLanguage::Japanese));
    EXPECT_EQ(QCoreApplication::translate("qvr::TSysSetForm", "表示言語"), "表示言語");
    ASSERT_TRUE(InstallUiTranslation(*QCoreApplication::instance(), UiLanguage::English));
    EXPECT_EQ(QCoreApplication::translate("qvr::TSysSetForm", "表示言語"), "Display language");
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
    EXPECT_EQ(QCoreApplication::translate("qvr::TSysSetForm", "表示言語"), "表示言語");
}

// The write window's lines are built in the standard-C++ code from pieces and
// data; in English each piece is translated and the data between stays.
TEST(UiLanguage, LinesFromPiecesKeepTheirDataBetweenTranslatedPieces) {
    using namespace write_log;
    const struct {
        std::string line;
        QString english;
    } cases[] = {
        {std::string("Group-3") + kWritten, "Group-3: written!"},
        {std::string("Group-3") + kWriting, "Group-3: writing"}, // the shorter piece
        {std::string("Group-4") + kSeparator + "Group-3" + kLateAnswer,
         "Group-4: Group-3 answered late; answer ignored"},
        {kBackup + std::string("/tmp/計測 データ/Backup/A1_20240529.qvr"),
         "Backup: /tmp/計測 データ/Backup/A1_20240529.qvr"}, // the operator's path stays
        {kSummary + std::string("31") + kSummaryDiffering + "2" + kSummaryUnread + "1●●",
         "●● Read-back: of 31 items, differing 2, unread 1●●"},
        {kPartlyWritten + std::string(kRestoreBefore) + "b.qvr" + kRestoreAfter,
         "The sensor holds a partly written parameter set. To restore, load the backup b.qvr and "
         "write it"},
        {"E01:48.25", "E01:48.25"},
    };
    ASSERT_TRUE(InstallUiTranslation(*QCoreApplication::instance(), UiLanguage::English));
    for (const auto& c : cases)
        EXPECT_EQ(TranslatePieces(c.line, kContext, kPieces), c.english) << c.line;
    EXPECT_EQ(TranslatePieces(calibration_text::kInProgress + std::string("4"),
                              calibration_text::kContext, calibration_text::kPieces),
              "Calibrating: Step-4");
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
    // In Japanese every line is shown as the code built it.
    for (const auto& c : cases)
        EXPECT_EQ(TranslatePieces(c.line, kContext, kPieces), QString::fromStdString(c.line));
}

} // namespace
} // namespace qvr
