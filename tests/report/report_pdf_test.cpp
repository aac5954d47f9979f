#include "report/report_pdf.h"
#include "report/verification_plot.h"
#include "tests/base/temp_dir.h"
#include "tests/report/pdf_text.h"
#include "tests/report/prepared_calibration.h"

#include "ui/language.h"
#include "ui/plot.h"

#include <QFile>
#include <QRegularExpression>
#include <QTranslator>
#include <gtest/gtest.h>

namespace qvr {
namespace {

class ReportPdf : public ::testing::Test {
protected:
    void SetUp() override {
        prepared_ = test::PrepareCalibration(dir_.Dir());
        path_ = QString::fromStdString(dir_.File("report.pdf"));
    }
    QString Write(const CalibrationReport& report) {
        WriteReportPdf(report, path_);
        return test::PdfText(path_);
    }
    test::TempDir dir_;
    test::PreparedCalibration prepared_;
    QString path_;
};

TEST_F(ReportPdf, OneA4PageWithTheSensorBothParameterSetsStagesAndVerdict) {
    const QString text = Write(prepared_.journal.Build(prepared_.context));
    for (const char* expected :
         {"キャリブレーション報告書", "Q-2041", "19.10", "2.05", "LAB-PC-3", "QVR Monitor 0.94",
          "2026/12/10 08:00:00", "開始時", "完了時", "気温器差確定", "2026/12/10 08:10:00",
          "0.125 / -0.125", "AT-1 平均 19.920 幅 0.040 ℃", "Nm/s.調整確定", "17.500",
          "WsAvg15 5.004 m/s", "合格範囲 4.9875 < WsAvg15 < 5.0125", "判定：合格",
          "開始からの経過時間"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }
    // Each parameter with its value before and after, changed ones marked.
    const auto row = [&](const char* key) {
        const QRegularExpression re(QString::fromUtf8(key) +
                                    QStringLiteral(" +\\S+ +(\\S+) +(\\S+)( +変更)?"));
        const auto m = re.match(text);
        return m.hasMatch() ? (m.captured(1) + "|" + m.captured(2) + "|" + m.captured(3).trimmed())
                            : QString();
    };
    EXPECT_EQ(row("E01"), QStringLiteral("50.00|46.25|変更"));
    EXPECT_EQ(row("E04"), QStringLiteral("0.2000|0.2000|"));
    EXPECT_EQ(row("E17"), QStringLiteral("0.000|-0.125|変更"));
    EXPECT_EQ(row("P41"), QStringLiteral("9.000|9.000|"));
    EXPECT_EQ(text.count(QStringLiteral("変更")), 6 + 2); // six rows and the heading's two

    const QString info = test::PdfTool("pdfinfo", {path_});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages: +1\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page size: +595 x 842 pts \\(A4\\)")))
        << info.toStdString();
    // The Japanese font travels inside the file.
    const QString fonts = test::PdfTool("pdffonts", {path_});
    EXPECT_TRUE(fonts.contains(QRegularExpression("IPA\\S*Gothic +CID TrueType +\\S+ +yes")))
        << fonts.toStdString();
}

// The chart is lines and text, not a picture: its axis titles and numbers
// are text in the PDF, and the file holds no image at all.
TEST_F(ReportPdf, TheChartStaysVectorGraphics) {
    const QString text = Write(prepared_.journal.Build(prepared_.context));
    for (const char* expected : {"風速 (m/s)", "温度差 (℃)", "開始からの経過時間 (分)"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    const QStringList images =
        test::PdfTool("pdfimages", {"-list", path_}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 2) << images.join('\n').toStdString(); // the list's two heading lines
}

TEST_F(ReportPdf, FailedCheckAndMissingLogsAreShownNotHidden) {
    prepared_.context.WsAvg15 = 5.2f;
    std::remove(dir_.File("Q-2041_WTR.csv").c_str());
    const QString text = Write(prepared_.journal.Build(prepared_.context));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：不合格")));
    EXPECT_TRUE(text.contains(QStringLiteral("ログ Q-2041_WTR.csv が読めません")));
}

TEST_F(ReportPdf, AnEmptyRunStillGivesAReadablePage) {
    CalibrationJournal empty;
    ReportContext ctx;
    ResetPrm(ctx.After);
    ctx.Folder = dir_.Dir();
    ctx.Created = test::At(9, 0, 0);
    const QString text = Write(empty.Build(ctx));
    EXPECT_TRUE(text.contains(QStringLiteral("（未入力）")));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：未書込")));
}

TEST_F(ReportPdf, ASetNeverWrittenSaysSoAndNamesTheSkippedStages) {
    CalibrationJournal journal;
    TWritePrm prm;
    ResetPrm(prm);
    prm.SerialNo = "A12";
    journal.Start(prm, test::At(9, 0, 0));
    prm.AdjDifT = 25.12f;
    journal.Confirm(CalStage::Span, prm, test::At(9, 2, 0));
    ReportContext ctx = prepared_.context;
    ctx.After = prm;
    ctx.LastWrite = {};
    const QString text = Write(journal.Build(ctx));
    EXPECT_FALSE(text.contains(QStringLiteral("判定：合格")));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：未書込")));
    EXPECT_TRUE(text.contains(QStringLiteral("校正した設定はセンサーに書き込まれていません")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("省略した工程：気温器差確定、風速器差確定、0m/s.調整確定")));
}

TEST_F(ReportPdf, AnUnwritableFolderRaisesAnErrorNamingTheFile) {
    const QString bad = QString::fromStdString(dir_.File("no/such/folder/report.pdf"));
    try {
        WriteReportPdf(prepared_.journal.Build(prepared_.context), bad);
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_NE(std::string(e.what()).find("report.pdf"), std::string::npos) << e.what();
    }
}

// A verification of seven points (one failing) beside the calibration, with
// the lab's texts as long as a real lab's are.
ReportVerification SevenPoints() {
    ReportVerification v;
    const double refs[] = {0, 2, 4, 6, 8, 10, 12};
    for (int i = 0; i < 7; ++i) {
        VerPoint p;
        p.Time = test::At(9, 2 * i, 30);
        p.Reference = refs[i];
        p.Mean = 1.012 * refs[i] + 0.031 + (i == 6 ? 0.4 : 0.0);
        p.StdDev = 0.0123;
        p.Max = p.Mean + 0.041;
        p.Min = p.Mean - 0.038;
        p.Samples = 30;
        v.Points.push_back(p);
    }
    v.Settings.RefUnc = {0.05, false};
    v.Settings.Lab = {"Wind Tunnel Calibration Laboratory of Example Industries",
                      "1-2-3 Example Street, Example City",
                      "Example Wind Farm Operations Company Limited",
                      "PO-2026-12345",
                      "",
                      "Tunnel 1",
                      "33.7",
                      ""};
    v.Finished = test::At(9, 30, 0);
    v.LogFile = "Q-2041_VER.csv";
    v.CertificateFile = "Q-2041_VER.json";
    return v;
}

// Every text stands inside its cell and the page's margins, and no two texts
// on a page touch: measured with the font metrics the painter draws with, in
// both languages, for the calibration report with its verification page and
// for a verification report of its own.
TEST_F(ReportPdf, NoTextIsCutOrRunsIntoAnotherInEitherLanguage) {
    CalibrationReport calibrated = prepared_.journal.Build(prepared_.context);
    calibrated.Verification = SevenPoints();
    CalibrationReport alone = BuildVerificationReport(prepared_.context, SevenPoints());
    for (const bool english : {false, true}) {
        if (english) {
            ASSERT_TRUE(InstallUiTranslation(*qApp, UiLanguage::English));
        }
        for (const CalibrationReport* report : {&calibrated, &alone}) {
            const std::vector<ReportTextBox> boxes = ReportLayout(*report);
            const std::string what = std::string(english ? "en " : "ja ") +
                                     (report->Calibrated ? "calibration" : "verification");
            ASSERT_GT(boxes.size(), 100u) << what;
            int pages = 0;
            for (const ReportTextBox& b : boxes) {
                pages = std::max(pages, b.Page);
                const std::string text = b.Text.toStdString();
                EXPECT_LE(b.Ink.width(), b.Cell.width() + 0.01) << what << ": " << text;
                EXPECT_GE(b.Ink.left(), 12 - 0.01) << what << ": " << text;
                EXPECT_LE(b.Ink.right(), 210 - 12 + 0.01) << what << ": " << text;
                EXPECT_LE(b.Ink.bottom(), 297 - 5) << what << ": " << text;
            }
            for (std::size_t i = 0; i < boxes.size(); ++i)
                for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                    const ReportTextBox& a = boxes[i];
                    const ReportTextBox& b = boxes[j];
                    if (a.Page != b.Page) continue;
                    const QRectF both = a.Ink.intersected(b.Ink);
                    EXPECT_FALSE(both.width() > 0.01 && both.height() > 0.01)
                        << what << ": \"" << a.Text.toStdString() << "\" runs into \""
                        << b.Text.toStdString() << "\"";
                }
            // Each page is numbered "N / M".
            for (int n = 1; n <= pages; ++n) {
                const QString number = english ? QStringLiteral("Page %1 of %2").arg(n).arg(pages)
                                               : QStringLiteral("%1 / %2 ページ").arg(n).arg(pages);
                EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                                        [&](const ReportTextBox& b) { return b.Text == number; }))
                    << what << ": " << number.toStdString();
            }
        }
    }
    qDeleteAll(qApp->findChildren<QTranslator*>());
}

TEST_F(ReportPdf, TheVerificationPageNamesTheSensorTheLabAndEachPointsUncertainty) {
    CalibrationReport report = prepared_.journal.Build(prepared_.context);
    report.Verification = SevenPoints();
    const QString text = Write(report);
    for (const char* expected :
         {"1 / 2 ページ", "2 / 2 ページ", "Q-2041", "19.10", "2.05", "2026/12/10 09:30:00",
          "Wind Tunnel Calibration Laboratory", "PO-2026-12345", "U (k=2) m/s", "± 0.050",
          "残差標準偏差", "標準誤差：傾き", "Q-2041_VER.json", "判定：不合格"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
}

// The legends of the verification's charts stand under the plot area, never on a point.
TEST_F(ReportPdf, NoLegendCoversThePlotArea) {
    const ReportVerification v = SevenPoints();
    QCustomPlot line, deviation;
    for (QCustomPlot* plot : {&line, &deviation})
        plot->resize(340, 300);
    PlotVerificationLine(line, v.Points, FitVerification(v.Points), QFont());
    PlotVerificationDeviation(deviation, v.Points, v.Settings.Tolerance, QFont());
    for (QCustomPlot* plot : {&line, &deviation}) {
        plot->replot();
        ASSERT_TRUE(plot->legend->visible());
        EXPECT_GT(plot->legend->itemCount(), 0);
        EXPECT_FALSE(plot->legend->outerRect().intersects(plot->axisRect()->rect()))
            << plot->legend->outerRect().top() << " " << plot->axisRect()->rect().bottom();
    }
}

} // namespace
} // namespace qvr
