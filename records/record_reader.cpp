#include "records/record_reader.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/sample_fields.h"
#include "records/record_channels.h"
#include "records/record_texts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <sys/stat.h>
#include <thread>

namespace qvr {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Our rows are at most a few hundred bytes, an export's heading of many
// columns a few megabytes; a longer line (a binary file) is not ours.
constexpr std::size_t kMaxLine = 16 << 20;
// Rows are paid for from the budget in parts of this size.
constexpr std::size_t kCharge = 256 * 1024;
constexpr std::size_t kFirstRead = 64 * 1024;
// A stop is looked at between chunks: a quarter megabyte parses in a few
// milliseconds, so a closed window does not wait for the reader.
constexpr std::size_t kChunk = 256 << 10;
constexpr int kGap = -3; // a cell's decimals: the row has no value there
// The band columns of the viewer's CSV export.
constexpr std::string_view kMaxSuffix = "(最大)";
constexpr std::string_view kMinSuffix = "(最小)";
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
// `decimals` is the number of decimals when the float gives the text back
// (at most six significant digits, no leading zero), else -1: ask
// TextDecimals.
[[gnu::always_inline]] inline const char* PlainDecimal(const char* p, const char* end, float& out,
                                                       int& decimals) {
    static constexpr double kPow10[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = p < end && *p == '-';
    const char* q = p + (negative ? 1 : 0);
    std::uint64_t mantissa = 0;
    const char* digitsFrom = q;
    for (; q < end && static_cast<unsigned>(*q - '0') <= 9; ++q)
        mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    long digits = q - digitsFrom;
    const bool canonical = digits == 1 || (digits > 1 && *digitsFrom != '0');
    long fraction = 0;
    bool point = false;
    if (q < end && *q == '.') {
        point = true;
        const char* f = ++q;
        for (; q < end && static_cast<unsigned>(*q - '0') <= 9; ++q)
            mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
        fraction = q - f;
        digits += fraction;
    }
    if (digits <= 0 || digits > 15) return nullptr;
    const double v = static_cast<double>(mantissa) / kPow10[fraction];
    out = static_cast<float>(negative ? -v : v);
    decimals = canonical && (!point || fraction > 0) && mantissa < 1000000
                   ? static_cast<int>(fraction)
                   : -1;
    return q;
}

// The decimals of a plain decimal text that the value, printed with that
// many decimals, gives back exactly; else CellDigits::kText.
int TextDecimals(std::string_view text, float value) {
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string_view::npos ? 0 : text.size() - point - 1;
    if (decimals > 40 || !std::isfinite(value)) return CellDigits::kText;
    char buf[96];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value),
                                   std::chars_format::fixed, static_cast<int>(decimals));
    if (res.ec != std::errc()) return CellDigits::kText;
    return std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)) == text
               ? static_cast<int>(decimals)
               : CellDigits::kText;
}

// A cell of general number text or "%1.3f": plain decimals take the exact
// path; exponents and long mantissas go through from_chars. NAN and INF,
// written for readings that were not numbers, are kept as gaps.
bool ParseCell(std::string_view s, float& out, int& decimals) {
    const char* const end = s.data() + s.size();
    float plain = 0;
    if (!s.empty() && PlainDecimal(s.data(), end, plain, decimals) == end) {
        out = plain;
        if (decimals < 0) decimals = TextDecimals(s, plain);
        return true;
    }
    decimals = CellDigits::kText;
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
    decimals = TextDecimals(s, out);
    return true;
}

// The common cell, a plain decimal and its comma, read in the one pass that
// finds its end: the start of the next cell, or null for any other text.
const char* PlainCell(const char* p, const char* end, float& out, int& decimals) {
    const char* q = PlainDecimal(p, end, out, decimals);
    return q && q < end && *q == ',' ? q + 1 : nullptr;
}

std::vector<std::size_t> TimeOrder(const RecordData& d) {
    std::vector<std::size_t> order(d.Rows());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return d.Time[a] < d.Time[b]; });
    return order;
}

