#include "base/ini_file.h"

#include "base/number_text.h"
#include "base/text_file.h"

#include <optional>

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

// One physical line: its text [begin, end) without the line end, which runs
// to `next`. A CR before the LF belongs to the line end.
struct LineSpan {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Where the first line starts: after a byte-order mark, which is no text.
std::size_t FirstLine(std::string_view bytes) {
    return bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
}

// Calls `visit(span, text)` for each line until it returns false.
template <class Visit> void ForEachLine(std::string_view bytes, Visit visit) {
    for (std::size_t begin = FirstLine(bytes); begin < bytes.size();) {
        const std::size_t lf = bytes.find('\n', begin);
        LineSpan span{begin, bytes.size(), bytes.size()};
        if (lf != std::string_view::npos) {
            span.end = lf > begin && bytes[lf - 1] == '\r' ? lf - 1 : lf;
            span.next = lf + 1;
        }
        if (!visit(span, bytes.substr(span.begin, span.end - span.begin))) return;
        begin = span.next;
    }
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
    try {
        return IniText::Read(path).Value(section, key);
    } catch (const IniFileError&) {
        return std::nullopt;
    }
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

IniText IniText::Read(const std::string& path) {
    try {
        if (!FileExists(path)) return IniText();
        return IniText(ReadFileBytes(path, kMaxIniFileBytes));
    } catch (const TextFileError& e) {
        throw IniFileError(e.what());
    }
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
    std::optional<std::string> found;
    bool inSection = false;
    ForEachLine(bytes_, [&](const LineSpan&, std::string_view text) {
        if (auto name = SectionName(text)) {
            inSection = SameName(*name, section);
            return true;
        }
        std::string_view value;
        if (inSection && IsKeyLine(text, key, &value)) found = std::string(value);
        return !found;
    });
    return found;
}

void IniText::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    const std::size_t first = FirstLine(bytes_);
    // New lines take the file's own line ending, CR LF for a new file.
    std::string ending = "\r\n";
    const std::size_t lf = bytes_.find('\n', first);
    if (lf != std::string::npos && !(lf > first && bytes_[lf - 1] == '\r')) ending = "\n";

    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = 0; // after the last non-blank line of the section
    std::optional<LineSpan> keyAt;
    ForEachLine(bytes_, [&](const LineSpan& span, std::string_view text) {
        if (auto name = SectionName(text)) {
            if (inSection) return false;
            inSection = SameName(*name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = span.next;
            }
            return true;
        }
        if (!inSection) return true;
        if (IsKeyLine(text, key, nullptr)) {
            keyAt = span;
            return false;
        }
        if (!Trim(text).empty()) insertAt = span.next;
        return true;
    });
    if (keyAt) {
        bytes_.replace(keyAt->begin, keyAt->end - keyAt->begin, keyLine);
        return;
    }
    // A last line without its line end gets one before anything follows it.
    if (bytes_.size() > first && bytes_.back() != '\n') {
        if (insertAt == bytes_.size()) insertAt += ending.size();
        bytes_ += ending;
    }
    if (sectionFound)
        bytes_.insert(insertAt, keyLine + ending);
    else
        bytes_ += "[" + std::string(section) + "]" + ending + keyLine + ending;
}

void IniText::Write(const std::string& path) const {
    try {
        ReplaceFileBytes(path, bytes_);
    } catch (const TextFileError& e) {
        throw IniFileError(e.what());
    }
}

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
    IniText text = IniText::Read(path_);
    text.SetValue(section, key, value);
    text.Write(path_);
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
