#include "base/text_file.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qvr {
namespace {

const std::string kHeading = "時刻,風速,気温(参考)";
// The same line in CP932.
const std::string kHeadingCp932 =
    "\x8E\x9E\x8D\x8F,\x95\x97\x91\xAC,\x8B\x43\x89\xB7(\x8E\x51\x8D\x6C)";

TEST(TextFile, WritesCp932WithCrLfAfterEveryLineAndNoByteOrderMark) {
    test::TempDir dir;
    const std::string path = dir.File("a.csv");
    WriteTextLines(path, {kHeading, "12:00,1.5,", ""});
    EXPECT_EQ(ReadFileBytes(path), kHeadingCp932 + "\r\n12:00,1.5,\r\n\r\n");
    EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{kHeading, "12:00,1.5,", ""}));
    EXPECT_EQ(Utf8ToCp932("℃°m/s."), "\x81\x8E\x81\x8Bm/s.");
}

TEST(TextFile, ReplacesTheWholeFileAndLeavesNoTemporaryBehind) {
    test::TempDir dir;
    const std::string path = dir.File("b.csv");
    WriteTextLines(path, {"old", "old"});
    WriteTextLines(path, {"new"});
    EXPECT_EQ(ReadFileBytes(path), "new\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(TextFile, ReadingDropsTheLineEndOfEveryLineTheLastOneToo) {
    struct Case {
        const char* bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", {"a", "b"}}, {"a\r\nb\r", {"a", "b"}}, // a last line cut after its CR
        {"a\r\nb", {"a", "b"}},     {"a\nb\n", {"a", "b"}},
        {"\r\n\r", {"", ""}},       {"a\rb\r\n", {"a\rb"}}, // a CR inside a line stays
    };
    test::TempDir dir;
    const std::string path = dir.File("e.csv");
    for (const auto& c : cases) {
        ReplaceFileBytes(path, c.bytes);
        EXPECT_EQ(ReadTextLines(path), c.lines) << c.bytes;
    }
}

TEST(TextFile, ACharacterOutsideCp932BecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToCp932("a\u2716b"), "a?b");
    // Never a look-alike in its place.
    EXPECT_EQ(Utf8ToCp932("café 5µm ½"), "caf? 5?m ?");
    EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("風速")), "風速");
    // Bytes that are no CP932 character read as "?", one for each.
    const std::pair<std::string, std::string> invalid[] = {
        {"a\x81", "a?"},                  // a lead byte at the end
        {"a\x81\x20z", "a?z"},            // a bad second byte
        {"a\x85\x40z", "a?z"},            // an unassigned pair
        {"a\x80\xA0\xFD\xFFz", "a????z"}, // no character at all
        {"\x82\xA0\xB1", "あｱ"},          // the good ones stay
    };
    for (const auto& [bytes, text] : invalid)
        EXPECT_EQ(Cp932ToUtf8(bytes), text) << bytes;
}

TEST(TextFile, AppendAddsLinesAndMendsAMissingLineEnd) {
    test::TempDir dir;
    const std::string path = dir.File("c.csv");
    AppendTextLines(path, {"h1"});
    AppendTextLines(path, {"r1", "r2"});
    EXPECT_EQ(ReadFileBytes(path), "h1\r\nr1\r\nr2\r\n");
    ReplaceFileBytes(path, "h1\r\npartial");
    AppendTextLines(path, {"r3"});
    EXPECT_EQ(ReadFileBytes(path), "h1\r\npartial\r\nr3\r\n");
}

TEST(TextFile, FailuresNameTheFileAndKeepTheOldContent) {
    test::TempDir dir;
    const std::string path = dir.File("d.csv");
    WriteTextLines(path, {"keep"});
    // A folder where the temporary file would go makes the write fail, even for root.
    std::filesystem::create_directory(TemporaryPathFor(path));
    try {
        WriteTextLines(path, {"lost"});
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), "keep\r\n");
}

TEST(TextFile, MissingFilesAndFoldersAreReportedNotInvented) {
    test::TempDir dir;
    EXPECT_THROW(ReadTextLines(dir.File("none.csv")), TextFileError);
    EXPECT_THROW(WriteTextLines(dir.File("no/such/dir/x.csv"), {"x"}), TextFileError);
    EXPECT_FALSE(FileExists(dir.File("none.csv")));
    EXPECT_TRUE(ForceDirectories(dir.File("Record/sub")));
    EXPECT_TRUE(DirectoryExists(dir.File("Record/sub")));
    WriteTextLines(dir.File("blocker"), {"x"});
    EXPECT_FALSE(ForceDirectories(dir.File("blocker/Record")));
}

} // namespace
} // namespace qvr
