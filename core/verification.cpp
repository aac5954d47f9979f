#include "core/verification.h"

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/sample_validity.h"
#include "core/ui_text.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace qvr {

VerWindow JudgeVerWindow(const TSampleHistory& history, TDateTime now) {
    VerWindow w;
    const TSampleRec& newest = history[0];
    w.Newest = newest.Time;
    const double age = (now - newest.Time) * 86400.0;
    if (!newest.Valid || newest.Time <= 0 || age < 0 || age > kVerStaleSeconds + 0.001)
        return w; // Stale: frozen readings are no evidence of steadiness

    double sum = 0;
    for (int i = 0; i < kVerWindow; ++i) {
        const TSampleRec& e = history[static_cast<std::size_t>(i)];
        if (!e.Valid || (e.Sent & FieldBit(SampleField::WindSpeed)) == 0) {
            w.Result = VerWindow::State::Filling;
            w.Samples = 0;
            return w;
        }
        const double v = e.WindSpeed;
        w.Max = i == 0 ? v : std::max(w.Max, v);
        w.Min = i == 0 ? v : std::min(w.Min, v);
        sum += v;
        ++w.Samples;
    }
    w.Mean = sum / w.Samples;
    double squares = 0;
    for (int i = 0; i < kVerWindow; ++i) {
        const double d = history[static_cast<std::size_t>(i)].WindSpeed - w.Mean;
        squares += d * d;
    }
    w.StdDev = std::sqrt(squares / (w.Samples - 1));
    w.Result = w.Max - w.Min < kVerSpanLimit ? VerWindow::State::Steady
                                             : VerWindow::State::Unsteady;
    return w;
}

VerTake TakeVerPoint(std::vector<VerPoint>& points, const VerWindow& window, double reference,
                     TDateTime now) {
    if (!std::isfinite(reference) || reference < 0 || reference > 100)
        return VerTake::BadReference;
    if (!window.Steady()) return VerTake::NotSteady;
    for (const VerPoint& p : points)
        if (window.Newest <= p.Newest) return VerTake::SameData;
    VerPoint p;
    p.Time = now;
    p.Reference = reference;
    p.Mean = window.Mean;
    p.StdDev = window.StdDev;
    p.Max = window.Max;
    p.Min = window.Min;
    p.Samples = window.Samples;
    p.Newest = window.Newest;
    points.push_back(p);
    return VerTake::Taken;
}

