// Profile files as other programs and editors leave them: every read gives a
// value or the default, and a write makes the key read back while keeping
// every other line of the file byte for byte.
#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "fuzz/fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <vector>

namespace {

// A name a caller would use: letters, digits and "_" (never empty).
std::string Name(FuzzedDataProvider& in) {
    std::string name;
    for (char c : in.ConsumeRandomLengthString(12))
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')
            name += c;
    return name.empty() ? "K" : name;
}

// A value without line breaks or blanks at its ends, as a write stores it.
std::string Value(FuzzedDataProvider& in) {
    std::string value;
    for (char c : in.ConsumeRandomLengthString(24))
        if (c != '\r' && c != '\n') value += c;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.erase(0, 1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    return value;
}

// Physical lines without their "\n"; a CR before it stays with the line.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string WithoutCr(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The old lines survive in order in the new file; besides them there is the
// key line, in place of one old line, inserted, or appended after its section line.
// A byte-order mark at the start is no part of the first line and stays first.
void CheckKeptLines(std::string oldBytes, std::string newBytes, const std::string& keyLine,
                    const std::string& section) {
    static const std::string bom = "\xEF\xBB\xBF";
    if (oldBytes.starts_with(bom)) {
        FUZZ_CHECK(newBytes.starts_with(bom), "a write dropped the byte-order mark");
        oldBytes.erase(0, bom.size());
        newBytes.erase(0, bom.size());
    }
    const auto before = Lines(oldBytes);
    const auto after = Lines(newBytes);
    // The last old line may gain the line end it lacked.
    const auto same = [&](std::size_t i, const std::string& line) {
        return line == before[i] || (i + 1 == before.size() && !oldBytes.ends_with('\n') &&
                                     WithoutCr(line) == before[i]);
    };
    const auto isKeyLine = [&](const std::string& line) { return WithoutCr(line) == keyLine; };
    bool ok = false;
    if (after.size() == before.size()) {
        std::size_t changed = 0;
        for (std::size_t i = 0; i < before.size(); ++i)
            if (!same(i, after[i])) changed += isKeyLine(after[i]) ? 1 : 2;
        ok = changed <= 1;
    } else if (after.size() == before.size() + 1) {
        for (std::size_t k = 0; k < after.size() && !ok; ++k) {
            if (!isKeyLine(after[k])) continue;
            ok = true;
            for (std::size_t i = 0; i < before.size() && ok; ++i)
                ok = same(i, after[i < k ? i : i + 1]);
        }
    } else if (after.size() == before.size() + 2) {
        ok = WithoutCr(after[before.size()]) == "[" + section + "]" && isKeyLine(after.back());
        for (std::size_t i = 0; i < before.size() && ok; ++i)
            ok = same(i, after[i]);
    }
    FUZZ_CHECK(ok, "a write did more than put in its key line: " + qvr::fuzz::Printable(newBytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = Name(in);
    const std::string key = Name(in);
    const std::string value = Value(in);
    const double number = in.ConsumeFloatingPoint<double>();
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const std::string& path = qvr::fuzz::ScratchFile();
    qvr::ReplaceFileBytes(path, bytes);

    qvr::IniFile ini(path);
    const bool exists = ini.ValueExists(section, key);
    const std::string read = ini.ReadString(section, key, "\x01");
    FUZZ_CHECK(exists || read == "\x01", "ReadString found a key ValueExists does not");
    const double f = ini.ReadFloat(section, key, 7.5);
    FUZZ_CHECK(std::isfinite(f), "ReadFloat gave a non-finite value");
    ini.ReadInteger(section, key, 3);
    ini.ReadBool(section, key, true);

    ini.WriteString(section, key, value);
    const std::string written = qvr::ReadFileBytes(path);
    FUZZ_CHECK(ini.ReadString(section, key, "\x01") == value,
               "wrote " + qvr::fuzz::Printable(value) + ", read " +
                   qvr::fuzz::Printable(ini.ReadString(section, key, "\x01")));
    CheckKeptLines(bytes, written, key + "=" + value, section);

    if (std::isfinite(number)) {
        ini.WriteFloat(section, key, number);
        const double back = ini.ReadFloat(section, key, NAN);
        FUZZ_CHECK(qvr::GeneralNumberText(back) == qvr::GeneralNumberText(number),
                   "WriteFloat " + qvr::GeneralNumberText(number) + " read back as " +
                       qvr::GeneralNumberText(back));
    }
    return 0;
}
