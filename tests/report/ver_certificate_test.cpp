#include "report/ver_certificate.h"

#include "base/text_file.h"
#include "tests/base/temp_dir.h"
#include "tests/report/certificate_check.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qvr::test {
namespace {

// Five points on sensor = 1.02 × reference + 0.05, a little scattered, with
// the air temperature the sensor sent at each.
VerCertificateInput FiveSpeeds() {
    VerCertificateInput in;
    in.SerialNo = "Q-0815";
    in.Model = "19.10";
    in.Firmware = "2.05";
    in.Settings.RefUnc = {0.05, false};
    in.Settings.Lab = {
        "風洞校正室", "Test Street 1", "Example Customer", "PO-42", "", "Tunnel 1", "33.7", ""};
    const double refs[] = {2, 4, 6, 8, 10};
    const double scatter[] = {0.004, -0.006, 0.002, 0.005, -0.005};
    const double air[] = {20.4, 20.61, 20.55, 20.8, 20.72};
    for (int i = 0; i < 5; ++i) {
        VerPoint p;
        p.Time = EncodeDateTime({2026, 12, 11, 10, 2 * i, 0, 0});
        p.Reference = refs[i];
        p.Mean = 1.02 * refs[i] + 0.05 + scatter[i];
        p.StdDev = 0.0292138;
        p.Samples = 30;
        p.AirTemp = air[i];
        p.AirTempSent = i != 2; // one point in fast mode
        in.Points.push_back(p);
    }
    in.Finished = EncodeDateTime({2026, 12, 12, 0, 5, 0, 0});
    return in;
}

TEST(VerCertificate, ItValidatesAgainstTheSchemaAndHoldsTheTableAndTheRegression) {
    TempDir dir;
    const std::string path = dir.File("Q-0815_VER.json");
    const VerCertificateInput in = FiveSpeeds();
    ASSERT_EQ(VerCertificateProblem(in), "");
    WriteVerCertificate(path, in);
    EXPECT_EQ(CertificateErrors(path), "");

    const auto c = nlohmann::json::parse(ReadFileBytes(path));
    EXPECT_EQ(c["calibration_id"], "Q-0815_20261212_000500");
    EXPECT_EQ(c["calibration_lab"]["company_name"], "風洞校正室");
    EXPECT_EQ(c["customer"]["reference"], "PO-42");
    EXPECT_EQ(c["test_item"]["serial_number"], "Q-0815");
    EXPECT_EQ(c["test_item"]["model"], "QVR 19.10");
    EXPECT_NE(c["test_item"]["description"].get<std::string>().find("2.05"), std::string::npos);
    EXPECT_EQ(c["setup"]["date_of_calibration"], "2026-12-11"); // the first point's day
    EXPECT_EQ(c["date_of_issue"], "2026-12-12");
    EXPECT_EQ(c["setup"]["mounting_diameter"]["value"], 33.7);
    const auto& table = c["result"]["table"];
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[1]["index"], "2");
    EXPECT_EQ(table[1]["reference"]["value"], 4.0);
    EXPECT_EQ(table[1]["test_item"]["value"],
              4.124); // 4.08 + 0.05 - 0.006, to the display's digits
    EXPECT_EQ(table[1]["deviation"]["value"], 0.124);
    EXPECT_EQ(table[1]["deviation"]["unit"], "m/s");
    // U = 2 sqrt(0.025^2 + (0.0292138/sqrt 30)^2 + 0.001^2/12) = 0.0511; the
    // reference's own 0.05, the sensor's 2 sqrt(0.0053337^2 + 0.0002887^2).
    EXPECT_EQ(table[1]["deviation"]["uncertainty"]["value"], 0.0511);
    EXPECT_EQ(table[1]["deviation"]["uncertainty"]["coverage_factor"], 2.0);
    EXPECT_EQ(table[1]["reference"]["uncertainty"]["value"], 0.05);
    EXPECT_EQ(table[1]["test_item"]["uncertainty"]["value"], 0.0107);

    const VerFit fit = FitVerification(in.Points);
    const auto& lr = c["result"]["linear_regression"];
    EXPECT_EQ(lr["slope"]["unit"], "(m/s)/(m/s)");
    EXPECT_NEAR(lr["slope"]["value"].get<double>(), fit.Slope, 5e-6);
    EXPECT_NEAR(lr["slope"]["value"].get<double>(), 1.02, 0.002);
    EXPECT_NEAR(lr["offset"]["value"].get<double>(), fit.Offset, 5e-5);
    EXPECT_NEAR(lr["rsd"]["value"].get<double>(), fit.StdError, 5e-5);
    EXPECT_NEAR(lr["corr_coeff"]["value"].get<double>(), fit.R, 5e-7);
    // The air temperature over the points that have one.
    const auto& air = c["result"]["ambient_conditions"]["air_temperature"];
    EXPECT_EQ(air["min"]["value"], 20.4);
    EXPECT_EQ(air["avg"]["value"], 20.63); // (20.4 + 20.61 + 20.8 + 20.72) / 4 = 20.6325
    EXPECT_EQ(air["max"]["value"], 20.8);
    EXPECT_EQ(air["max"]["unit"], "deg_C");
    // Plain digits, never float noise.
    EXPECT_EQ(ReadFileBytes(path).find("0000000"), std::string::npos);
}

TEST(VerCertificate, TheSchemaCheckFindsWhatIsMissing) {
    TempDir dir;
    const std::string path = dir.File("broken.json");
    auto c = nlohmann::json::parse(VerCertificateJson(FiveSpeeds()));
    c.erase("revision");
    c["result"]["table"][0]["reference"]["unit"] = "furlong/fortnight";
    ReplaceFileBytes(path, c.dump());
    const std::string errors = CertificateErrors(path);
    EXPECT_NE(errors.find("revision"), std::string::npos) << errors;
    EXPECT_NE(errors.find("furlong"), std::string::npos) << errors;
}

TEST(VerCertificate, WhatTheCertificateNeedsIsNamed) {
    struct Case {
        const char* what;
        void (*spoil)(VerCertificateInput&);
        const char* problem;
    };
    const Case cases[] = {
        {"no lab", [](VerCertificateInput& in) { in.Settings.Lab.LabName.clear(); },
         "証明書には校正機関名が必要です"},
        {"no customer", [](VerCertificateInput& in) { in.Settings.Lab.Customer.clear(); },
         "証明書には依頼者名が必要です"},
        {"no tunnel", [](VerCertificateInput& in) { in.Settings.Lab.Tunnel.clear(); },
         "証明書には風洞の識別名が必要です"},
        {"diameter not a number",
         [](VerCertificateInput& in) { in.Settings.Lab.MountDiameter = "33,7"; },
         "証明書には取付管の直径（0〜1000 mm の数値）が必要です"},
        {"one speed",
         [](VerCertificateInput& in) {
             for (VerPoint& p : in.Points)
                 p.Reference = 5;
         },
         "基準風速の幅が0.01 m/s未満のため傾きを算出できません"},
        {"two points", [](VerCertificateInput& in) { in.Points.resize(2); },
         "証明書の回帰には3点以上の測定点が必要です"},
    };
    for (const Case& c : cases) {
        VerCertificateInput in = FiveSpeeds();
        c.spoil(in);
        EXPECT_EQ(VerCertificateProblem(in), c.problem) << c.what;
    }
}

} // namespace
} // namespace qvr::test