void SortByTime(RecordData& d) {
    if (std::is_sorted(d.Time.begin(), d.Time.end())) return;
    const std::vector<std::size_t> order = TimeOrder(d);
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
        c.AvgDigits.Reorder(order);
        c.MaxDigits.Reorder(order);
        c.MinDigits.Reorder(order);
    }
}

std::uint64_t FileSize(std::FILE* f) {
    struct stat st {};
    return fstat(fileno(f), &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size)
                                                        : 0;
}

} // namespace

int RecordData::Find(std::string_view name) const {
    for (std::size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i].Name == name) return static_cast<int>(i);
    return -1;
}

std::size_t RecordData::Bytes() const {
    std::size_t n = Time.size() * (sizeof(TDateTime) + sizeof(RecordRowKind));
    for (const RecordColumn& c : Columns)
        n += (c.Avg.size() + c.Max.size() + c.Min.size()) * sizeof(float) + c.AvgDigits.Bytes() +
             c.MaxDigits.Bytes() + c.MinDigits.Bytes() + c.Name.size();
    return n;
}

// --- Cell digits -----------------------------------------------------------------

int CellDigits::Decimals(std::size_t row) const {
    if (row < rows_.size()) return rows_[row];
    return uniform_ == kNone ? kText : uniform_;
}

std::string_view CellDigits::Text(std::size_t row) const {
    const auto it = std::lower_bound(texts_.begin(), texts_.end(), row,
                                     [](const auto& t, std::size_t r) { return t.first < r; });
    return it != texts_.end() && it->first == row ? std::string_view(it->second)
                                                  : std::string_view();
}

void CellDigits::Add(std::size_t row, int decimals) {
    if (rows_.empty()) {
        if (uniform_ == kNone) uniform_ = decimals;
        if (decimals == uniform_) return;
    }
    rows_.resize(row, static_cast<std::int8_t>(uniform_));
    rows_.push_back(static_cast<std::int8_t>(decimals));
}

void CellDigits::AddText(std::size_t row, std::string_view text) {
    Add(row, kText);
    texts_.emplace_back(row, std::string(text));
}

