#include "report/ver_certificate.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/ui_text.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>

namespace qvr {

namespace {

using nlohmann::ordered_json;

// The schema the certificate follows, by its own version.
constexpr const char* kCertificateVersion = "1.1.0-2022.06";

// Rounded to the digits the tab shows: a JSON number without float noise.
double Rounded(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double r = std::round(v * scale) / scale;
    return r == 0 ? 0.0 : r; // no "-0.0"
}

ordered_json Quantity(double value, const char* unit, int decimals) {
    return {{"value", Rounded(value, decimals)}, {"unit", unit}};
}

ordered_json Quantity(double value, const char* unit, int decimals, double expanded,
                      int uncertaintyDecimals) {
    ordered_json q = Quantity(value, unit, decimals);
    q["uncertainty"] = {{"value", Rounded(expanded, uncertaintyDecimals)},
                        {"coverage_factor", VerUncertainty::kCoverage}};
    return q;
}

std::string Date(TDateTime t) {
    return FormatDateTime("yyyy-mm-dd", t);
}

std::optional<double> MountDiameter(const VerLab& lab) {
    const auto v = ParseNumber(lab.MountDiameter);
    if (!v || *v <= 0 || *v > 1000) return std::nullopt;
    return v;
}

std::string OrUnknown(const std::string& s) {
    return s.empty() ? "不明" : s;
}

} // namespace

std::string VerCertificateProblem(const VerCertificateInput& in) {
    const VerLab& lab = in.Settings.Lab;
    if (in.Points.empty()) return QT_TRANSLATE_NOOP("CalibrationReport", "測定点がありません");
    if (lab.LabName.empty())
        return QT_TRANSLATE_NOOP("CalibrationReport", "証明書には校正機関名が必要です");
    if (lab.Customer.empty())
        return QT_TRANSLATE_NOOP("CalibrationReport", "証明書には依頼者名が必要です");
    if (lab.Tunnel.empty())
        return QT_TRANSLATE_NOOP("CalibrationReport", "証明書には風洞の識別名が必要です");
    if (!MountDiameter(lab))
        return QT_TRANSLATE_NOOP("CalibrationReport",
                                 "証明書には取付管の直径（0〜1000 mm の数値）が必要です");
    const VerFit fit = FitVerification(in.Points);
    if (!fit.Defined) return VerFitGapText(fit.Gap);
    if (!fit.StdErrorDefined)
        return QT_TRANSLATE_NOOP("CalibrationReport", "証明書の回帰には3点以上の測定点が必要です");
    return {};
}

std::string VerCertificateJson(const VerCertificateInput& in) {
    const VerSettings& s = in.Settings;
    const VerLab& lab = s.Lab;
    TDateTime first = in.Finished;
    for (const VerPoint& p : in.Points)
        if (p.Time > 0) first = std::min(first, p.Time);

    ordered_json c;
    c["version"] = kCertificateVersion;
    c["calibration_id"] = in.SerialNo + "_" + FormatDateTime("yyyymmdd_hhnnss", in.Finished);
    ordered_json labJson = {{"company_name", lab.LabName}};
    if (!lab.LabAddress.empty()) labJson["address"] = lab.LabAddress;
    c["calibration_lab"] = labJson;
    ordered_json customer = {{"company_name", lab.Customer}};
    if (!lab.CustomerRef.empty()) customer["reference"] = lab.CustomerRef;
    c["customer"] = customer;
    const std::string model = in.Model.empty() ? "QVR" : "QVR " + in.Model;
    c["test_item"] = {
        {"model", model},
        {"serial_number", in.SerialNo},
        {"description", "熱式風速計（ファームウェア " + OrUnknown(in.Firmware) + "）"},
        {"oem", {{"company_name", OrUnknown(lab.Maker)}}},
    };
    const VerVerdict verdict = JudgeVerification(in.Points, s.Tolerance, s.Range);
    const std::string notes =
        "判定 " + VerVerdictText(verdict) + "、許容差 ±(" + FixedDecimals(s.Tolerance.A, 3) +
        " m/s + " + FixedDecimals(s.Tolerance.B * 100.0, 2) + " % × 基準風速)、各点は30件の平均";
    c["setup"] = {
        {"date_of_calibration", Date(first)},
        {"procedure", lab.Procedure.empty() ? "QVR Monitor 検証" : lab.Procedure},
        {"wind_tunnel_id", lab.Tunnel},
        {"mounting_diameter", Quantity(*MountDiameter(lab), "mm", 3)},
        {"notes", notes},
    };

    ordered_json result;
    ordered_json ambient = ordered_json::object();
    double lo = 0, hi = 0, sum = 0;
    int withAir = 0;
    for (const VerPoint& p : in.Points) {
        if (!p.AirTempSent) continue;
        lo = withAir == 0 ? p.AirTemp : std::min(lo, p.AirTemp);
        hi = withAir == 0 ? p.AirTemp : std::max(hi, p.AirTemp);
        sum += p.AirTemp;
        ++withAir;
    }
    // Only what the sensor itself sent: fast mode brings no temperature.
    if (withAir > 0)
        ambient["air_temperature"] = {{"min", Quantity(lo, "deg_C", 2)},
                                      {"avg", Quantity(sum / withAir, "deg_C", 2)},
                                      {"max", Quantity(hi, "deg_C", 2)}};
    result["ambient_conditions"] = ambient;
    ordered_json table = ordered_json::array();
    int index = 0;
    for (const VerPoint& p : in.Points) {
        const VerUncertainty u = VerPointUncertainty(p, s.RefUnc);
        table.push_back({
            {"index", std::to_string(++index)},
            {"reference",
             Quantity(p.Reference, "m/s", 3, u.Reference * VerUncertainty::kCoverage, 4)},
            {"test_item", Quantity(p.Mean, "m/s", 3, u.SensorExpanded(), 4)},
            {"deviation", Quantity(p.Deviation(), "m/s", 3, u.Expanded, 4)},
        });
    }
    result["table"] = table;
    const VerFit fit = FitVerification(in.Points);
    // Standard errors as standard uncertainties (k = 1).
    const auto withError = [](ordered_json q, double error, int decimals) {
        q["uncertainty"] = {{"value", Rounded(error, decimals)}, {"coverage_factor", 1}};
        return q;
    };
    result["linear_regression"] = {
        {"slope", withError(Quantity(fit.Slope, "(m/s)/(m/s)", 5), fit.SlopeError, 5)},
        {"offset", withError(Quantity(fit.Offset, "m/s", 4), fit.OffsetError, 4)},
        {"rsd", Quantity(fit.StdError, "m/s", 4)},
        {"corr_coeff", Quantity(fit.R, "-", 6)},
    };
    c["result"] = result;
    c["date_of_issue"] = Date(in.Finished);
    c["revision"] = "0";
    return c.dump(2) + "\n";
}

void WriteVerCertificate(const std::string& path, const VerCertificateInput& input) {
    ReplaceFileBytes(path, VerCertificateJson(input));
}

} // namespace qvr
