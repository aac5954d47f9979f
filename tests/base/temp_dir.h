#pragma once

#include <filesystem>
#include <iterator>
#include <random>
#include <string>

namespace qvr::test {

// A path from UTF-8 text and back, the way the program hands paths around
// (on Windows a plain std::string would go through the ANSI code page).
inline std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// How many entries a folder (UTF-8 path) holds.
inline std::size_t FilesIn(const std::string& dir) {
    return static_cast<std::size_t>(std::distance(
        std::filesystem::directory_iterator(Utf8Path(dir)), std::filesystem::directory_iterator()));
}

// A fresh folder under the system's temporary folder, removed afterwards. The
// name may hold any characters (for example "計測 データ-").
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "qvr-test-") {
        namespace fs = std::filesystem;
        std::random_device random;
        const fs::path base = fs::temp_directory_path();
        do {
            path_ = base / Utf8Path(prefix + std::to_string(random()));
        } while (!fs::create_directory(path_));
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // UTF-8 paths, as the program passes them.
    std::string File(const std::string& name) const { return Dir() + name; }
    // With a trailing separator, as the executable's folder is given.
    std::string Dir() const {
        return Utf8Text(path_) + static_cast<char>(std::filesystem::path::preferred_separator);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace qvr::test
