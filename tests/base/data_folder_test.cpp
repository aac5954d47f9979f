#include "base/data_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace qvr {
namespace {

using test::TempDir;

// With the separator the folder rule adds: '\\' on Windows, '/' elsewhere.
std::string Slash(const std::string& dir) {
    return dir.back() == '/' || dir.back() == '\\'
               ? dir
               : dir + static_cast<char>(std::filesystem::path::preferred_separator);
}

TEST(DataFolderTest, RequestedFolderWinsOverEverything) {
    const DataFolder folder = ChooseDataFolder("/srv/wind", "/opt/qvr/", "/home/op/.local/x");
    EXPECT_EQ(folder.origin, DataFolder::Origin::Requested);
    EXPECT_EQ(folder.path.substr(0, 9), "/srv/wind");
    EXPECT_EQ(folder.path.size(), 10u); // a separator added
}

TEST(DataFolderTest, WritableProgramFolderKeepsFilesBesideTheProgram) {
    TempDir temp;
    const std::string program = test::Utf8Text(temp.Path());
    const DataFolder folder = ChooseDataFolder("", program, "/home/op/.local/share/x");
    EXPECT_EQ(folder.origin, DataFolder::Origin::BesideProgram);
    EXPECT_EQ(Slash(folder.path), Slash(program));
    EXPECT_EQ(test::FilesIn(program), 0u) << "the write test leaves nothing behind";
}

#ifndef _WIN32
TEST(DataFolderTest, UnwritableProgramFolderMovesToThePerUserFolder) {
    TempDir temp;
    const std::string home = test::Utf8Text(temp.Path());
    // Not writable even for root: a folder of the process file system, a
    // path that is a file and a folder that does not exist.
    const std::string file = home + "/plain-file";
    std::ofstream(file) << "x";
    for (const std::string& program : {std::string("/proc/self"), file, home + "/gone"}) {
        const DataFolder folder = ChooseDataFolder("", program, home + "/data");
        EXPECT_EQ(folder.origin, DataFolder::Origin::PerUser) << program;
        EXPECT_EQ(folder.path, home + "/data/") << program;
        EXPECT_FALSE(FolderIsWritable(program)) << program;
    }
}

TEST(DataFolderTest, PerUserFolderFollowsXdgDataHomeThenHome) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/op", 1);
    setenv("XDG_DATA_HOME", "/data/op", 1);
    EXPECT_EQ(PerUserDataFolder(), "/data/op/qvr-monitor/");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(PerUserDataFolder(), "/home/op/.local/share/qvr-monitor/");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(PerUserDataFolder(), "/home/op/.local/share/qvr-monitor/");
    unsetenv("HOME");
    EXPECT_EQ(PerUserDataFolder(), "");
    oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
    oldXdg ? setenv("XDG_DATA_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}
#endif

TEST(DataFolderTest, MakeDataFolderCreatesParentsAndRefusesAFile) {
    TempDir temp;
    const std::string root = test::Utf8Text(temp.Path());
    std::string error;
    EXPECT_TRUE(MakeDataFolder(root + "/a/b/c", error)) << error;
    EXPECT_TRUE(FolderIsWritable(root + "/a/b/c"));
    std::ofstream(root + "/file") << "x";
    EXPECT_FALSE(MakeDataFolder(root + "/file", error));
    EXPECT_FALSE(error.empty());
}

// First start: the shipped defaults are copied; later starts keep what the
// operator changed, and a name taken by a folder is left alone.
TEST(DataFolderTest, CopiesMissingDefaultsAndNeverReplacesTheOperatorsFiles) {
    TempDir temp;
    const std::string root = test::Utf8Text(temp.Path());
    const std::string shipped = root + "/share", data = root + "/data/";
    std::string error;
    ASSERT_TRUE(MakeDataFolder(shipped + "/sub", error)) << error;
    ASSERT_TRUE(MakeDataFolder(data + "Port0.ini", error)) << error; // a folder of that name
    std::ofstream(shipped + "/DefaultPrm.qvr", std::ios::binary) << "[Prm]\r\nHeaterWatt=0.2\r\n";
    std::ofstream(shipped + "/BaseSetpoint.ini", std::ios::binary) << "[Record]\r\nSecRec=0\r\n";
    std::ofstream(shipped + "/Port0.ini", std::ios::binary) << "[ComPortM]\r\n";
    std::ofstream(shipped + "/sub/not-copied", std::ios::binary) << "x";

    std::vector<std::string> errors;
    EXPECT_EQ(CopyMissingDefaults(shipped, data, errors),
              (std::vector<std::string>{"BaseSetpoint.ini", "DefaultPrm.qvr"}));
    EXPECT_TRUE(errors.empty());
    std::ifstream copied(data + "DefaultPrm.qvr", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}),
              "[Prm]\r\nHeaterWatt=0.2\r\n");
    EXPECT_EQ(test::FilesIn(data), 3u) << "no sub-folder, no temporary file";

    std::ofstream(data + "BaseSetpoint.ini", std::ios::binary) << "[Record]\r\nSecRec=1\r\n";
    EXPECT_TRUE(CopyMissingDefaults(shipped, data, errors).empty());
    std::ifstream kept(data + "BaseSetpoint.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "[Record]\r\nSecRec=1\r\n");

    EXPECT_TRUE(CopyMissingDefaults(root + "/no-such-folder", data, errors).empty());
    EXPECT_TRUE(errors.empty());
}

#ifndef _WIN32
TEST(DataFolderTest, ADefaultThatCannotBeCopiedIsNamedAndTheRestGoOn) {
    TempDir temp;
    const std::string root = test::Utf8Text(temp.Path());
    std::string error;
    ASSERT_TRUE(MakeDataFolder(root + "/share", error)) << error;
    std::ofstream(root + "/share/DefaultPrm.qvr") << "x";
    std::vector<std::string> errors;
    // A data folder that is a file: nothing can be made in it, even by root.
    std::ofstream(root + "/data") << "x";
    EXPECT_TRUE(CopyMissingDefaults(root + "/share", root + "/data", errors).empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("DefaultPrm.qvr: ", 0), 0u) << errors[0];
}
#endif

} // namespace
} // namespace qvr
