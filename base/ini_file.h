#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qvr {

// A key could not be written; the message names the file.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest profile or setpoint file the program reads or rewrites; the
// program's own files hold a few kilobytes.
inline constexpr std::size_t kMaxIniFileBytes = 1024 * 1024;

// A profile file's bytes in memory, looked up and changed with the rules of
// IniFile below, and put on disk whole. A UTF-8 byte-order mark at the start
// (some editors write one) is kept but is not part of the first line.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string bytes) : bytes_(std::move(bytes)) {}

    // The file's bytes, read once; no file (or no regular file) is an empty
    // text. Throws IniFileError naming the file when it cannot be read or is
    // larger than kMaxIniFileBytes.
    static IniText Read(const std::string& path);

    // The value of the first such key in a section of that name.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // Replaces the file whole through a temporary file beside it, so that a
    // failure leaves the old file (or none). Throws IniFileError naming it.
    void Write(const std::string& path) const;

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Profile-file access with the usual semantics: section and key names match
// without regard to ASCII letter case, blanks around names and values are
// ignored when reading, and a write replaces a present key in place, appends a
// missing key at the end of its section and a missing section at the end of
// the file, keeping every other byte of the file. Each call reads the file
// afresh; each write replaces the file through a temporary file. A file that
// cannot be read, or is larger than kMaxIniFileBytes, reads as missing and is
// not written.
class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& FileName() const { return path_; }

    bool ValueExists(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // A value that is not a decimal (or $/0x hexadecimal) integer gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Any integer other than 0 is true; a value that is not an integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // A value that is empty or not a number gives the default.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

    // Throw IniFileError when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // The value as general number text (15 significant digits).
    void WriteFloat(std::string_view section, std::string_view key, double value);

private:
    std::string path_;
};

} // namespace qvr
