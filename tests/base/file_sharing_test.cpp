// Files that another program holds, and replacements that cannot happen. On
// Windows a spreadsheet holds an open CSV without sharing: writing it must fail
// plainly and keep what is there. Elsewhere an open file does not stop a
// replacement, and the holder keeps reading what it opened.
#include "base/text_file.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qvr {
namespace {

namespace fs = std::filesystem;

// Another program's hold on a file: on Windows an open without sharing.
class HeldFile {
public:
    explicit HeldFile(const std::string& path) {
#ifdef _WIN32
        h_ = CreateFileW(test::Utf8Path(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        fd_ = ::open(path.c_str(), O_RDONLY);
#endif
    }
    ~HeldFile() {
        Release();
    }
    bool Held() const {
#ifdef _WIN32
        return h_ != INVALID_HANDLE_VALUE;
#else
        return fd_ >= 0;
#endif
    }
    // What the holder reads through its own handle.
    std::string Read() {
        char buf[256];
#ifdef _WIN32
        DWORD n = 0;
        SetFilePointer(h_, 0, nullptr, FILE_BEGIN);
        if (!ReadFile(h_, buf, sizeof buf, &n, nullptr)) return "<read failed>";
#else
        const ssize_t n = ::pread(fd_, buf, sizeof buf, 0);
        if (n < 0) return "<read failed>";
#endif
        return std::string(buf, static_cast<std::size_t>(n));
    }
    void Release() {
#ifdef _WIN32
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
#else
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
#endif
    }

private:
#ifdef _WIN32
    HANDLE h_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

// The message of the failure, or "" when the call went through.
template <class Call> std::string FailureOf(Call call) {
    try {
        call();
    } catch (const TextFileError& e) {
        return e.what();
    }
    return "";
}

std::size_t Entries(const test::TempDir& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()));
}

TEST(FileSharing, AFileHeldByAnotherProgram) {
    test::TempDir dir("計測 データ-");
    const std::string path = dir.File("記録.csv");
    WriteTextLines(path, {"old"});
    HeldFile holder(path);
    ASSERT_TRUE(holder.Held());
#ifdef _WIN32
    // Replacing, appending and reading all fail with a message that names the
    // file and says why; the file keeps its content and no temporary is left.
    for (const std::string& message : {FailureOf([&] { WriteTextLines(path, {"new"}); }),
                                       FailureOf([&] { AppendTextLines(path, {"row"}); }),
                                       FailureOf([&] { ReadFileBytes(path); })}) {
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find("in use by another program"), std::string::npos) << message;
    }
    EXPECT_EQ(holder.Read(), "old\r\n");
    holder.Release();
    EXPECT_EQ(ReadFileBytes(path), "old\r\n");
    EXPECT_EQ(Entries(dir), 1u);
    // Once it is let go, writing works again.
    AppendTextLines(path, {"row"});
    EXPECT_EQ(ReadFileBytes(path), "old\r\nrow\r\n");
#else
    WriteTextLines(path, {"new"});
    EXPECT_EQ(ReadFileBytes(path), "new\r\n");
    EXPECT_EQ(holder.Read(), "old\r\n");
    EXPECT_EQ(Entries(dir), 1u);
#endif
}

TEST(FileSharing, AReplacementThatCannotHappenKeepsTheOldFile) {
    test::TempDir dir("計測 データ-");
    // A folder in the file's place cannot be replaced by a file.
    const std::string folder = dir.File("plot.csv");
    fs::create_directories(test::Utf8Path(folder + "/kept"));
    EXPECT_NE(FailureOf([&] { WriteTextLines(folder, {"x"}); }).find(folder), std::string::npos);
    EXPECT_TRUE(fs::is_directory(test::Utf8Path(folder + "/kept")));
    EXPECT_EQ(Entries(dir), 1u);
}

} // namespace
} // namespace qvr
