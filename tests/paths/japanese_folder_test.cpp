// The program in a folder named with Japanese characters and spaces, as the
// operators' folders often are: it must find its own folder and keep every
// file it reads and writes there.
#include "base/executable_dir.h"
#include "base/text_file.h"
#include "tests/base/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace qvr {
namespace {

namespace fs = std::filesystem;

// Runs the program and gives its exit code; -1 when it could not be run.
int RunProgram(const fs::path& program) {
#ifdef _WIN32
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
#else
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
#endif
}

TEST(JapaneseFolder, TheProgramFindsItsFolderAndKeepsItsFilesThere) {
    test::TempDir dir("計測 データ ");
    const fs::path probe = dir.Path() / QVR_FOLDER_PROBE_NAME;
    fs::copy_file(test::Utf8Path(ExecutableDir() + QVR_FOLDER_PROBE_NAME), probe);

    const int code = RunProgram(probe);
    // UTF-8: the folder it found, then what went wrong.
    const std::string report =
        FileExists(dir.File("probe.txt")) ? ReadFileBytes(dir.File("probe.txt")) : "";
    ASSERT_EQ(code, 0) << report;
    const std::string found = report.substr(0, report.find('\n'));
    EXPECT_EQ(found, dir.Dir());
    EXPECT_NE(found.find("計測 データ "), std::string::npos);

    // Each file is where the program said, under its own name.
    EXPECT_NE(ReadFileBytes(dir.File("Port0.ini")).find("BaudRate=38400"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir.File("BaseSetpoint.ini")).find("SecRec=1"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir.File("12345.qvr")).find("42.5"), std::string::npos);
    EXPECT_TRUE(FileExists(dir.File("Record/RT_20240529.csv")));
    EXPECT_EQ(ReadFileBytes(dir.File("風速 記録.csv")),
              "\x8E\x9E\x8D\x8F,\x95\x97\x91\xAC\r\n12:00:00,1.5\r\n");
}

} // namespace
} // namespace qvr
