#pragma once

#include "base/date_time.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qvr {

// What a row of a record or export file is, told by its time text.
enum class RecordRowKind : std::uint8_t {
    Minute, // "yyyy/mm/dd hh:nn": average, maximum, minimum of each channel
    Second, // "yyyy/mm/dd hh:nn.ss": wind speed, air temperature
    Sample, // "yyyy/mm/dd hh:nn:ss": the exports, columns named by their heading
};

// How the cells of one column were written, so that a value is shown and
// written again with the file's own digits (7.919, not 7.91900014877319).
// Columns whose cells all have the same decimals (the second files) cost a
// byte; per row once they differ; a cell that is not a plain decimal the
// float gives back (NAN, an exponent, more digits than single precision
// holds) keeps its text.
class CellDigits {
public:
    static constexpr int kText = -1;
    // The cell's decimals, or kText. Rows without a cell give any value.
    int Decimals(std::size_t row) const;
    // The kept text of a kText cell, or "".
    std::string_view Text(std::size_t row) const;

    // Rows come in order; rows skipped are gaps.
    void Add(std::size_t row, int decimals);
    void AddText(std::size_t row, std::string_view text);
    // Row i becomes what row order[i] was.
    void Reorder(const std::vector<std::size_t>& order);
    // Appends the `count` rows of `more` after the first `rows`.
    void Append(std::size_t rows, const CellDigits& more, std::size_t count);
    std::size_t Bytes() const;

private:
    static constexpr int kNone = -2;
    int uniform_ = kNone;
    std::vector<std::int8_t> rows_;                          // per row, once the decimals differ
    std::vector<std::pair<std::size_t, std::string>> texts_; // by row
};

// One channel over all rows. Values the row did not carry are NaN, and so is
// a cell the file holds as NAN or INF.
struct RecordColumn {
    std::string Name;       // UTF-8, as the file names it
    std::vector<float> Avg; // the value, or the minute's average
    std::vector<float> Max; // the minute's maximum and minimum; empty while no
    std::vector<float> Min; // minute row carried this channel
    CellDigits AvgDigits, MaxDigits, MinDigits;

    const std::vector<float>& Values(int what) const {
        return what == 0 ? Avg : what == 1 ? Max : Min;
    }
    const CellDigits& Digits(int what) const {
        return what == 0 ? AvgDigits : what == 1 ? MaxDigits : MinDigits;
    }
};

// The cell as the file wrote it (what: 0 value, 1 maximum, 2 minimum); ""
// where the row has none.
std::string CellText(const RecordColumn& column, int what, std::size_t row);
// A value in fixed notation with that many decimals ("-0.000" as "0.000").
std::string DecimalText(double value, int decimals);
// The decimals a computed value of the channel (a mean) is shown with: its
// format in the field table; 3 for a column the program does not know.
int ChannelDecimals(std::string_view name);

// The memory the rows of one viewer session may take, shared by every file it
// reads (also side by side). Taken as rows arrive, whatever their width.
class RecordBudget {
public:
    static constexpr std::uint64_t kDefaultBytes = std::uint64_t{1} << 30;
    explicit RecordBudget(std::uint64_t bytes = kDefaultBytes) : limit_(bytes) {}
    // False, taking nothing, when the bytes do not fit.
    bool Take(std::uint64_t bytes);
    std::uint64_t Limit() const { return limit_; }
    std::uint64_t Used() const { return used_.load(); }

private:
    std::uint64_t limit_;
    std::atomic<std::uint64_t> used_{0};
};

// The readable rows of one or more files, and what could not be read.
struct RecordData {
    std::vector<TDateTime> Time;
    std::vector<RecordRowKind> Kind;
    std::vector<RecordColumn> Columns;
    std::size_t SkippedLines = 0; // lines that are neither a heading nor a whole row
    std::size_t HeadingLines = 0;
    std::vector<std::string> Errors; // UTF-8, for the operator

    std::size_t Rows() const { return Time.size(); }
    // The column of that name, or -1.
    int Find(std::string_view name) const;
    // Rows and cells as held in memory, as the budget counts them.
    std::size_t Bytes() const;
};

