#include "base/ini_file.h"

#include "base/number_text.h"
#include "base/text_file.h"

#include <optional>
#include <vector>

namespace qvr {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// One physical line of the file, its terminator kept so that untouched lines
// are written back byte for byte.
struct Line {
    std::string text;
    std::string ending;
};

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        Line line;
        if (end == std::string::npos) {
            line.text = bytes.substr(start);
            start = bytes.size();
        } else {
            std::size_t stop = end;
            if (stop > start && bytes[stop - 1] == '\r') --stop;
            line.text = bytes.substr(start, stop - start);
            line.ending = bytes.substr(stop, end + 1 - stop);
            start = end + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view key, std::string_view* value) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return false;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos || !SameName(Trim(t.substr(0, eq)), key)) return false;
    if (value) *value = Trim(t.substr(eq + 1));
    return true;
}

std::optional<std::string> Lookup(const std::string& path, std::string_view section,
                                  std::string_view key) {
    std::string bytes;
    try {
        if (!FileExists(path)) return std::nullopt;
        bytes = ReadFileBytes(path);
    } catch (const TextFileError&) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const Line& line : SplitLines(bytes)) {
        if (auto name = SectionName(line.text)) {
            inSection = SameName(*name, section);
            continue;
        }
        std::string_view value;
        if (inSection && IsKeyLine(line.text, key, &value)) return std::string(value);
    }
    return std::nullopt;
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    text = Trim(text);
    std::string_view hex;
    if (text.starts_with("$"))
        hex = text.substr(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        hex = text.substr(2);
    if (!hex.empty()) {
        unsigned long long v = 0;
        for (char c : hex) {
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0 || v > 0xFFFFFFFFull) return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
        }
        if (v > 0xFFFFFFFFull) return std::nullopt;
        return static_cast<int>(static_cast<unsigned>(v));
    }
    return ParseInteger(text);
}

} // namespace

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    return Lookup(path_, section, key).has_value();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& defaultValue) const {
    return Lookup(path_, section, key).value_or(defaultValue);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const auto text = Lookup(path_, section, key);
    if (!text) return defaultValue;
    return ParseProfileInteger(*text).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key,
                          double defaultValue) const {
    const auto text = Lookup(path_, section, key);
    if (!text) return defaultValue;
    return ParseNumber(*text).value_or(defaultValue);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string bytes;
    try {
        if (FileExists(path_)) bytes = ReadFileBytes(path_);
    } catch (const TextFileError& e) {
        throw IniFileError(e.what());
    }
    std::vector<Line> lines = SplitLines(bytes);
    // New lines take the file's own line ending, CR LF for a new file.
    std::string ending = "\r\n";
    for (const Line& line : lines)
        if (!line.ending.empty()) {
            ending = line.ending;
            break;
        }
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = 0; // after the last non-blank line of the section
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto name = SectionName(lines[i].text)) {
            if (inSection) break;
            inSection = SameName(*name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (IsKeyLine(lines[i].text, key, nullptr)) {
            lines[i].text = keyLine;
            done = true;
        } else if (!Trim(lines[i].text).empty()) {
            insertAt = i + 1;
        }
    }
    if (!done) {
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = ending;
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         Line{keyLine, ending});
        } else {
            lines.push_back(Line{"[" + std::string(section) + "]", ending});
            lines.push_back(Line{keyLine, ending});
        }
    }
    std::string out;
    out.reserve(bytes.size() + keyLine.size() + 8);
    for (const Line& line : lines)
        out += line.text + line.ending;
    try {
        ReplaceFileBytes(path_, out);
    } catch (const TextFileError& e) {
        throw IniFileError(e.what());
    }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, GeneralNumberText(value));
}

} // namespace qvr
