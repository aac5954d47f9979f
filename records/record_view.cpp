#include "records/record_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qvr {

namespace {

constexpr std::size_t kFan = 8;
// Rows to a first-level block: a summary is 24 bytes, so blocks of 32 rows
// cost under a byte a row, and a span's loose rows at each end stay few.
constexpr std::size_t kLeaf = 32;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::vector<float> kNoValues;

// The first row in [from, to) at or after `time`. Rows come at a nearly
// steady pace, so the row is guessed from the times at both ends and found by
// galloping from the guess: a month's times do not fit in the cache, and a
// gallop from `from` would miss it a dozen times for each pixel.
std::size_t Seek(const std::vector<double>& t, std::size_t from, std::size_t to, double time) {
    if (from >= to || !(t[from] < time)) return from;
    if (!(t[to - 1] >= time)) return to;
    // Here t[from] < time <= t[to - 1].
    const double f = (time - t[from]) / (t[to - 1] - t[from]);
    std::size_t lo = from, hi = to - 1;
    const std::size_t guess = std::clamp(
        from + static_cast<std::size_t>(f * static_cast<double>(to - 1 - from)), from, to - 1);
    std::size_t step = 1;
    if (t[guess] >= time) {
        hi = guess;
        while (hi - from > step && t[hi - step] >= time) {
            hi -= step;
            step *= 2;
        }
        lo = hi - from > step ? hi - step : from;
    } else {
        lo = guess;
        while (to - 1 - lo > step && t[lo + step] < time) {
            lo += step;
            step *= 2;
        }
        hi = to - 1 - lo > step ? lo + step : to - 1;
    }
    // t[lo] < time <= t[hi]
    const auto first = t.begin() + static_cast<long>(lo + 1);
    const auto last = t.begin() + static_cast<long>(hi + 1);
    return static_cast<std::size_t>(std::lower_bound(first, last, time) - t.begin());
}

SpanSummary One(float v) {
    if (!std::isfinite(v)) return {};
    return {v, v, v, 1};
}

} // namespace

void SpanSummary::Add(const SpanSummary& other) {
    if (other.Count == 0) return;
    if (Count == 0) {
        *this = other;
        return;
    }
    Min = std::min(Min, other.Min);
    Max = std::max(Max, other.Max);
    Sum += other.Sum;
    Count += other.Count;
}

SpanPyramid::SpanPyramid(const std::vector<float>* values) : values_(values) {
    // The first level in one tight pass: what adding each row's summary in
    // turn gives, in the same order, at a fraction of the cost.
    const std::size_t n = values->size();
    std::vector<SpanSummary> level((n + kLeaf - 1) / kLeaf);
    for (std::size_t b = 0; b < level.size(); ++b) {
        float low = std::numeric_limits<float>::infinity();
        float high = -low;
        double sum = 0;
        std::size_t count = 0;
        for (std::size_t i = b * kLeaf, end = std::min(i + kLeaf, n); i < end; ++i) {
            const float v = (*values)[i];
            if (!std::isfinite(v)) continue;
            low = std::min(low, v);
            high = std::max(high, v);
            sum += v;
            ++count;
        }
        if (count > 0) level[b] = {low, high, sum, count};
    }
    while (level.size() > 1) {
        std::vector<SpanSummary> up((level.size() + kFan - 1) / kFan);
        for (std::size_t i = 0; i < level.size(); ++i)
            up[i / kFan].Add(level[i]);
        levels_.push_back(std::move(level));
        level = std::move(up);
    }
    levels_.push_back(std::move(level));
}

SpanSummary SpanPyramid::Query(std::size_t from, std::size_t to) const {
    SpanSummary s;
    if (!values_) return s;
    to = std::min(to, values_->size());
    while (from < to && from % kLeaf)
        s.Add(One((*values_)[from++]));
    while (from < to && to % kLeaf)
        s.Add(One((*values_)[--to]));
    from /= kLeaf;
    to /= kLeaf;
    for (std::size_t l = 0; from < to; ++l) {
        const std::vector<SpanSummary>& level = levels_[l];
        if (l + 1 == levels_.size()) {
            for (; from < to; ++from)
                s.Add(level[from]);
            break;
        }
        while (from < to && from % kFan)
            s.Add(level[from++]);
        while (from < to && to % kFan)
            s.Add(level[--to]);
        from /= kFan;
        to /= kFan;
    }
    return s;
}

std::size_t SpanPyramid::Bytes() const {
    std::size_t n = 0;
    for (const auto& l : levels_)
        n += l.capacity() * sizeof(SpanSummary);
    return n;
}

RecordView::RecordView(RecordData data) : data_(std::move(data)) {
    for (std::size_t i = 1; i < data_.Rows(); ++i) {
        const double step = data_.Kind[i] == RecordRowKind::Minute ? 60.0 : 1.0;
        if ((data_.Time[i] - data_.Time[i - 1]) * 86400.0 > 2 * step + 1e-3) breaks_.push_back(i);
    }
    pyramids_.resize(3 * data_.Columns.size());
    for (std::size_t c = 0; c < data_.Columns.size(); ++c) {
        const RecordColumn& col = data_.Columns[c];
        pyramids_[3 * c] = SpanPyramid(&col.Avg);
        if (!col.Max.empty()) {
            pyramids_[3 * c + 1] = SpanPyramid(&col.Max);
            pyramids_[3 * c + 2] = SpanPyramid(&col.Min);
        }
    }
    wind_ = data_.Find("風速");
}