void CellDigits::Reorder(const std::vector<std::size_t>& order) {
    if (!rows_.empty()) {
        rows_.resize(order.size(), static_cast<std::int8_t>(uniform_));
        std::vector<std::int8_t> sorted(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            sorted[i] = rows_[order[i]];
        rows_.swap(sorted);
    }
    if (!texts_.empty()) {
        std::vector<std::size_t> to(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            to[order[i]] = i;
        for (auto& t : texts_)
            t.first = to[t.first];
        std::sort(texts_.begin(), texts_.end());
    }
}

void CellDigits::Append(std::size_t rows, const CellDigits& more, std::size_t count) {
    const bool same = rows_.empty() && more.rows_.empty() &&
                      (uniform_ == more.uniform_ || more.uniform_ == kNone);
    if (same) {
        // Nothing per row on either side, and the decimals agree.
    } else if (rows_.empty() && uniform_ == kNone && more.rows_.empty()) {
        uniform_ = more.uniform_;
    } else {
        rows_.resize(rows, static_cast<std::int8_t>(uniform_));
        for (std::size_t i = 0; i < count; ++i)
            rows_.push_back(static_cast<std::int8_t>(more.Decimals(i)));
    }
    for (const auto& t : more.texts_)
        texts_.emplace_back(rows + t.first, t.second);
}

std::size_t CellDigits::Bytes() const {
    std::size_t n = rows_.size();
    for (const auto& t : texts_)
        n += sizeof t + t.second.size();
    return n;
}

std::string DecimalText(double value, int decimals) {
    if (!std::isfinite(value)) return GeneralNumberText(value);
    decimals = std::clamp(decimals, 0, 20);
    char buf[384];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string out(buf, static_cast<std::size_t>(res.ptr - buf));
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

std::string CellText(const RecordColumn& column, int what, std::size_t row) {
    const std::vector<float>& values = column.Values(what);
    if (row >= values.size()) return {};
    const CellDigits& digits = column.Digits(what);
    const int decimals = digits.Decimals(row);
    if (decimals == CellDigits::kText) return std::string(digits.Text(row));
    const float v = values[row];
    if (!std::isfinite(v)) return {};
    char buf[96];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v),
                                   std::chars_format::fixed, decimals);
    return std::string(buf, static_cast<std::size_t>(res.ptr - buf));
}

int ChannelDecimals(std::string_view name) {
    for (std::string_view suffix : {kMaxSuffix, kMinSuffix})
        if (name.size() > suffix.size() && name.ends_with(suffix))
            name.remove_suffix(suffix.size());
    // The exports' own names for the sensor's fields.
    if (name == "風向") name = "WD";
    if (name == "気温") name = "気温（高精度）";
    if (name == "風速(RAW)") name = "風速（生値）";
    for (const SampleFieldInfo& f : SampleFields) {
        if (!f.RecordCaption || name != f.RecordCaption) continue;
        if (f.Int) return 0;
        const char* dot = std::strchr(f.ListFormat, '.');
        return dot ? std::atoi(dot + 1) : 3;
    }
    return 3;
}

bool RecordBudget::Take(std::uint64_t bytes) {
    std::uint64_t used = used_.load();
    do {
        if (bytes > limit_ || used > limit_ - bytes) return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    return true;
}

// --- Parser ------------------------------------------------------------------------

RecordParser::RecordParser(RecordBudget* budget) : budget_(budget) {
    if (!budget_) {
        ownBudget_ = std::make_unique<RecordBudget>();
        budget_ = ownBudget_.get();
    }
    std::fill(std::begin(minuteColumns_), std::end(minuteColumns_), -1);
    std::fill(std::begin(secondColumns_), std::end(secondColumns_), -1);
    cells_.reserve(3 * kRecordChannelCount);
}

void RecordParser::Charge(std::size_t bytes) {
    unpaid_ += bytes;
    if (unpaid_ < kCharge) return;
    if (!budget_->Take(unpaid_)) overBudget_ = true;
    unpaid_ = 0;
}

void RecordParser::Feed(std::string_view bytes) {
    while (!bytes.empty() && !overBudget_) {
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
        ++lines_;
        pending_.clear();
        overlong_ = false;
        bytes.remove_prefix(n + 1);
    }
}

void RecordParser::NameColumns(std::vector<std::string> names, bool named) {
    sampleNames_ = std::move(names);
    named_ = named;
    namedColumns_.clear();
}

void RecordParser::Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool nameLine = !line.empty() && line[0] == ',' && !lastWasNameLine_;
    lastWasNameLine_ = nameLine;
    if (line.empty()) return;
    const bool timeHeading = line.starts_with(kTimeHeading);
    if (line[0] == ',' || timeHeading) {
        ++data_.HeadingLines;
        if (!nameLine && !timeHeading) return; // the exports' unit line
        // The exports name every column here (the minute files leave the
        // band's cells empty); the viewer's older export in a line "時刻,...".
        std::vector<std::string> names;
        bool blank = false;
        std::size_t from = timeHeading ? kTimeHeading.size() + 1 : 1;
        if (timeHeading && (line.size() < from || line[from - 1] != ',')) return;
        while (from < line.size()) {
            const std::size_t comma = std::min(line.find(',', from), line.size());
            if (comma > from)
                names.push_back(Cp932ToUtf8(line.substr(from, comma - from)));
            else if (comma + 1 < line.size())
                blank = true;
            from = comma + 1;
        }
        if (timeHeading) {
            // The minute files' "時刻,Avg,Max,Min" and the second files' heading
            // are not names of columns.
            const bool ours = names.empty() || names[0] == "Avg" ||
                              (names.size() == 2 && names[0] == RecordChannels[0].Name &&
                               names[1] == RecordChannels[1].Name);
            if (!ours)
                NameColumns(std::move(names), true);
            else
                named_ = false;
            return;
        }
        const bool named = !blank && !names.empty();
        NameColumns(std::move(names), named);
        return;
    }
    if (!Row(line)) ++data_.SkippedLines;
}

int RecordParser::Column(const std::string& name) {
    const auto [it, fresh] = index_.try_emplace(name, static_cast<int>(data_.Columns.size()));
    if (!fresh) return it->second;
    RecordColumn c;
    c.Name = name;
    c.Avg.reserve(std::max(reserved_, data_.Rows() + 1));
    c.Avg.assign(data_.Rows(), kNaN);
    data_.Columns.push_back(std::move(c));
    return it->second;
}

void RecordParser::Put(int column, int what, const Cell& cell) {
    if (cell.Decimals == kGap) return;
    RecordColumn& c = data_.Columns[static_cast<std::size_t>(column)];
    const std::size_t rows = data_.Rows();
    if (what != 0 && c.Max.empty()) {
        c.Max.assign(rows, kNaN);
        c.Min.assign(rows, kNaN);
    }
    std::vector<float>& values = what == 0 ? c.Avg : what == 1 ? c.Max : c.Min;
    // A heading that names a channel twice: the row's first cell for it counts.
    if (values.size() > rows) return;
    values.push_back(cell.Value);
    CellDigits& digits = what == 0 ? c.AvgDigits : what == 1 ? c.MaxDigits : c.MinDigits;
    if (cell.Decimals == CellDigits::kText) {
        digits.AddText(rows, cell.Text);
        Charge(cell.Text.size() + 48);
    } else {
        digits.Add(rows, cell.Decimals);
    }
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
        Cell cell{0, 0, {}};
        if (*from == ',' && named_) {
            // A cell the viewer's export left empty: the row did not have it.
            cells_.push_back({kNaN, kGap, {}});
            ++from;
            continue;
        }
        const char* next = PlainCell(from, end, cell.Value, cell.Decimals);
        const auto* comma =
            next ? next - 1 : static_cast<const char*>(std::memchr(from, ',', end - from));
        if (!next) {
            // Not plain decimals: the general path, which also knows NAN.
            if (!ParseCell(std::string_view(from, static_cast<std::size_t>(comma - from)),
                           cell.Value, cell.Decimals))
                return false;
            next = comma + 1;
        } else if (cell.Decimals < 0) {
            cell.Decimals = TextDecimals(
                std::string_view(from, static_cast<std::size_t>(comma - from)), cell.Value);
        }
        if (cell.Decimals == CellDigits::kText)
            cell.Text = std::string_view(from, static_cast<std::size_t>(comma - from));
        cells_.push_back(cell);
        from = next;
    }
    const std::size_t n = cells_.size();
    const std::size_t rows = data_.Rows();
    if (named_ || kind == RecordRowKind::Sample) {
        if (n == 0 || n != sampleNames_.size()) return false;
        if (namedColumns_.empty()) {
            // "X(最大)" and "X(最小)" after X are X's band.
            data_.Columns.reserve(data_.Columns.size() + sampleNames_.size());
            index_.reserve(data_.Columns.size() + sampleNames_.size());
            for (const std::string& name : sampleNames_) {
                int what = 0;
                if (name.ends_with(kMaxSuffix)) what = 1;
                if (name.ends_with(kMinSuffix)) what = 2;
                const auto found =
                    what != 0 ? index_.find(name.substr(0, name.size() - kMaxSuffix.size()))
                              : index_.end();
                if (found != index_.end())
                    namedColumns_.push_back({found->second, what});
                else
                    namedColumns_.push_back({Column(name), 0});
            }
        }
        for (std::size_t j = 0; j < n; ++j)
            Put(namedColumns_[j].Column, namedColumns_[j].What, cells_[j]);
    } else if (kind == RecordRowKind::Minute) {
        if (n == 0 || n % 3 != 0 || n / 3 > kRecordChannelCount) return false;
        for (std::size_t j = 0; j < n / 3; ++j) {
            int& col = minuteColumns_[j];
            if (col < 0) col = Column(RecordChannels[j].Name);
            for (int what = 0; what < 3; ++what)
                Put(col, what, cells_[3 * j + static_cast<std::size_t>(what)]);
        }
    } else {
        if (n != 2) return false;
        for (std::size_t j = 0; j < 2; ++j) {
            if (secondColumns_[j] < 0) secondColumns_[j] = Column(RecordChannels[j].Name);
            Put(secondColumns_[j], 0, cells_[j]);
        }
    }
    // Channels this row does not carry get a gap.
    std::size_t bytes = sizeof(TDateTime) + sizeof(RecordRowKind);
    for (RecordColumn& c : data_.Columns) {
        if (c.Avg.size() == rows) c.Avg.push_back(kNaN);
        bytes += sizeof(float);
        if (!c.Max.empty()) {
            if (c.Max.size() == rows) c.Max.push_back(kNaN);
            if (c.Min.size() == rows) c.Min.push_back(kNaN);
            bytes += 2 * sizeof(float);
        }
    }
    data_.Time.push_back(lastDay_ + (hour * 3600 + minute * 60 + second) / 86400.0);
    data_.Kind.push_back(kind);
    Charge(bytes);
    return true;
}