VerFit FitVerification(const std::vector<VerPoint>& points) {
    VerFit f;
    f.Points = static_cast<int>(points.size());
    if (f.Points < 2) return f;
    const double n = f.Points;
    double mx = 0, my = 0;
    for (const VerPoint& p : points) {
        mx += p.Reference;
        my += p.Mean;
    }
    mx /= n;
    my /= n;
    // Sums of centred products: no cancellation from large, close values.
    double sxx = 0, syy = 0, sxy = 0;
    for (const VerPoint& p : points) {
        const double dx = p.Reference - mx;
        const double dy = p.Mean - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    if (sxx <= 0) return f; // every reference the same: no line
    f.Defined = true;
    f.Slope = sxy / sxx;
    f.Offset = my - f.Slope * mx;
    if (syy > 0) {
        f.RDefined = true;
        f.R = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
    }
    if (f.Points > 2) {
        double residuals = 0;
        for (const VerPoint& p : points) {
            const double e = p.Mean - (f.Slope * p.Reference + f.Offset);
            residuals += e * e;
        }
        f.StdErrorDefined = true;
        f.StdError = std::sqrt(residuals / (n - 2));
    }
    return f;
}

bool VerPointPasses(const VerPoint& point, const VerTolerance& tolerance) {
    // Values stand in the grid to the millimetre a second; a deviation equal to
    // the tolerance passes even when binary fractions put it a hair beyond.
    const double limit = tolerance.A + tolerance.B * point.Reference;
    return std::fabs(point.Deviation()) <= limit + 1e-9;
}

VerVerdict JudgeVerification(const std::vector<VerPoint>& points, const VerTolerance& tolerance) {
    VerVerdict v;
    v.Points = static_cast<int>(points.size());
    for (const VerPoint& p : points)
        if (!VerPointPasses(p, tolerance)) ++v.Failing;
    v.Enough = v.Points >= kVerMinPoints;
    v.Pass = v.Enough && v.Failing == 0;
    return v;
}

std::string VerVerdictText(const VerVerdict& verdict) {
    if (verdict.Failing > 0) return QT_TRANSLATE_NOOP("CalibrationReport", "不合格");
    if (!verdict.Enough) return QT_TRANSLATE_NOOP("CalibrationReport", "測定点不足");
    return QT_TRANSLATE_NOOP("CalibrationReport", "合格");
}

bool VerPercentDefined(const VerPoint& point) { return point.Reference > 0; }

double VerPercent(const VerPoint& point) { return point.Deviation() / point.Reference * 100.0; }

std::vector<std::string> VerLogLines(const std::vector<VerPoint>& points,
                                     const VerTolerance& tolerance, TDateTime finished) {
    std::vector<std::string> lines;
    lines.push_back("検証," + FormatDateTime("yyyy/mm/dd hh:nn:ss", finished) + ",");
    lines.push_back("許容差," + FormatFloat("%1.3f", tolerance.A) + ",m/s.," +
                    FormatFloat("%1.2f", tolerance.B * 100.0) + ",%,");
    lines.emplace_back(
        "No.,時刻,基準風速,平均,標準偏差,最大,最小,サンプル数,偏差,偏差率,判定,");
    lines.emplace_back(",,m/s.,m/s.,m/s.,m/s.,m/s.,,m/s.,%,,");
    int no = 0;
    for (const VerPoint& p : points) {
        std::string line = std::to_string(++no) + "," +
                           FormatDateTime("yyyy/mm/dd hh:nn:ss", p.Time) + ",";
        for (const double v : {p.Reference, p.Mean, p.StdDev, p.Max, p.Min})
            line += FixedDecimals(v, 3) + ",";
        line += std::to_string(p.Samples) + ",";
        line += FixedDecimals(p.Deviation(), 3) + ",";
        if (VerPercentDefined(p)) line += FixedDecimals(VerPercent(p), 2);
        line += ",";
        line += VerPointPasses(p, tolerance) ? "合格," : "不合格,";
        lines.push_back(std::move(line));
    }
    const VerFit fit = FitVerification(points);
    const auto value = [](bool defined, double v, int decimals) {
        return defined ? FixedDecimals(v, decimals) : std::string();
    };
    lines.push_back("傾き," + value(fit.Defined, fit.Slope, 4) + ",");
    lines.push_back("オフセット," + value(fit.Defined, fit.Offset, 3) + ",m/s.,");
    lines.push_back("相関係数," + value(fit.RDefined, fit.R, 6) + ",");
    lines.push_back("標準誤差," + value(fit.StdErrorDefined, fit.StdError, 3) + ",m/s.,");
    const VerVerdict verdict = JudgeVerification(points, tolerance);
    lines.push_back("判定," + VerVerdictText(verdict) + ",");
    return lines;
}

void WriteVerLog(const std::string& path, const std::vector<VerPoint>& points,
                 const VerTolerance& tolerance, TDateTime finished) {
    WriteTextLines(path, VerLogLines(points, tolerance, finished));
}

bool VerToleranceAllowed(double a, double bPercent) {
    return a >= 0 && a <= 10 && bPercent >= 0 && bPercent <= 100;
}

VerTolerance LoadVerTolerance(const std::string& path) {
    const VerTolerance defaults;
    IniText ini;
    try {
        ini = IniText::Read(path); // once for both keys
    } catch (const IniFileError&) {
        return defaults; // unreadable or oversized: as if missing
    }
    const auto number = [&ini](const char* key) {
        const auto text = ini.Value("Verify", key);
        return text ? ParseNumber(*text) : std::nullopt;
    };
    const auto a = number("A");
    const auto b = number("B");
    VerTolerance t;
    t.A = a && VerToleranceAllowed(*a, 0) ? *a : defaults.A;
    t.B = b && VerToleranceAllowed(0, *b) ? *b / 100.0 : defaults.B;
    return t;
}

void SaveVerTolerance(const std::string& path, const VerTolerance& tolerance) {
    IniText ini = IniText::Read(path);
    ini.SetValue("Verify", "A", GeneralNumberText(tolerance.A));
    ini.SetValue("Verify", "B", GeneralNumberText(tolerance.B * 100.0));
    ini.Write(path);
}

} // namespace qvr
