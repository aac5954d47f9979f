#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qvr {

// A key could not be written; the message names the file.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Profile-file access with the usual semantics: section and key names match
// without regard to ASCII letter case, blanks around names and values are
// ignored when reading, and a write replaces a present key in place, appends a
// missing key at the end of its section and a missing section at the end of
// the file, keeping every other byte of the file. Each call reads the file
// afresh; each write replaces the file through a temporary file.
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