void RecordParser::Reserve(std::size_t rows) {
    // Never more than the budget could hold.
    const std::size_t rowBytes =
        sizeof(TDateTime) + 1 + std::max<std::size_t>(data_.Columns.size(), 1) * sizeof(float);
    reserved_ = std::min<std::uint64_t>(rows, budget_->Limit() / rowBytes + 1);
    data_.Time.reserve(reserved_);
    data_.Kind.reserve(reserved_);
    for (RecordColumn& c : data_.Columns)
        c.Avg.reserve(reserved_);
}

RecordData RecordParser::Finish() {
    if (!overBudget_ && (!pending_.empty() || overlong_)) ++data_.SkippedLines; // a torn last row
    pending_.clear();
    overlong_ = false;
    if (data_.Rows() == 0 && !overBudget_) {
        if (data_.SkippedLines == 0 && data_.HeadingLines == 0)
            data_.Errors.push_back(record_text::kEmpty);
        else
            data_.Errors.push_back(record_text::kNoRows + std::to_string(data_.SkippedLines) +
                                   record_text::kClose);
    }
    SortByTime(data_);
    RecordData out = std::move(data_);
    data_ = RecordData();
    index_.clear();
    return out;
}

RecordData ReadRecordBytes(std::string_view bytes) {
    RecordParser parser;
    parser.Feed(bytes);
    return parser.Finish();
}

