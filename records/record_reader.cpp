#include "records/record_reader.h"

#include "base/text_file.h"
#include "records/record_channels.h"
#include "records/record_texts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numeric>

namespace qvr {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Our rows are at most a few hundred bytes; a longer line is not ours.
constexpr std::size_t kMaxLine = 8192;
// About a year and a half of second rows: enough for any view, and a bound
// on memory for a file that is huge.
constexpr std::size_t kMaxRows = 50'000'000;
constexpr std::size_t kFirstRead = 64 * 1024;
// "時刻" in CP932, the first cell of a heading line.
constexpr std::string_view kTimeHeading = "\x8e\x9e\x8d\x8f";

int Digits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned d = static_cast<unsigned char>(p[i]) - '0';
        if (d > 9) return -1;
        v = v * 10 + static_cast<int>(d);
    }
    return v;
}

// "-?digits[.digits]" with 1 to 15 digits, the text the recorder writes:
// mantissa over a power of ten, both exact, so correctly rounded. The end of
// the number, or null when the text does not start with one. Kept inline in
// the row loop: a call per cell costs a few percent of a day's read.
[[gnu::always_inline]] inline const char* PlainDecimal(const char* p, const char* end, float& out) {
    static constexpr double kPow10[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = p < end && *p == '-';
    const char* q = p + (negative ? 1 : 0);
    std::uint64_t mantissa = 0;
    const char* digitsFrom = q;
    for (; q < end && static_cast<unsigned>(*q - '0') <= 9; ++q)
        mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    long digits = q - digitsFrom;
    long fraction = 0;
    if (q < end && *q == '.') {
        const char* f = ++q;
        for (; q < end && static_cast<unsigned>(*q - '0') <= 9; ++q)
            mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
        fraction = q - f;
        digits += fraction;
    }
    if (digits <= 0 || digits > 15) return nullptr;
    const double v = static_cast<double>(mantissa) / kPow10[fraction];
    out = static_cast<float>(negative ? -v : v);
    return q;
}

// A cell of general number text or "%1.3f": plain decimals take the exact
// path; exponents and long mantissas go through from_chars. NAN and INF,
// written for readings that were not numbers, are kept as gaps.
bool ParseCell(std::string_view s, float& out) {
    const char* const end = s.data() + s.size();
    float plain = 0;
    if (!s.empty() && PlainDecimal(s.data(), end, plain) == end) {
        out = plain;
        return true;
    }
    if (s == "NAN" || s == "INF" || s == "-INF") {
        out = kNaN;
        return true;
    }
    double v = 0;
    const auto res = std::from_chars(s.data(), end, v);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(v)) return false;
    // Beyond single precision: not a reading the program could have written.
    if (std::fabs(v) > std::numeric_limits<float>::max()) return false;
    out = static_cast<float>(v);
    return true;
}

// The common cell, a plain decimal and its comma, read in the one pass that
// finds its end: the start of the next cell, or null for any other text.
const char* PlainCell(const char* p, const char* end, float& out) {
    const char* q = PlainDecimal(p, end, out);
    return q && q < end && *q == ',' ? q + 1 : nullptr;
}

void SortByTime(RecordData& d) {
    if (std::is_sorted(d.Time.begin(), d.Time.end())) return;
    std::vector<std::size_t> order(d.Rows());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return d.Time[a] < d.Time[b]; });
    auto apply = [&order](auto& v) {
        if (v.empty()) return;
        std::remove_reference_t<decltype(v)> sorted;
        sorted.reserve(v.size());
        for (std::size_t i : order)
            sorted.push_back(v[i]);
        v.swap(sorted);
    };
    apply(d.Time);
    apply(d.Kind);
    for (RecordColumn& c : d.Columns) {
        apply(c.Avg);
        apply(c.Max);
        apply(c.Min);
    }
}

} // namespace

int RecordData::Find(std::string_view name) const {
    for (std::size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i].Name == name) return static_cast<int>(i);
    return -1;
}

RecordParser::RecordParser() {
    std::fill(std::begin(minuteColumns_), std::end(minuteColumns_), -1);
    std::fill(std::begin(secondColumns_), std::end(secondColumns_), -1);
    cells_.reserve(3 * kRecordChannelCount);
}