std::size_t RecordView::Lower(TDateTime from) const {
    return static_cast<std::size_t>(std::lower_bound(data_.Time.begin(), data_.Time.end(), from) -
                                    data_.Time.begin());
}

std::size_t RecordView::Upper(TDateTime to) const {
    return static_cast<std::size_t>(std::upper_bound(data_.Time.begin(), data_.Time.end(), to) -
                                    data_.Time.begin());
}

bool RecordView::BreakBefore(std::size_t row) const {
    return std::binary_search(breaks_.begin(), breaks_.end(), row);
}

const std::vector<float>& RecordView::Values(int column, int what) const {
    if (column < 0 || static_cast<std::size_t>(column) >= data_.Columns.size()) return kNoValues;
    const RecordColumn& c = data_.Columns[static_cast<std::size_t>(column)];
    return what == 0 ? c.Avg : what == 1 ? c.Max : c.Min;
}

const SpanPyramid& RecordView::Pyramid(int column, int what) const {
    return pyramids_[3 * static_cast<std::size_t>(column) + static_cast<std::size_t>(what)];
}

bool RecordView::Line(int column, int what, TDateTime from, TDateTime to, int pixels,
                      std::vector<LinePoint>& out) const {
    out.clear();
    const std::vector<float>& v = Values(column, what);
    if (v.empty() || !(to > from) || pixels < 1) return false;
    // One row beyond each edge, so that the line runs out of the view.
    std::size_t lo = Lower(from), hi = Upper(to);
    lo = lo > 0 ? lo - 1 : 0;
    hi = std::min(data_.Rows(), hi + 1);
    const auto gap = [&out](double t) {
        if (!out.empty() && !std::isnan(out.back().Value)) out.push_back({t, kNaN});
    };
    if (hi - lo <= 2 * static_cast<std::size_t>(pixels)) {
        for (std::size_t i = lo; i < hi; ++i) {
            if (i > lo && BreakBefore(i)) gap((data_.Time[i - 1] + data_.Time[i]) / 2);
            out.push_back({data_.Time[i], v[i]});
        }
        return false;
    }
    const SpanPyramid& pyramid = Pyramid(column, what);
    const double width = (to - from) / pixels;
    std::size_t a = lo;
    for (int p = -1; p <= pixels && a < hi; ++p) {
        // Pixel -1 and `pixels` hold the rows just outside the view.
        const double end =
            p == pixels ? std::numeric_limits<double>::infinity() : from + (p + 1) * width;
        const std::size_t b = Seek(data_.Time, a, hi, end);
        const double mid = from + (p + 0.5) * width;
        if (b == a) {
            gap(mid);
            continue;
        }
        if (BreakBefore(a)) gap(mid - width / 2);
        const SpanSummary s = pyramid.Query(a, b);
        if (s.Count == 0) {
            gap(mid);
        } else if (what == 1) {
            out.push_back({mid, s.Max});
        } else if (what == 2) {
            out.push_back({mid, s.Min});
        } else {
            // From the extreme nearer the last point: the stroke to the next
            // pixel stays short, and so does the drawing.
            const double last = out.empty() ? kNaN : out.back().Value;
            const bool up = std::isnan(last) || std::fabs(last - s.Min) <= std::fabs(last - s.Max);
            out.push_back({mid, up ? s.Min : s.Max});
            out.push_back({mid, up ? s.Max : s.Min});
        }
        a = b;
    }
    return true;
}

ViewStatistics RecordView::Statistics(TDateTime from, TDateTime to) const {
    ViewStatistics st;
    const std::size_t lo = Lower(from), hi = std::max(lo, Upper(to));
    st.Rows = hi - lo;
    if (wind_ < 0) return st;
    SpanSummary all = Pyramid(wind_, 0).Query(lo, hi);
    st.Values = all.Count;
    if (all.Count == 0) return st;
    st.Mean = all.Sum / static_cast<double>(all.Count);
    SpanSummary extremes = all;
    extremes.Add(Pyramid(wind_, 1).Query(lo, hi));
    const SpanSummary lows = Pyramid(wind_, 2).Query(lo, hi);
    st.Max = extremes.Max;
    st.Min = lows.Count ? std::min(all.Min, lows.Min) : all.Min;
    return st;
}

long RecordView::Nearest(TDateTime time) const {
    if (Empty()) return -1;
    const std::size_t i = Lower(time);
    if (i == 0) return 0;
    if (i >= data_.Rows()) return static_cast<long>(data_.Rows()) - 1;
    return static_cast<long>(time - data_.Time[i - 1] <= data_.Time[i] - time ? i - 1 : i);
}

std::size_t RecordView::Bytes() const {
    std::size_t n = data_.Time.capacity() * sizeof(TDateTime) + data_.Kind.capacity() +
                    breaks_.capacity() * sizeof(std::size_t);
    for (const RecordColumn& c : data_.Columns)
        n += (c.Avg.capacity() + c.Max.capacity() + c.Min.capacity()) * sizeof(float);
    for (const SpanPyramid& p : pyramids_)
        n += p.Bytes();
    return n;
}

} // namespace qvr
