#pragma once

#include "base/date_time.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qvr {

// What a row of a record or export file is, told by its time text.
enum class RecordRowKind : std::uint8_t {
    Minute, // "yyyy/mm/dd hh:nn": average, maximum, minimum of each channel
    Second, // "yyyy/mm/dd hh:nn.ss": wind speed, air temperature
    Sample, // "yyyy/mm/dd hh:nn:ss": the exports, columns named by their heading
};

// One channel over all rows. Values the row did not carry are NaN, and so is
// a cell the file holds as NAN or INF.
struct RecordColumn {
    std::string Name;       // UTF-8, as the file names it
    std::vector<float> Avg; // the value, or the minute's average
    std::vector<float> Max; // the minute's maximum and minimum; empty while no
    std::vector<float> Min; // minute row carried this channel
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
};

// Reads the program's own files: minute record files (every layout, and
// layout changes with a new heading pair in mid-file), second record files
// and the exports. Fed bytes in chunks of any size; a line is at most a few
// kilobytes, longer ones (a binary file) are skipped without being held.
class RecordParser {
public:
    RecordParser();
    void Feed(std::string_view bytes);
    // A last line without its line end is a row still being written: skipped.
    RecordData Finish();
    // Room for about this many rows, so that the columns do not grow by steps.
    void Reserve(std::size_t rows);
    // The rows so far.
    const RecordData& Peek() const { return data_; }

private:
    void Line(std::string_view line);
    bool Row(std::string_view line);
    int Column(const std::string& name);
    void Push(int column, float avg, float max, float min, bool band);

    RecordData data_;
    std::string pending_;
    bool overlong_ = false;
    bool lastWasNameLine_ = false;
    std::vector<std::string> sampleNames_;
    std::vector<int> sampleColumns_;
    int minuteColumns_[16];
    int secondColumns_[2];
    // The day part of the last date text, so that a row costs no calendar work.
    char lastDate_[10] = {};
    TDateTime lastDay_ = 0;
    std::vector<float> cells_;
    std::size_t reserved_ = 0;
};

RecordData ReadRecordBytes(std::string_view bytes);

// Reads the file in chunks. `progress(done, total)` is called between chunks;
// false stops the read, with the rows read so far and an error saying so.
// A file that cannot be opened or read gives an error and no rows.
using RecordProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
RecordData ReadRecordFile(const std::string& path, const RecordProgress& progress = {});

// Appends `more` to `into` (channels joined by name) and sorts the rows by time.
void MergeRecordData(RecordData& into, RecordData&& more);

// The date of a record file's name ("RT_20240529.RCD" gives 2024-05-29), or 0.
TDateTime RecordFileDate(std::string_view fileName);

} // namespace qvr