void RecordParser::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto* nl = static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        const std::size_t n = nl ? static_cast<std::size_t>(nl - bytes.data()) : bytes.size();
        if (!nl) {
            // Keep the start of a line that continues in the next chunk.
            if (!overlong_ && pending_.size() + n <= kMaxLine) {
                pending_.append(bytes.data(), n);
            } else {
                overlong_ = true;
                pending_.clear();
            }
            return;
        }
        if (overlong_ || pending_.size() + n > kMaxLine) {
            ++data_.SkippedLines;
        } else if (pending_.empty()) {
            Line(bytes.substr(0, n));
        } else {
            pending_.append(bytes.data(), n);
            Line(pending_);
        }
        pending_.clear();
        overlong_ = false;
        bytes.remove_prefix(n + 1);
    }
}

void RecordParser::Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool nameLine = !line.empty() && line[0] == ',' && !lastWasNameLine_;
    lastWasNameLine_ = nameLine;
    if (line.empty()) return;
    if (data_.Rows() >= kMaxRows) {
        ++data_.SkippedLines;
        return;
    }
    if (line[0] == ',' || line.starts_with(kTimeHeading)) {
        ++data_.HeadingLines;
        if (nameLine) {
            // The exports name their columns here; the unit line follows.
            sampleNames_.clear();
            sampleColumns_.clear();
            std::size_t from = 1;
            while (from < line.size()) {
                const std::size_t comma = std::min(line.find(',', from), line.size());
                if (comma > from)
                    sampleNames_.push_back(Cp932ToUtf8(line.substr(from, comma - from)));
                from = comma + 1;
            }
        }
        return;
    }
    if (!Row(line)) ++data_.SkippedLines;
}

int RecordParser::Column(const std::string& name) {
    const int found = data_.Find(name);
    if (found >= 0) return found;
    RecordColumn c;
    c.Name = name;
    c.Avg.reserve(std::max(reserved_, data_.Rows() + 1));
    c.Avg.assign(data_.Rows(), kNaN);
    data_.Columns.push_back(std::move(c));
    return static_cast<int>(data_.Columns.size()) - 1;
}

void RecordParser::Push(int column, float avg, float max, float min, bool band) {
    RecordColumn& c = data_.Columns[static_cast<std::size_t>(column)];
    // A heading that names a channel twice: the row's first cell for it counts.
    if (c.Avg.size() > data_.Rows()) return;
    c.Avg.push_back(avg);
    if (!band) return;
    if (c.Max.empty()) {
        c.Max.assign(data_.Rows(), kNaN);
        c.Min.assign(data_.Rows(), kNaN);
    }
    c.Max.push_back(max);
    c.Min.push_back(min);
}

