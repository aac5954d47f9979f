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

namespace {

// A text typed into an edit as one INI value: no line breaks, no blanks around it.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

void VerCollection::Observe(const TSampleRec& current, const std::string& serialNo, bool fastMode,
                            TDateTime now) {
    Collecting = current.Valid;
    Run = current.Run;
    StepSeconds = fastMode ? 0.25 : 1.0;
    if (serialNo != SerialNo) {
        // Another sensor from here on, as far as the operator says.
        SerialNo = serialNo;
        Since = now;
    }
}

VerWindow JudgeVerWindow(const TSampleHistory& history, const VerCollection& collection,
                         TDateTime now) {
    VerWindow w;
    const TSampleRec& newest = history[0];
    w.Newest = newest.Time;
    const double age = (now - newest.Time) * 86400.0;
    if (!collection.Collecting || !newest.Valid || newest.Time <= 0 || age < 0 ||
        age > kVerStaleSeconds + 0.001)
        return w; // Stale: frozen readings are no evidence of steadiness

    // A neighbour more than two history steps away means readings are missing
    // between them; a little slack for a timer that fires late.
    const double maxGap = 2.0 * collection.StepSeconds + 0.05;
    const auto usable = [&](const TSampleRec& e) {
        return e.Valid && (e.Sent & FieldBit(SampleField::WindSpeed)) != 0 &&
               e.Run == collection.Run && e.Time > collection.Since && e.Time > collection.After;
    };
    int n = 0;
    for (; n < kVerWindow; ++n) {
        const TSampleRec& e = history[static_cast<std::size_t>(n)];
        if (!usable(e)) break;
        if (n > 0) {
            const double gap = (history[static_cast<std::size_t>(n - 1)].Time - e.Time) * 86400.0;
            if (gap <= 0 || gap > maxGap) break;
        }
    }
    w.Samples = n;
    if (n < kVerWindow) {
        w.Result = VerWindow::State::Filling;
        return w;
    }
    double sum = 0, air = 0;
    bool airSent = true;
    for (int i = 0; i < n; ++i) {
        const TSampleRec& e = history[static_cast<std::size_t>(i)];
        const double v = e.WindSpeed;
        w.Max = i == 0 ? v : std::max(w.Max, v);
        w.Min = i == 0 ? v : std::min(w.Min, v);
        sum += v;
        air += e.AirTemp;
        airSent = airSent && (e.Sent & FieldBit(SampleField::AirTemp)) != 0;
    }
    w.Oldest = history[static_cast<std::size_t>(n - 1)].Time;
    w.Mean = sum / n;
    w.AirTempSent = airSent;
    w.AirTemp = airSent ? air / n : 0;
    double squares = 0;
    for (int i = 0; i < n; ++i) {
        const double d = history[static_cast<std::size_t>(i)].WindSpeed - w.Mean;
        squares += d * d;
    }
    w.StdDev = std::sqrt(squares / (n - 1));
    w.Result =
        w.Max - w.Min < kVerSpanLimit ? VerWindow::State::Steady : VerWindow::State::Unsteady;
    return w;
}

VerTake TakeVerPoint(std::vector<VerPoint>& points, const VerWindow& window, double reference,
                     TDateTime now) {
    if (!std::isfinite(reference) || reference < 0 || reference > 100) return VerTake::BadReference;
    if (!window.Steady()) return VerTake::NotSteady;
    // No reading in two points: the windows may not overlap at all.
    for (const VerPoint& p : points)
        if (window.Oldest <= p.Newest && window.Newest >= p.Oldest) return VerTake::SameData;
    VerPoint p;
    p.Time = now;
    p.Reference = reference;
    p.Mean = window.Mean;
    p.StdDev = window.StdDev;
    p.Max = window.Max;
    p.Min = window.Min;
    p.Samples = window.Samples;
    p.Newest = window.Newest;
    p.Oldest = window.Oldest;
    p.AirTemp = window.AirTemp;
    p.AirTempSent = window.AirTempSent;
    points.push_back(p);
    return VerTake::Taken;
}

VerFit FitVerification(const std::vector<VerPoint>& points) {
    VerFit f;
    f.Points = static_cast<int>(points.size());
    if (f.Points < 2) return f;
    const double n = f.Points;
    double mx = 0, my = 0;
    double xLo = points[0].Reference, xHi = xLo, yLo = points[0].Mean, yHi = yLo;
    for (const VerPoint& p : points) {
        mx += p.Reference;
        my += p.Mean;
        xLo = std::min(xLo, p.Reference);
        xHi = std::max(xHi, p.Reference);
        yLo = std::min(yLo, p.Mean);
        yHi = std::max(yHi, p.Mean);
    }
    // A spread the display cannot show is none: centring leaves crumbs like
    // 1e-30 of references that are all the same.
    const double slack = 1e-9;
    if (xHi - xLo < kVerMinSpread - slack) {
        f.Gap = VerFitGap::SameReference;
        return f;
    }
    if (yHi - yLo < kVerMinSpread - slack) {
        f.Gap = VerFitGap::SameReading;
        return f;
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
    f.Gap = VerFitGap::None;
    f.Defined = true;
    f.Slope = sxy / sxx;
    f.Offset = my - f.Slope * mx;
    f.R = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
    if (f.Points > 2) {
        double residuals = 0;
        for (const VerPoint& p : points) {
            const double e = p.Mean - (f.Slope * p.Reference + f.Offset);
            residuals += e * e;
        }
        f.StdErrorDefined = true;
        f.StdError = std::sqrt(residuals / (n - 2));
        f.SlopeError = f.StdError / std::sqrt(sxx);
        f.OffsetError = f.StdError * std::sqrt(1.0 / n + mx * mx / sxx);
    }
    return f;
}

std::string VerFitGapText(VerFitGap gap) {
    switch (gap) {
    case VerFitGap::None:
        break;
    case VerFitGap::TooFewPoints:
        return QT_TRANSLATE_NOOP("CalibrationReport", "測定点が2点未満のため算出できません");
    case VerFitGap::SameReference:
        return QT_TRANSLATE_NOOP("CalibrationReport",
                                 "基準風速の幅が0.01 m/s未満のため傾きを算出できません");
    case VerFitGap::SameReading:
        return QT_TRANSLATE_NOOP("CalibrationReport",
                                 "センサー風速の幅が0.01 m/s未満のため傾きを算出できません");
    }
    return {};
}

bool VerPointPasses(const VerPoint& point, const VerTolerance& tolerance) {
    // Values stand in the grid to the millimetre a second; a deviation equal to
    // the tolerance passes even when binary fractions put it a hair beyond.
    const double limit = tolerance.A + tolerance.B * point.Reference;
    return std::fabs(point.Deviation()) <= limit + 1e-9;
}

int VerDistinctSpeeds(const std::vector<VerPoint>& points, double step) {
    std::vector<double> refs;
    for (const VerPoint& p : points)
        refs.push_back(p.Reference);
    std::sort(refs.begin(), refs.end());
    int count = 0;
    double last = 0;
    for (const double r : refs) {
        if (count == 0 || r - last >= step - 1e-9) {
            ++count;
            last = r;
        }
    }
    return count;
}

VerVerdict JudgeVerification(const std::vector<VerPoint>& points, const VerTolerance& tolerance,
                             const VerRange& range) {
    VerVerdict v;
    v.Points = static_cast<int>(points.size());
    for (const VerPoint& p : points)
        if (!VerPointPasses(p, tolerance)) ++v.Failing;
    v.Speeds = VerDistinctSpeeds(points, range.SpeedStep);
    v.Enough = v.Points >= range.MinPoints;
    v.Spread = v.Speeds >= range.MinSpeeds;
    v.Pass = v.Enough && v.Spread && v.Failing == 0;
    return v;
}

std::string VerVerdictText(const VerVerdict& verdict) {
    if (verdict.Failing > 0) return QT_TRANSLATE_NOOP("CalibrationReport", "不合格");
    if (!verdict.Enough) return QT_TRANSLATE_NOOP("CalibrationReport", "測定点不足");
    if (!verdict.Spread) return QT_TRANSLATE_NOOP("CalibrationReport", "風速範囲不足");
    return QT_TRANSLATE_NOOP("CalibrationReport", "合格");
}

bool VerPercentDefined(const VerPoint& point) {
    return point.Reference > 0;
}

double VerPercent(const VerPoint& point) {
    return point.Deviation() / point.Reference * 100.0;
}

double VerUncertainty::SensorExpanded() const {
    return kCoverage * std::sqrt(Repeatability * Repeatability + Resolution * Resolution);
}

VerUncertainty VerPointUncertainty(const VerPoint& point, const VerRefUncertainty& reference) {
    VerUncertainty u;
    const double expanded =
        reference.Percent ? reference.Value / 100.0 * point.Reference : reference.Value;
    u.Reference = std::fabs(expanded) / VerUncertainty::kCoverage;
    u.Repeatability = point.Samples > 0 ? point.StdDev / std::sqrt(double(point.Samples)) : 0;
    u.Resolution = kVerResolution / std::sqrt(12.0);
    u.Combined = std::sqrt(u.Reference * u.Reference + u.Repeatability * u.Repeatability +
                           u.Resolution * u.Resolution);
    u.Expanded = VerUncertainty::kCoverage * u.Combined;
    return u;
}

bool VerLikelySlip(const std::vector<VerPoint>& points, double reference, double mean,
                   const VerTolerance& tolerance) {
    if (points.empty()) return false;
    const VerPoint& last = points.back();
    // References stand to the millimetre a second: equal as typed.
    if (std::fabs(reference - last.Reference) >= kVerResolution / 2) return false;
    return std::fabs(mean - last.Mean) > tolerance.A + tolerance.B * last.Reference + 1e-9;
}

std::vector<std::string> VerLogLines(const std::vector<VerPoint>& points,
                                     const VerSettings& settings, TDateTime finished) {
    const VerTolerance& tolerance = settings.Tolerance;
    std::vector<std::string> lines;
    lines.push_back("検証," + FormatDateTime("yyyy/mm/dd hh:nn:ss", finished) + ",");
    lines.push_back("許容差," + FormatFloat("%1.3f", tolerance.A) + ",m/s.," +
                    FormatFloat("%1.2f", tolerance.B * 100.0) + ",%,");
    lines.push_back("合格条件," + std::to_string(settings.Range.MinPoints) + ",点以上," +
                    std::to_string(settings.Range.MinSpeeds) + ",種類以上の基準風速," +
                    FixedDecimals(settings.Range.SpeedStep, 2) + ",m/s.以上の間隔,");
    lines.push_back("基準器の拡張不確かさ(k=2)," +
                    FixedDecimals(settings.RefUnc.Value, settings.RefUnc.Percent ? 2 : 3) +
                    (settings.RefUnc.Percent ? ",%," : ",m/s.,"));
    lines.emplace_back("No.,時刻,基準風速,平均,標準偏差,最大,最小,サンプル数,偏差,偏差率,"
                       "拡張不確かさ(k=2),判定,");
    lines.emplace_back(",,m/s.,m/s.,m/s.,m/s.,m/s.,,m/s.,%,m/s.,,");
    int no = 0;
    for (const VerPoint& p : points) {
        std::string line =
            std::to_string(++no) + "," + FormatDateTime("yyyy/mm/dd hh:nn:ss", p.Time) + ",";
        for (const double v : {p.Reference, p.Mean, p.StdDev, p.Max, p.Min})
            line += FixedDecimals(v, 3) + ",";
        line += std::to_string(p.Samples) + ",";
        line += FixedDecimals(p.Deviation(), 3) + ",";
        if (VerPercentDefined(p)) line += FixedDecimals(VerPercent(p), 2);
        line += ",";
        line += FixedDecimals(VerPointUncertainty(p, settings.RefUnc).Expanded, 3) + ",";
        line += VerPointPasses(p, tolerance) ? "合格," : "不合格,";
        lines.push_back(std::move(line));
    }
    const VerFit fit = FitVerification(points);
    if (fit.Defined) {
        const auto error = [&fit](double v, int decimals) {
            return fit.StdErrorDefined ? FixedDecimals(v, decimals) : std::string();
        };
        lines.push_back("傾き," + FixedDecimals(fit.Slope, 4) + ",,標準誤差," +
                        error(fit.SlopeError, 4) + ",");
        lines.push_back("オフセット," + FixedDecimals(fit.Offset, 3) + ",m/s.,標準誤差," +
                        error(fit.OffsetError, 3) + ",m/s.,");
        lines.push_back("相関係数," + FixedDecimals(fit.R, 6) + ",");
    } else {
        const std::string why = VerFitGapText(fit.Gap);
        lines.push_back("傾き,," + why + ",");
        lines.push_back("オフセット,,m/s.," + why + ",");
        lines.push_back("相関係数,," + why + ",");
    }
    lines.push_back("標準誤差," +
                    (fit.StdErrorDefined ? FixedDecimals(fit.StdError, 3) : std::string()) +
                    ",m/s.,");
    const VerVerdict verdict = JudgeVerification(points, tolerance, settings.Range);
    lines.push_back("判定," + VerVerdictText(verdict) + ",");
    return lines;
}

void WriteVerLog(const std::string& path, const std::vector<VerPoint>& points,
                 const VerSettings& settings, TDateTime finished) {
    WriteTextLines(path, VerLogLines(points, settings, finished));
}

bool VerToleranceAllowed(double a, double bPercent) {
    return a >= 0 && a <= 10 && bPercent >= 0 && bPercent <= 100;
}

bool VerRefUncertaintyAllowed(double value, bool percent) {
    return value >= 0 && value <= (percent ? 100 : 10);
}

VerSettings LoadVerSettings(const std::string& path) {
    const VerSettings defaults;
    VerSettings s;
    IniText ini;
    try {
        ini = IniText::Read(path); // once for every key
    } catch (const IniFileError&) {
        return defaults; // unreadable or oversized: as if missing
    }
    const auto number = [&ini](const char* key) {
        const auto text = ini.Value("Verify", key);
        return text ? ParseNumber(*text) : std::nullopt;
    };
    const auto a = number("A");
    const auto b = number("B");
    s.Tolerance.A = a && VerToleranceAllowed(*a, 0) ? *a : defaults.Tolerance.A;
    s.Tolerance.B = b && VerToleranceAllowed(0, *b) ? *b / 100.0 : defaults.Tolerance.B;
    const auto whole = [&number](const char* key, int fallback) {
        const auto v = number(key);
        return v && *v >= 1 && *v <= 100 && *v == std::floor(*v) ? static_cast<int>(*v) : fallback;
    };
    s.Range.MinPoints = whole("MinPoints", defaults.Range.MinPoints);
    s.Range.MinSpeeds = whole("MinSpeeds", defaults.Range.MinSpeeds);
    const auto step = number("SpeedStep");
    s.Range.SpeedStep = step && *step >= 0 && *step <= 50 ? *step : defaults.Range.SpeedStep;
    const auto unit = ini.Value("Verify", "RefUncUnit");
    s.RefUnc.Percent = unit && *unit == "%";
    const auto unc = number("RefUnc");
    s.RefUnc.Value =
        unc && VerRefUncertaintyAllowed(*unc, s.RefUnc.Percent) ? *unc : defaults.RefUnc.Value;
    const auto text = [&ini](const char* key) {
        const auto v = ini.Value("Verify", key);
        return v ? Cp932ToUtf8(*v) : std::string();
    };
    s.Lab = {text("LabName"),   text("LabAddress"), text("Customer"),      text("CustomerRef"),
             text("Procedure"), text("Tunnel"),     text("MountDiameter"), text("Maker")};
    return s;
}

void SaveVerSettings(const std::string& path, const VerSettings& s) {
    IniText ini = IniText::Read(path);
    ini.SetValue("Verify", "A", GeneralNumberText(s.Tolerance.A));
    ini.SetValue("Verify", "B", GeneralNumberText(s.Tolerance.B * 100.0));
    ini.SetValue("Verify", "MinPoints", std::to_string(s.Range.MinPoints));
    ini.SetValue("Verify", "MinSpeeds", std::to_string(s.Range.MinSpeeds));
    ini.SetValue("Verify", "SpeedStep", GeneralNumberText(s.Range.SpeedStep));
    ini.SetValue("Verify", "RefUnc", GeneralNumberText(s.RefUnc.Value));
    ini.SetValue("Verify", "RefUncUnit", s.RefUnc.Percent ? "%" : "m/s");
    const std::pair<const char*, const std::string*> texts[] = {
        {"LabName", &s.Lab.LabName},
        {"LabAddress", &s.Lab.LabAddress},
        {"Customer", &s.Lab.Customer},
        {"CustomerRef", &s.Lab.CustomerRef},
        {"Procedure", &s.Lab.Procedure},
        {"Tunnel", &s.Lab.Tunnel},
        {"MountDiameter", &s.Lab.MountDiameter},
        {"Maker", &s.Lab.Maker}};
    for (const auto& [key, value] : texts)
        ini.SetValue("Verify", key, Utf8ToCp932(OneLine(*value)));
    ini.Write(path);
}

VerTolerance LoadVerTolerance(const std::string& path) {
    return LoadVerSettings(path).Tolerance;
}

void SaveVerTolerance(const std::string& path, const VerTolerance& tolerance) {
    IniText ini = IniText::Read(path);
    ini.SetValue("Verify", "A", GeneralNumberText(tolerance.A));
    ini.SetValue("Verify", "B", GeneralNumberText(tolerance.B * 100.0));
    ini.Write(path);
}

} // namespace qvr
