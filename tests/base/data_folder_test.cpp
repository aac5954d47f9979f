#include "base/data_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace qvr {
namespace {

using test::TempDir;

// A folder without its trailing separator, which is '\\' on Windows.
std::string Bare(const std::string& dir) {
    return dir.back() == '/' || dir.back() == '\\' ? dir.substr(0, dir.size() - 1) : dir;
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
    EXPECT_EQ(Bare(folder.path), Bare(program));
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

} // namespace
} // namespace qvr