bool RecordParser::Row(std::string_view line) {
    // yyyy/mm/dd hh:nn, then ",", ".ss," or ":ss,".
    if (line.size() < 17 || line[4] != '/' || line[7] != '/' || line[10] != ' ' || line[13] != ':')
        return false;
    const char* p = line.data();
    const int hour = Digits(p + 11, 2), minute = Digits(p + 14, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return false;
    int second = 0;
    std::size_t rest = 16;
    RecordRowKind kind = RecordRowKind::Minute;
    if (line[16] == '.' || line[16] == ':') {
        second = line.size() > 19 ? Digits(p + 17, 2) : -1;
        if (second < 0 || second > 59) return false;
        kind = line[16] == '.' ? RecordRowKind::Second : RecordRowKind::Sample;
        rest = 19;
    }
    if (line.size() <= rest || line[rest] != ',' || line.back() != ',') return false;
    if (std::memcmp(p, lastDate_, 10) != 0) {
        const int year = Digits(p, 4), month = Digits(p + 5, 2), day = Digits(p + 8, 2);
        if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31) return false;
        const TDateTime date = EncodeDateTime({year, month, day, 0, 0, 0, 0});
        const DateTimeParts back = DecodeDateTime(date);
        if (back.year != year || back.month != month || back.day != day) return false; // 2024/02/30
        std::memcpy(lastDate_, p, 10);
        lastDay_ = date;
    }
    cells_.clear();
    const char* const end = p + line.size();
    for (const char* from = p + rest + 1; from < end;) {
        float v;
        const char* next = PlainCell(from, end, v);
        if (!next) {
            // Not plain decimals: the general path, which also knows NAN.
            const auto* comma = static_cast<const char*>(std::memchr(from, ',', end - from));
            if (!ParseCell(std::string_view(from, static_cast<std::size_t>(comma - from)), v))
                return false;
            next = comma + 1;
        }
        cells_.push_back(v);
        from = next;
    }
    const std::size_t n = cells_.size();
    const std::size_t rows = data_.Rows();
    switch (kind) {
    case RecordRowKind::Minute: {
        if (n == 0 || n % 3 != 0 || n / 3 > kRecordChannelCount) return false;
        for (std::size_t j = 0; j < n / 3; ++j) {
            int& col = minuteColumns_[j];
            if (col < 0) col = Column(RecordChannels[j].Name);
            Push(col, cells_[3 * j], cells_[3 * j + 1], cells_[3 * j + 2], true);
        }
        break;
    }
    case RecordRowKind::Second:
        if (n != 2) return false;
        for (std::size_t j = 0; j < 2; ++j) {
            if (secondColumns_[j] < 0) secondColumns_[j] = Column(RecordChannels[j].Name);
            Push(secondColumns_[j], cells_[j], 0, 0, false);
        }
        break;
    case RecordRowKind::Sample:
        if (n == 0 || n != sampleNames_.size()) return false;
        if (sampleColumns_.empty())
            for (const std::string& name : sampleNames_)
                sampleColumns_.push_back(Column(name));
        for (std::size_t j = 0; j < n; ++j)
            Push(sampleColumns_[j], cells_[j], 0, 0, false);
        break;
    }
    // Channels this row does not carry get a gap.
    for (RecordColumn& c : data_.Columns) {
        if (c.Avg.size() == rows) c.Avg.push_back(kNaN);
        if (!c.Max.empty() && c.Max.size() == rows) {
            c.Max.push_back(kNaN);
            c.Min.push_back(kNaN);
        }
    }
    data_.Time.push_back(lastDay_ + (hour * 3600 + minute * 60 + second) / 86400.0);
    data_.Kind.push_back(kind);
    return true;
}

void RecordParser::Reserve(std::size_t rows) {
    reserved_ = std::min(rows, kMaxRows);
    data_.Time.reserve(reserved_);
    data_.Kind.reserve(reserved_);
    for (RecordColumn& c : data_.Columns)
        c.Avg.reserve(reserved_);
}

RecordData RecordParser::Finish() {
    if (!pending_.empty() || overlong_) ++data_.SkippedLines; // a torn last row
    pending_.clear();
    overlong_ = false;
    if (data_.Rows() >= kMaxRows)
        data_.Errors.push_back(std::string(record_text::kTooManyBefore) + std::to_string(kMaxRows) +
                               record_text::kTooManyAfter);
    if (data_.Rows() == 0) {
        if (data_.SkippedLines == 0 && data_.HeadingLines == 0)
            data_.Errors.push_back(record_text::kEmpty);
        else
            data_.Errors.push_back(record_text::kNoRows + std::to_string(data_.SkippedLines) +
                                   record_text::kClose);
    }
    SortByTime(data_);
    RecordData out = std::move(data_);
    data_ = RecordData();
    return out;
}

RecordData ReadRecordBytes(std::string_view bytes) {
    RecordParser parser;
    parser.Feed(bytes);
    return parser.Finish();
}

