#pragma once

#include "records/record_reader.h"

#include <cstddef>
#include <vector>

namespace qvr {

// Minimum, maximum, sum and count of the finite values of a span of a column.
struct SpanSummary {
    float Min = 0;
    float Max = 0;
    double Sum = 0;
    std::size_t Count = 0;
    void Add(const SpanSummary& other);
};

// Block summaries of a column, 32 rows to a block and eight blocks to the
// next level, so that any span's summary costs a few dozen steps: a month of
// second rows redraws as fast as a day.
class SpanPyramid {
public:
    SpanPyramid() = default;
    explicit SpanPyramid(const std::vector<float>* values);
    SpanSummary Query(std::size_t from, std::size_t to) const; // rows [from, to)
    std::size_t Bytes() const;

private:
    const std::vector<float>* values_ = nullptr;
    std::vector<std::vector<SpanSummary>> levels_; // level 0: blocks of 32 rows
};

// A point of a drawn line; a NaN value breaks the line.
struct LinePoint {
    double Time; // TDateTime
    double Value;
};

// Statistics of the wind speed over the rows in view.
struct ViewStatistics {
    std::size_t Rows = 0;
    std::size_t Values = 0; // rows that hold a wind speed
    double Mean = 0, Max = 0, Min = 0;
};

// Loaded records ready to draw: where the line breaks, and per column the
// pyramids of its values (and of its minute maxima and minima).
class RecordView {
public:
    explicit RecordView(RecordData data);

    const RecordData& Data() const { return data_; }
    bool Empty() const { return data_.Rows() == 0; }
    TDateTime First() const { return data_.Time.front(); }
    TDateTime Last() const { return data_.Time.back(); }

    // Rows with a time in [from, to].
    std::size_t Lower(TDateTime from) const;
    std::size_t Upper(TDateTime to) const;

    // Rows further apart than twice their kind's step (a minute, or a
    // second) have missing ones between them: the line breaks there.
    bool BreakBefore(std::size_t row) const;

    // The line of a column over [from, to] for `pixels` columns of screen:
    // every row while there are fewer than two a pixel, otherwise each
    // pixel's minimum and maximum. What = 0 value, 1 maximum, 2 minimum.
    // True when the line came as each pixel's extremes.
    bool Line(int column, int what, TDateTime from, TDateTime to, int pixels,
              std::vector<LinePoint>& out) const;

    // Wind speed ("風速") over [from, to]: the maximum and minimum take a
    // minute row's own maximum and minimum.
    ViewStatistics Statistics(TDateTime from, TDateTime to) const;

    // The row nearest `time`, or -1 when there is none.
    long Nearest(TDateTime time) const;

    std::size_t Bytes() const;

private:
    const std::vector<float>& Values(int column, int what) const;
    const SpanPyramid& Pyramid(int column, int what) const;

    RecordData data_;
    std::vector<std::size_t> breaks_;   // sorted rows that follow a gap
    std::vector<SpanPyramid> pyramids_; // three per column
    int wind_ = -1;
};

} // namespace qvr
