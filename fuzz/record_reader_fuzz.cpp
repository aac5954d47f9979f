// The record-file reader, fed a file in random chunks: never more rows than
// lines, every channel as long as the time column, and the same result as
// reading the file whole (a row split between two reads is still one row).
#include "fuzz/fuzz_check.h"
#include "records/record_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool SameFloats(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvr;
    if (size < 1) return 0;
    // The first byte picks the chunk sizes; the rest is the file.
    const unsigned seed = data[0];
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

    const RecordData whole = ReadRecordBytes(file);
    RecordParser parser;
    std::size_t at = 0;
    unsigned step = seed | 1u;
    while (at < file.size()) {
        step = step * 1103515245u + 12345u;
        const std::size_t n = std::min<std::size_t>(file.size() - at, 1 + (step >> 16) % 97);
        parser.Feed(file.substr(at, n));
        at += n;
    }
    const RecordData chunked = parser.Finish();

    const std::size_t lines = static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n'));
    FUZZ_CHECK(whole.Rows() <= lines, "more rows than lines");
    FUZZ_CHECK(whole.Kind.size() == whole.Rows(), "a row without its kind");
    for (const RecordColumn& c : whole.Columns) {
        FUZZ_CHECK(c.Avg.size() == whole.Rows(), "a channel shorter or longer than the rows");
        FUZZ_CHECK(c.Max.empty() || c.Max.size() == whole.Rows(), "a band of another length");
        FUZZ_CHECK(c.Min.size() == c.Max.size(), "maximum and minimum of different lengths");
    }
    for (const TDateTime t : whole.Time)
        FUZZ_CHECK(std::isfinite(t), "a row time that is not a number");
    // A cell is shown as a text that reads back as its value.
    for (const RecordColumn& c : whole.Columns)
        for (int what = 0; what < (c.Max.empty() ? 1 : 3); ++what)
            for (std::size_t r = 0; r < whole.Rows(); ++r) {
                const float v = c.Values(what)[r];
                if (!std::isfinite(v)) continue;
                const std::string text = CellText(c, what, r);
                FUZZ_CHECK(static_cast<float>(std::strtod(text.c_str(), nullptr)) == v,
                           "a cell shown as " + text + " in " + c.Name);
            }

    FUZZ_CHECK(chunked.Time == whole.Time, "chunked reading gave other rows");
    FUZZ_CHECK(chunked.SkippedLines == whole.SkippedLines, "chunked reading skipped other lines");
    FUZZ_CHECK(chunked.Columns.size() == whole.Columns.size(),
               "chunked reading gave other channels");
    for (std::size_t i = 0; i < whole.Columns.size(); ++i) {
        const RecordColumn& a = whole.Columns[i];
        const RecordColumn& b = chunked.Columns[i];
        FUZZ_CHECK(a.Name == b.Name && SameFloats(a.Avg, b.Avg) && SameFloats(a.Max, b.Max) &&
                       SameFloats(a.Min, b.Min),
                   "chunked reading gave other values in " + a.Name);
    }
    return 0;
}