RecordData ReadRecordFile(const std::string& path, const RecordProgress& progress) {
    RecordData failed;
    // Only a regular file can hold records: opening a named pipe waits for a
    // writer that may never come, and a device such as /dev/zero never ends.
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(path), error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        failed.Errors.push_back(path + record_text::kNotRegular);
        return failed;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        failed.Errors.push_back(path + record_text::kCannotOpen + std::strerror(errno) +
                                record_text::kClose);
        return failed;
    }
    std::uint64_t total = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long end = std::ftell(f);
        total = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        std::fseek(f, 0, SEEK_SET);
    }
    RecordParser parser;
    std::vector<char> chunk(1 << 20);
    std::uint64_t done = 0;
    std::string stop;
    for (;;) {
        // A first small read tells the rows' length; then the columns get
        // room for the whole file at once instead of growing by copies.
        const std::size_t want = done == 0 ? kFirstRead : chunk.size();
        const std::size_t n = std::fread(chunk.data(), 1, want, f);
        parser.Feed(std::string_view(chunk.data(), n));
        done += n;
        if (done == n && n == want && total > done) {
            // Only rows count: lines that are not (a binary file) reserve nothing.
            parser.Reserve(static_cast<std::size_t>(static_cast<double>(parser.Peek().Rows()) *
                                                    static_cast<double>(total) /
                                                    static_cast<double>(done) * 1.05));
        }
        if (n < want) {
            if (std::ferror(f))
                stop = path + record_text::kReadFailed + std::strerror(errno) + record_text::kClose;
            break;
        }
        if (progress && !progress(done, std::max(total, done))) {
            stop = path + record_text::kStopped;
            break;
        }
    }
    std::fclose(f);
    RecordData data = parser.Finish();
    if (!stop.empty()) {
        // What was read stays; the message says why the rest is missing, in
        // place of the parser's word that it found no rows.
        std::erase_if(data.Errors, [](const std::string& e) {
            return e == record_text::kEmpty || e.starts_with(record_text::kNoRows);
        });
        data.Errors.insert(data.Errors.begin(), stop);
    } else {
        for (std::string& e : data.Errors)
            e = path + ": " + e;
    }
    return data;
}

void MergeRecordData(RecordData& into, RecordData&& more) {
    if (into.Rows() == 0 && into.Columns.empty()) {
        more.SkippedLines += into.SkippedLines;
        more.HeadingLines += into.HeadingLines;
        more.Errors.insert(more.Errors.begin(), into.Errors.begin(), into.Errors.end());
        into = std::move(more);
        return;
    }
    const std::size_t a = into.Rows(), b = more.Rows();
    auto extend = [](std::vector<float>& v, std::size_t from, std::size_t count,
                     const std::vector<float>* source) {
        v.resize(from, kNaN);
        if (source && !source->empty())
            v.insert(v.end(), source->begin(), source->end());
        else
            v.resize(from + count, kNaN);
    };
    for (RecordColumn& c : more.Columns)
        if (into.Find(c.Name) < 0) into.Columns.push_back({c.Name, {}, {}, {}});
    for (RecordColumn& c : into.Columns) {
        const int m = more.Find(c.Name);
        const RecordColumn* src = m >= 0 ? &more.Columns[static_cast<std::size_t>(m)] : nullptr;
        extend(c.Avg, a, b, src ? &src->Avg : nullptr);
        const bool band = !c.Max.empty() || (src && !src->Max.empty());
        if (band) {
            extend(c.Max, a, b, src ? &src->Max : nullptr);
            extend(c.Min, a, b, src ? &src->Min : nullptr);
        }
    }
    into.Time.insert(into.Time.end(), more.Time.begin(), more.Time.end());
    into.Kind.insert(into.Kind.end(), more.Kind.begin(), more.Kind.end());
    into.SkippedLines += more.SkippedLines;
    into.HeadingLines += more.HeadingLines;
    into.Errors.insert(into.Errors.end(), more.Errors.begin(), more.Errors.end());
    SortByTime(into);
}

TDateTime RecordFileDate(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
    if (fileName.size() < 11 || !fileName.starts_with("RT_")) return 0;
    const int year = Digits(fileName.data() + 3, 4), month = Digits(fileName.data() + 7, 2),
              day = Digits(fileName.data() + 9, 2);
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    const TDateTime date = EncodeDateTime({year, month, day, 0, 0, 0, 0});
    const DateTimeParts back = DecodeDateTime(date);
    return back.year == year && back.month == month && back.day == day ? date : 0;
}

} // namespace qvr
