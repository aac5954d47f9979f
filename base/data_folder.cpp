#include "base/data_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <process.h>
#define QVR_GETPID _getpid
#else
#include <unistd.h>
#define QVR_GETPID getpid
#endif

namespace qvr {
namespace {

namespace fs = std::filesystem;

std::string WithSeparator(std::string dir) {
    if (dir.empty()) return dir;
    const char last = dir.back();
    if (last != '/' && last != static_cast<char>(fs::path::preferred_separator))
        dir += static_cast<char>(fs::path::preferred_separator);
    return dir;
}

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

DataFolder ChooseDataFolder(const std::string& requested, const std::string& programDir,
                            const std::string& perUserDir) {
    if (!requested.empty()) return {WithSeparator(requested), DataFolder::Origin::Requested};
    if (perUserDir.empty() || FolderIsWritable(programDir))
        return {WithSeparator(programDir), DataFolder::Origin::BesideProgram};
    return {WithSeparator(perUserDir), DataFolder::Origin::PerUser};
}

std::string PerUserDataFolder() {
#ifdef _WIN32
    const std::string appData = Env("APPDATA");
    if (appData.empty()) return {};
    return WithSeparator(WithSeparator(appData) + "qvr-monitor");
#else
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    const std::string xdg = Env("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return WithSeparator(WithSeparator(xdg) + "qvr-monitor");
    const std::string home = Env("HOME");
    if (home.empty()) return {};
    return WithSeparator(WithSeparator(home) + ".local/share/qvr-monitor");
#endif
}

bool FolderIsWritable(const std::string& dir) {
    if (dir.empty()) return false;
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path probe =
        PathOf(WithSeparator(dir) + ".qvr-write-test-" + std::to_string(QVR_GETPID()) + "-" +
               std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (!fs::is_directory(PathOf(dir), ec)) return false;
    {
        std::ofstream file(probe, std::ios::binary | std::ios::out | std::ios::trunc);
        if (!file) return false;
        file.put('x');
        file.flush();
        if (!file) {
            file.close();
            fs::remove(probe, ec);
            return false;
        }
    }
    fs::remove(probe, ec);
    return true;
}

bool MakeDataFolder(const std::string& dir, std::string& error) {
    std::error_code ec;
    const fs::path path = PathOf(dir);
    fs::create_directories(path, ec);
    if (fs::is_directory(path)) return true;
    error = ec ? ec.message() : std::string("not a folder");
    return false;
}

std::vector<std::string> CopyMissingDefaults(const std::string& defaultsDir,
                                             const std::string& dataDir,
                                             std::vector<std::string>& errors) {
    std::vector<std::string> copied;
    std::error_code ec;
    fs::directory_iterator it(PathOf(defaultsDir), ec);
    if (ec) return copied;
    for (const fs::directory_entry& entry : it) {
        std::error_code fileEc;
        if (!entry.is_regular_file(fileEc)) continue;
        const fs::path target = PathOf(WithSeparator(dataDir)) / entry.path().filename();
        // Anything of that name, even a broken link, is the operator's.
        if (fs::exists(fs::symlink_status(target, fileEc))) continue;
        // Copied under a temporary name and renamed, so that an interrupted
        // copy never leaves a half file that would count as the operator's.
        fs::path part = target;
        part += ".part";
        fs::copy_file(entry.path(), part, fs::copy_options::overwrite_existing, fileEc);
        if (!fileEc) fs::rename(part, target, fileEc);
        const std::u8string name = entry.path().filename().u8string();
        if (fileEc) {
            fs::remove(part, ec);
            errors.push_back(std::string(name.begin(), name.end()) + ": " + fileEc.message());
            continue;
        }
        copied.emplace_back(name.begin(), name.end());
    }
    std::sort(copied.begin(), copied.end());
    return copied;
}

} // namespace qvr