namespace {

std::string MegaBytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20);
}

struct FileIdentity {
    bool Known = false;
    std::uint64_t Device = 0, Inode = 0;
};

FileIdentity IdentityOf(const struct stat& st) {
    return {st.st_ino != 0, static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace

RecordData ReadRecordFile(const std::string& path, const RecordProgress& progress,
                          RecordBudget* budget) {
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
    struct stat opened {};
    const FileIdentity identity =
        fstat(fileno(f), &opened) == 0 ? IdentityOf(opened) : FileIdentity{};
    const std::uint64_t total = FileSize(f);
    RecordParser parser(budget);
    std::vector<char> chunk(kChunk);
    std::uint64_t done = 0;
    std::string stop;
    for (;;) {
        // A first small read tells the rows' length; then the columns get
        // room for the whole file at once instead of growing by copies.
        const std::size_t want = done == 0 ? kFirstRead : chunk.size();
        const std::size_t n = std::fread(chunk.data(), 1, want, f);
        parser.Feed(std::string_view(chunk.data(), n));
        done += n;
        if (parser.OverBudget()) {
            const std::uint64_t limit = budget ? budget->Limit() : RecordBudget::kDefaultBytes;
            stop = path + record_text::kBudgetBefore + MegaBytes(limit) +
                   record_text::kBudgetLines + std::to_string(parser.LinesRead()) +
                   record_text::kBudgetBytes + MegaBytes(done) + " / " + MegaBytes(total) +
                   record_text::kBudgetAfter;
            break;
        }
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
    // A file cut short or put in place of the one opened while it was read:
    // the rows read are not the file's, and are not kept as if whole.
    bool changed = stop.empty() && total > 0 && (FileSize(f) < done || done < total);
    // (A file removed meanwhile was read whole: what was opened stays as it was.)
    struct stat now {};
    if (stop.empty() && identity.Known && stat(path.c_str(), &now) == 0) {
        const FileIdentity current = IdentityOf(now);
        changed = changed || current.Device != identity.Device || current.Inode != identity.Inode;
    }
    std::fclose(f);
    if (changed) {
        failed.Errors.push_back(path + record_text::kChanged);
        return failed;
    }
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
    std::unordered_map<std::string_view, std::size_t> inMore;
    for (std::size_t i = 0; i < more.Columns.size(); ++i)
        inMore.emplace(more.Columns[i].Name, i);
    {
        // Owned keys: the columns pushed below move the names a view would see.
        std::unordered_map<std::string, std::size_t> inInto;
        for (std::size_t i = 0; i < into.Columns.size(); ++i)
            inInto.emplace(into.Columns[i].Name, i);
        for (RecordColumn& c : more.Columns)
            if (!inInto.contains(c.Name)) into.Columns.push_back({c.Name, {}, {}, {}, {}, {}, {}});
    }
    const CellDigits none;
    for (RecordColumn& c : into.Columns) {
        const auto m = inMore.find(c.Name);
        const RecordColumn* src = m != inMore.end() ? &more.Columns[m->second] : nullptr;
        extend(c.Avg, a, b, src ? &src->Avg : nullptr);
        c.AvgDigits.Append(a, src ? src->AvgDigits : none, b);
        const bool band = !c.Max.empty() || (src && !src->Max.empty());
        if (band) {
            extend(c.Max, a, b, src ? &src->Max : nullptr);
            extend(c.Min, a, b, src ? &src->Min : nullptr);
            c.MaxDigits.Append(a, src ? src->MaxDigits : none, b);
            c.MinDigits.Append(a, src ? src->MinDigits : none, b);
        }
    }
    into.Time.insert(into.Time.end(), more.Time.begin(), more.Time.end());
    into.Kind.insert(into.Kind.end(), more.Kind.begin(), more.Kind.end());
    into.SkippedLines += more.SkippedLines;
    into.HeadingLines += more.HeadingLines;
    into.Errors.insert(into.Errors.end(), more.Errors.begin(), more.Errors.end());
    SortByTime(into);
}

RecordData JoinRecordData(std::vector<RecordData>&& parts) {
    RecordData all;
    // Columns in the order they first appear; a band where any part has one.
    // Owned keys: each part is let go once copied, and its names with it.
    std::unordered_map<std::string, std::size_t> index;
    std::vector<bool> band;
    std::size_t rows = 0;
    for (const RecordData& part : parts) {
        rows += part.Rows();
        for (const RecordColumn& c : part.Columns) {
            const auto [it, fresh] = index.try_emplace(c.Name, all.Columns.size());
            if (fresh) {
                all.Columns.emplace_back().Name = c.Name;
                band.push_back(false);
            }
            if (!c.Max.empty()) band[it->second] = true;
        }
    }
    // Room for every row at once; each part is let go once it is copied, so
    // the join needs little more than the rows themselves.
    all.Time.reserve(rows);
    all.Kind.reserve(rows);
    for (std::size_t c = 0; c < all.Columns.size(); ++c) {
        all.Columns[c].Avg.reserve(rows);
        if (band[c]) {
            all.Columns[c].Max.reserve(rows);
            all.Columns[c].Min.reserve(rows);
        }
    }
    std::vector<const RecordColumn*> from(all.Columns.size());
    const CellDigits none;
    for (RecordData& part : parts) {
        const std::size_t at = all.Rows(), n = part.Rows();
        std::fill(from.begin(), from.end(), nullptr);
        for (const RecordColumn& c : part.Columns)
            if (!from[index[c.Name]]) from[index[c.Name]] = &c;
        const auto copy = [n](std::vector<float>& to, const RecordColumn* c, int what) {
            if (c && !c->Values(what).empty())
                to.insert(to.end(), c->Values(what).begin(), c->Values(what).end());
            else
                to.resize(to.size() + n, kNaN);
        };
        for (std::size_t c = 0; c < all.Columns.size(); ++c) {
            RecordColumn& to = all.Columns[c];
            for (int what = 0; what < (band[c] ? 3 : 1); ++what) {
                copy(what == 0 ? to.Avg : what == 1 ? to.Max : to.Min, from[c], what);
                CellDigits& digits = what == 0   ? to.AvgDigits
                                     : what == 1 ? to.MaxDigits
                                                 : to.MinDigits;
                digits.Append(at, from[c] ? from[c]->Digits(what) : none, n);
            }
        }
        all.Time.insert(all.Time.end(), part.Time.begin(), part.Time.end());
        all.Kind.insert(all.Kind.end(), part.Kind.begin(), part.Kind.end());
        all.SkippedLines += part.SkippedLines;
        all.HeadingLines += part.HeadingLines;
        all.Errors.insert(all.Errors.end(), part.Errors.begin(), part.Errors.end());
        part = RecordData();
    }
    SortByTime(all);
    return all;
}

std::string RecordFileProblem(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(path), error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return path + record_text::kNotRegular;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return path + record_text::kCannotOpen + std::strerror(errno) + record_text::kClose;
    std::fclose(f);
    return {};
}

std::string RecordFolderProblem(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator list(std::filesystem::path(folder), error);
    if (!error) return {};
    return folder + record_text::kCannotList + error.message() + record_text::kClose;
}

std::vector<std::string> UniqueRecordPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    std::vector<FileIdentity> seen;
    std::vector<std::string> seenNames;
    for (const std::string& p : paths) {
        struct stat st {};
        std::error_code ec;
        const std::string name =
            std::filesystem::weakly_canonical(std::filesystem::path(p), ec).string();
        const std::string key = ec ? p : name;
        if (std::find(seenNames.begin(), seenNames.end(), key) != seenNames.end()) continue;
        if (stat(p.c_str(), &st) == 0) {
            const FileIdentity id = IdentityOf(st);
            if (id.Known && std::any_of(seen.begin(), seen.end(), [&](const FileIdentity& s) {
                    return s.Device == id.Device && s.Inode == id.Inode;
                }))
                continue;
            if (id.Known) seen.push_back(id);
        }
        seenNames.push_back(key);
        out.push_back(p);
    }
    return out;
}

RecordData ReadRecordFiles(const std::vector<std::string>& paths,
                           const RecordReadOptions& options) {
    const std::vector<std::string> files = UniqueRecordPaths(paths);
    RecordBudget ownBudget;
    RecordBudget* budget = options.Budget ? options.Budget : &ownBudget;
    std::vector<RecordData> read(files.size());
    std::vector<std::uint64_t> progress(files.size(), 0);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> over{false};
    const auto cancelled = [&] { return options.Cancel && options.Cancel->load(); };
    const auto worker = [&] {
        for (std::size_t i; (i = next++) < files.size();) {
            if (cancelled() || over) break;
            std::uint64_t last = 0;
            read[i] = ReadRecordFile(
                files[i],
                [&](std::uint64_t done, std::uint64_t) {
                    if (options.Done) *options.Done += done - last;
                    last = done;
                    return !cancelled();
                },
                budget);
            // Files after one that filled the budget are not begun.
            for (const std::string& e : read[i].Errors)
                if (e.find(record_text::kBudgetBefore) != std::string::npos) over = true;
        }
    };
    const int threads = std::max(1, std::min(options.Threads, static_cast<int>(files.size())));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
    if (cancelled()) return {};
    return JoinRecordData(std::move(read));
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
