#include "report/report_pdf.h"
#include "tests/base/temp_dir.h"
#include "tests/report/pdf_text.h"
#include "tests/report/prepared_calibration.h"

#include <QFile>
#include <QRegularExpression>
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

} // namespace
} // namespace qvr