// Reads the program's own files: minute record files (every layout, and
// layout changes with a new heading pair in mid-file), second record files
// and the exports, also the viewer's own (a column "X(最大)" or "X(最小)" after
// "X" is X's band). Fed bytes in chunks of any size; lines longer than a few
// megabytes (a binary file) are skipped without being held.
class RecordParser {
public:
    // Rows are taken from `budget` as they arrive; without one, from a budget
    // of the default size of the parser's own.
    explicit RecordParser(RecordBudget* budget = nullptr);
    void Feed(std::string_view bytes);
    // The budget ran out: later lines are ignored. Lines read so far.
    bool OverBudget() const { return overBudget_; }
    std::uint64_t LinesRead() const { return lines_; }
    // A last line without its line end is a row still being written: skipped.
    RecordData Finish();
    // Room for about this many rows, so that the columns do not grow by steps.
    void Reserve(std::size_t rows);
    // The rows so far.
    const RecordData& Peek() const { return data_; }

private:
    struct Cell {
        float Value;
        int Decimals;
        std::string_view Text;
    };
    struct Named {
        int Column;
        int What; // 0 value, 1 maximum, 2 minimum
    };

    void Line(std::string_view line);
    bool Row(std::string_view line);
    int Column(const std::string& name);
    void Put(int column, int what, const Cell& cell);
    void NameColumns(std::vector<std::string> names, bool named);
    void Charge(std::size_t bytes);

    RecordData data_;
    std::unordered_map<std::string, int> index_;
    std::unique_ptr<RecordBudget> ownBudget_;
    RecordBudget* budget_;
    std::size_t unpaid_ = 0;
    bool overBudget_ = false;
    std::uint64_t lines_ = 0;
    bool named_ = false; // the heading names every cell (the exports)
    std::vector<Named> namedColumns_;
    std::string pending_;
    bool overlong_ = false;
    bool lastWasNameLine_ = false;
    std::vector<std::string> sampleNames_;
    int minuteColumns_[16];
    int secondColumns_[2];
    // The day part of the last date text, so that a row costs no calendar work.
    char lastDate_[10] = {};
    TDateTime lastDay_ = 0;
    std::vector<Cell> cells_;
    std::size_t reserved_ = 0;
};

RecordData ReadRecordBytes(std::string_view bytes);

// Reads the file in chunks. `progress(done, total)` is called between chunks;
// false stops the read, with the rows read so far and an error saying so.
// A file that cannot be opened or read gives an error and no rows; so does one
// that shrinks or is replaced while it is read (a file that grows, a day
// being recorded, is read as far as it was). Rows beyond the budget are not
// read, and the message says how far the read came.
using RecordProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
RecordData ReadRecordFile(const std::string& path, const RecordProgress& progress = {},
                          RecordBudget* budget = nullptr);

// What a read of several files shares.
struct RecordReadOptions {
    RecordBudget* Budget = nullptr;             // null: one of the default size
    const std::atomic<bool>* Cancel = nullptr;  // set: stop as soon as may be
    std::atomic<std::uint64_t>* Done = nullptr; // bytes read so far, for progress
    int Threads = 2;                            // files read side by side
};

// Reads the files, each once however often it is named (also by another
// path to the same file), side by side, and joins them in the order given.
RecordData ReadRecordFiles(const std::vector<std::string>& paths,
                           const RecordReadOptions& options = {});
// Why a record file cannot be read (the path and the system's reason), or ""
// when it can; the viewer lists such a day with its reason.
std::string RecordFileProblem(const std::string& path);
// Why the folder's files cannot be listed, or "" when they can.
std::string RecordFolderProblem(const std::string& folder);

// The paths without those that name a file named before.
std::vector<std::string> UniqueRecordPaths(const std::vector<std::string>& paths);

// The parts as one, channels joined by name in the order they first appear,
// rows sorted by time; messages in the parts' order.
RecordData JoinRecordData(std::vector<RecordData>&& parts);

// Appends `more` to `into` (channels joined by name) and sorts the rows by time.
void MergeRecordData(RecordData& into, RecordData&& more);

// The date of a record file's name ("RT_20240529.RCD" gives 2024-05-29), or 0.
TDateTime RecordFileDate(std::string_view fileName);

} // namespace qvr
