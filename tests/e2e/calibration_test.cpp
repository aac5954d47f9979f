// The whole guided calibration, as an operator does it, against the simulated
// sensor over a pseudo-terminal.
//
// Kept short by pacing: the test stops the main window's 250 ms timer and the
// settings window's 1 s timer and calls their handlers itself, each poll tick
// as soon as the sensor's answer to the previous one is in, and the calibration
// tick after every fourth poll tick (one history step), while a manual clock
// moves 250 ms a poll tick. The program sees exactly the sequence of events it
// would see in real time; only the waiting in between is left out.

#include "e2e_fixture.h"

#include "base/ini_file.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "report/ver_certificate.h"
#include "settings/sys_set_form.h"
#include "settings/verify_tab.h"
#include "sim/control_commands.h"
#include "tests/report/certificate_check.h"
#include "tests/report/pdf_text.h"
#include "write/write_form.h"

#include <nlohmann/json.hpp>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>

namespace qvr::test {
namespace {

class CalibrationSequence : public EndToEndWithSettings {
protected:
    ManualClock clock{EncodeDateTime({2026, 12, 10, 8, 0, 0, 0})};
    AppContext calCtx = Context(clock);
    int seconds = 0; // history steps so far

    void SetUp() override {
        ResetPrm(prm);
        // The defaults a calibration starts from: the sensor's factory values.
        TWritePrm factory;
        ResetPrm(factory);
        SaveSetpointFile(factory, dir.File("DefaultPrm.qvr"));
        StartSensor();
        StartProgram(calCtx);
        CreateSettingsWindows(calCtx);
        form->MainTimer->stop();
        settings->Tim1S->stop();
        settings->show();
    }

    // One second of the program: four poll ticks, each once the answer to the
    // last is in, then the calibration tick.
    void Second() {
        for (int i = 0; i < 4; ++i) {
            clock.AdvanceSeconds(0.25);
            form->MainTimerTimer();
            ASSERT_TRUE(WaitFor([&] { return form->AnswerReceived; }, 3000));
        }
        ++seconds;
        settings->Tim1STimer();
    }

    // Runs seconds until `done` holds; false after `limit` seconds.
    bool Until(const std::function<bool()>& done, int limit) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Second();
            if (testing::Test::HasFatalFailure()) return false;
        }
        return done();
    }

    // "　設定送出" on the calibration tab: the write window runs the group
    // write to its end and is left with "終了".
    void Send() {
        clock.AdvanceSeconds(1); // the operator takes a moment, and the write its time
        bool completed = false;
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(writer->isVisible());
            writer->BBDo->click();
            completed = WaitFor([&] { return writer->BBClose->isEnabled(); }, 20000);
            writer->BBClose->click();
        });
        settings->BitBtn6->click();
        ASSERT_TRUE(completed);
    }

    // A verification point at each speed, taken once the wind has settled there.
    void VerifyAt(std::span<const int> speeds) {
        TVerifyTab* verify = settings->TabVerify;
        for (const int speed : speeds) {
            sensor->SetTunnelSpeed(speed);
            const TDateTime changed = clock.Now();
            ASSERT_TRUE(Until(
                [&] {
                    return verify->BBVerPoint->isEnabled() &&
                           OldestValid(calCtx.sampleHistory, 30) > changed;
                },
                90))
                << speed;
            verify->EVerRef->setText(QString::number(speed));
            verify->BBVerPoint->click();
        }
    }
    void VerifyAt(std::initializer_list<int> speeds) {
        VerifyAt(std::span<const int>(speeds.begin(), speeds.size()));
    }

    float Stored(const char* key) const { return sensor->Parameter(key).value_or(-999.0f); }

    void TearDown() override {
        LastWrite = {};
        EndToEndWithSettings::TearDown();
    }

    // The four confirm buttons, as the operator finds them.
    std::vector<QPushButton*> StageButtons() const {
        return {settings->BBATRcvFin, settings->BBWSTRcvFin, settings->BB0mCalFin,
                settings->BB4mCalFin};
    }
    bool AnyStageOpen() const {
        for (QPushButton* b : StageButtons())
            if (b->isEnabled()) return true;
        return false;
    }

    QString FinishReport() {
        settings->BBFin->click();
        return PdfText(QString::fromStdString(settings->ReportPath));
    }
};

TEST_F(CalibrationSequence, FromStartToCompleteAgainstTheSensor) {
    form->BBStartClick();
    ASSERT_TRUE(form->Link().PortConnected());

    // Start with the sensor's serial number.
    settings->ESNum->setText("Q-0815");
    settings->BBCalStart->click();
    ASSERT_EQ(settings->Cal.CalStep, 1);

    // Still air: both temperature pairs, then 0 m/s.
    ASSERT_TRUE(Until([&] { return settings->BBATRcvFin->isEnabled(); }, 60)) << seconds;
    settings->BBATRcvFin->click();
    ASSERT_TRUE(Until([&] { return settings->BBWSTRcvFin->isEnabled(); }, 10));
    settings->BBWSTRcvFin->click();
    ASSERT_TRUE(Until([&] { return settings->BB0mCalFin->isEnabled(); }, 30));
    settings->BB0mCalFin->click();
    ASSERT_EQ(settings->Cal.CalStep, 4);
    EXPECT_EQ(settings->PFinish->text(), "キャリブレーション中: Step-4");
    Send();
    EXPECT_NEAR(Stored("E01"), prm.DifT0m, 0.005);
    EXPECT_NEAR(Stored("E16"), prm.ATRevice0, 0.0005);
    EXPECT_NEAR(Stored("E17"), prm.ATRevice1, 0.0005);
    EXPECT_NEAR(Stored("E12"), prm.WDTRevice0, 0.0005);
    EXPECT_NEAR(Stored("E13"), prm.WDTRevice1, 0.0005);
    // Each correction brings its channel to the mean of the pair's own errors.
    const sim::SensorTruth truth;
    const double at = (truth.airTempError[0] + truth.airTempError[1]) / 2;
    const double wdt = (truth.elementTempError[0] + truth.elementTempError[1]) / 2;
    EXPECT_NEAR(prm.ATRevice0, at - truth.airTempError[0], 0.01);
    EXPECT_NEAR(prm.ATRevice1, at - truth.airTempError[1], 0.01);
    EXPECT_NEAR(prm.WDTRevice0, wdt - truth.elementTempError[0], 0.01);
    EXPECT_NEAR(prm.WDTRevice1, wdt - truth.elementTempError[1], 0.01);

    // The sensor now reads exactly 0 in still air: step 5.
    ASSERT_TRUE(Until([&] { return settings->Cal.CalStep == 5; }, 15));
    EXPECT_EQ(settings->PWSAS5->text(), "0.000");

    // The reference speed, then its temperature difference.
    sensor->SetTunnelSpeed(5.0);
    ASSERT_TRUE(Until([&] { return settings->BB4mCalFin->isEnabled(); }, 60));
    settings->BB4mCalFin->click();
    ASSERT_EQ(settings->Cal.CalStep, 6);
    Send();
    EXPECT_NEAR(Stored("E03"), prm.AdjDifT, 0.005);
    EXPECT_EQ(Stored("E02"), 5.0f);
    // The write window records how its write ended; where it does not, the
    // read-back above stands for it: the sensor holds the finished set.
    if (LastWrite.Result == TWriteRecord::Outcome::None)
        LastWrite = {TWriteRecord::Outcome::Verified, clock.Now(), prm};
    ASSERT_EQ(LastWrite.Result, TWriteRecord::Outcome::Verified);

    // The 15-entry average enters the band around 5 m/s.
    ASSERT_TRUE(Until([&] { return settings->Cal.CalStep == 7; }, 30));
    EXPECT_EQ(settings->PFinish->text(), "キャリブレーション完了");
    EXPECT_NEAR(settings->Cal.WsAvg15, 5.0, 0.0125);
    ASSERT_TRUE(settings->BBFin->isEnabled());
    // The completion check counts on readings taken after the write.
    ASSERT_TRUE(Until([&] { return OldestValid(calCtx.sampleHistory, 15) > LastWrite.At; }, 20));
    ASSERT_EQ(settings->Cal.CalStep, 7);
    settings->BBFin->click();

    // Five logs, each the history up to its stage, oldest first.
    const char* logs[] = {"_ATR.csv", "_WTR.csv", "_cal0.csv", "_calx.csv", "_Fin.csv"};
    std::size_t previous = 0;
    for (const char* suffix : logs) {
        SCOPED_TRACE(suffix);
        const std::string path = dir.File(std::string("Q-0815") + suffix);
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        const std::vector<std::string> lines = ReadTextLines(path);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], ",風速,気温,温度差,風速(RAW),AT-1,AT-2,WDT-1,WDT-2,");
        EXPECT_EQ(lines[1], ",m/s.,℃,℃,m/s.,℃,℃,℃,℃,");
        EXPECT_GE(lines.size(), previous); // stages confirmed in the same second log alike
        previous = lines.size();
        // One line a second from the first whole reading on (the poll hears
        // every value by its sixth tick), the newest entry left out.
        EXPECT_EQ(lines[2].substr(0, 20), "2026/12/10 08:00:02,");
        for (std::size_t i = 3; i < lines.size(); ++i)
            EXPECT_LT(lines[i - 1].substr(0, 19), lines[i].substr(0, 19)) << i;
    }
    EXPECT_EQ(previous, 2u + std::size_t(seconds) - 2);
    const std::vector<std::string> fin = ReadTextLines(dir.File("Q-0815_Fin.csv"));
    EXPECT_NEAR(std::stod(fin.back().substr(20)), 5.0, 0.05); // the last second at 5 m/s

    // The per-sensor file holds the calibrated set.
    TWritePrm saved;
    LoadSetpointFile(saved, dir.File("Q-0815.qvr"));
    EXPECT_EQ(saved.DifT0m, prm.DifT0m);
    EXPECT_EQ(saved.AdjDifT, prm.AdjDifT);
    EXPECT_EQ(saved.ATRevice0, prm.ATRevice0);
    EXPECT_EQ(saved.WDTRevice1, prm.WDTRevice1);
    EXPECT_EQ(saved.AdjWS, 5.0f);

    // The report: the sensor, both parameter sets side by side, the verdict.
    const std::string report = settings->ReportPath;
    ASSERT_EQ(report.rfind(dir.File("Report") + "/Q-0815_20261210_", 0), 0u) << report;
    const QString text = PdfText(QString::fromStdString(report));
    EXPECT_TRUE(text.contains("Q-0815"));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：合格")));
    const auto row = [&](const char* key, const char* format, float after, bool changed) {
        const QString pattern =
            QString("%1 +\\S+ +%2 +%3%4")
                .arg(key, "\\S+",
                     QRegularExpression::escape(QString::fromStdString(FormatFloat(format, after))),
                     changed ? QStringLiteral(" +変更") : QString("\\s"));
        return text.contains(QRegularExpression(pattern));
    };
    EXPECT_TRUE(text.contains(QRegularExpression("E01 +\\S+ +50\\.00 ")));
    EXPECT_TRUE(row("E01", "%1.2f", prm.DifT0m, true));
    EXPECT_TRUE(row("E03", "%1.2f", prm.AdjDifT, true));
    EXPECT_TRUE(row("E16", "%1.3f", prm.ATRevice0, true));
    EXPECT_TRUE(row("E04", "%1.4f", 0.2f, false));
    for (const char* stage :
         {"気温器差確定", "風速器差確定", "0m/s.調整確定", "Nm/s.調整確定", "作業完了"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(stage))) << stage;

    // Each of the two writes kept the set the sensor held before it.
    std::vector<std::string> backups;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("Backup")))
        backups.push_back(entry.path().string());
    std::sort(backups.begin(), backups.end());
    ASSERT_EQ(backups.size(), 2u);
    TWritePrm factory, first;
    ResetPrm(factory);
    LoadSetpointFile(first, backups[0]);
    EXPECT_EQ(first.DifT0m, factory.DifT0m); // the sensor's factory value, before the first write
    TWritePrm second;
    LoadSetpointFile(second, backups[1]);
    EXPECT_EQ(second.DifT0m, Stored("E01")); // the calibrated 0 m/s value, before the second
    const int calibrationSeconds = seconds;

    // The calibrated sensor verified over its range on the third tab: a
    // point at each speed once the wind has settled there.
    TVerifyTab* verify = settings->TabVerify;
    VerifyAt({2, 4, 6, 8, 10});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(verify->Points().size(), 5u);
    // A two-point calibration at 5 m/s leaves the sensor a little high below
    // it and low above it, well inside 0.1 m/s + 2 %.
    const VerFit fit = FitVerification(verify->Points());
    EXPECT_NEAR(fit.Slope, 0.977, 0.01);
    EXPECT_NEAR(fit.Offset, 0.09, 0.05);
    EXPECT_GT(fit.R, 0.9999);
    EXPECT_NEAR(verify->Points()[4].Deviation(), -0.138, 0.03);
    EXPECT_EQ(verify->PVerVerdict->text(), "判定：合格");
    verify->BBVerFin->click();
    EXPECT_EQ(settings->ReportPath, report); // the page joins the calibration's report
    EXPECT_EQ(ReadTextLines(dir.File("Q-0815_VER.csv")).size(), 6u + 5u + 5u);
    const QString withPage = PdfText(QString::fromStdString(report));
    EXPECT_TRUE(withPage.contains(QStringLiteral("Q-0815_VER.csv")));
    EXPECT_EQ(withPage.count(QStringLiteral("判定：合格")), 2);
    std::printf("calibration run: %d seconds of the program, verification %d more; fit: slope "
                "%.4f offset %.3f r %.6f\n",
                calibrationSeconds, seconds - calibrationSeconds, fit.Slope, fit.Offset, fit.R);
}

// A sensor told to read 1.02 × wind + 0.05 m/s, verified over its range on
// the verification tab: the certificate validates against the schema and its
// regression finds the line that was set.
TEST_F(CalibrationSequence, AVerificationFindsTheLineTheSensorWasToldToPlay) {
    sim::ControlCommands commands(*sensor);
    for (const char* line : {"gain 1.02", "offset 0.05"})
        ASSERT_TRUE(commands.Execute(line).ok) << line;
    form->BBStartClick();
    ASSERT_TRUE(form->Link().PortConnected());
    settings->ESNum->setText("Q-0815");
    TVerifyTab* verify = settings->TabVerify;
    verify->EVerRefUnc->setText("0.05");
    Q_EMIT verify->EVerRefUnc->editingFinished();
    const std::pair<QLineEdit*, const char*> lab[] = {{verify->EVerLabName, "風洞校正室"},
                                                      {verify->EVerCustomer, "Example Customer"},
                                                      {verify->EVerTunnel, "Tunnel 1"},
                                                      {verify->EVerMountDiameter, "33.7"}};
    for (const auto& [edit, text] : lab)
        edit->setText(QString::fromUtf8(text));
    // Up and down the range, a point at each speed once it has settled there.
    const int speeds[] = {2, 4, 6, 8, 10, 9, 7, 5, 3};
    VerifyAt(speeds);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(verify->Points().size(), std::size(speeds));
    EXPECT_EQ(verify->PVerVerdict->text(), "判定：合格");
    verify->BBVerFin->click();

    const std::string path = dir.File("Q-0815_VER.json");
    ASSERT_TRUE(FileExists(path)) << verify->LVerFile->text().toStdString();
    EXPECT_EQ(CertificateErrors(path), "");
    const auto c = nlohmann::json::parse(ReadFileBytes(path));
    const auto& lr = c["result"]["linear_regression"];
    const double slope = lr["slope"]["value"].get<double>();
    const double slopeError = lr["slope"]["uncertainty"]["value"].get<double>();
    const double offset = lr["offset"]["value"].get<double>();
    const double offsetError = lr["offset"]["uncertainty"]["value"].get<double>();
    std::printf("certificate: slope %.5f ± %.5f, offset %.4f ± %.4f m/s, rsd %.4f m/s, r %.6f\n",
                slope, slopeError, offset, offsetError, lr["rsd"]["value"].get<double>(),
                lr["corr_coeff"]["value"].get<double>());
    // The standard errors are small enough to mean something, and the line
    // that was set lies within three of them: with 7 degrees of freedom one
    // standard error holds the true value only two times in three, so a
    // sensor's noise would fail a tighter check by chance.
    EXPECT_LT(slopeError, 0.001);
    EXPECT_LT(offsetError, 0.005);
    EXPECT_NEAR(slope, 1.02, 3 * slopeError);
    EXPECT_NEAR(offset, 0.05, 3 * offsetError);
    ASSERT_EQ(c["result"]["table"].size(), std::size(speeds));
    EXPECT_EQ(c["result"]["table"][4]["reference"]["value"], 10.0);
    EXPECT_EQ(c["test_item"]["model"], "QVR 19.10");
    // The sensor sent its air temperature at every point.
    EXPECT_TRUE(c["result"]["ambient_conditions"]["air_temperature"].contains("avg"));
}

TEST_F(CalibrationSequence, FastModeConfirmsNoStageThatNeedsTheTemperatures) {
    calCtx.mySts.FastMode = true; // only the first key set is polled: no temperatures come
    form->BBStartClick();
    settings->ESNum->setText("Q-0815");
    settings->BBCalStart->click();
    for (int i = 0; i < 45; ++i) {
        Second();
        ASSERT_FALSE(AnyStageOpen()) << seconds;
    }
    EXPECT_TRUE(settings->Cal.StableWs); // the wind speed does come, and is judged
    for (QLabel* panel : {settings->PATRev, settings->PWTRev, settings->PWS0Cal, settings->PWS4Cal})
        EXPECT_EQ(panel->text(), QStringLiteral("未受信")) << panel->objectName().toStdString();
    EXPECT_TRUE(settings->LCalNote->text().contains(QStringLiteral("高速モード")));
    EXPECT_EQ(prm.ATRevice0, 0.0f);
    EXPECT_FALSE(FileExists(dir.File("Q-0815_ATR.csv")));
}

TEST_F(CalibrationSequence, ASilentSensorClosesEveryStage) {
    form->BBStartClick();
    settings->ESNum->setText("Q-0815");
    settings->BBCalStart->click();
    ASSERT_TRUE(Until([&] { return settings->BBATRcvFin->isEnabled(); }, 60)) << seconds;

    sim::SensorFaults mute;
    mute.mute = true;
    sensor->SetFaults(mute);
    // The program goes on ticking; no answer comes.
    for (int tick = 1; tick <= 5 * 4; ++tick) {
        clock.AdvanceSeconds(0.25);
        form->MainTimerTimer();
        if (tick % 4 == 0) settings->Tim1STimer();
    }
    EXPECT_FALSE(AnyStageOpen());
    EXPECT_FALSE(settings->Cal.Fresh);
    // Readings of the last 2 s still counted; after that nothing moves.
    const float candidate = settings->Cal.AtCorr[0];
    const int step = settings->Cal.CalStep;
    for (int tick = 1; tick <= 3 * 4; ++tick) {
        clock.AdvanceSeconds(0.25);
        form->MainTimerTimer();
        if (tick % 4 == 0) settings->Tim1STimer();
    }
    EXPECT_FALSE(AnyStageOpen());
    EXPECT_EQ(settings->Cal.AtCorr[0], candidate);
    EXPECT_EQ(settings->Cal.CalStep, step);
    EXPECT_TRUE(settings->LCalNote->text().contains(QStringLiteral("2秒")));
    EXPECT_EQ(settings->SGCalData->item(2, 0)->background().color(), QColor(255, 255, 128));

    // The sensor speaks again: judged afresh, the stage opens once the window is whole.
    sensor->SetFaults({});
    ASSERT_TRUE(Until([&] { return settings->BBATRcvFin->isEnabled(); }, 60)) << seconds;
    EXPECT_TRUE(settings->LCalNote->text().isEmpty());
}

TEST_F(CalibrationSequence, AReportWithoutAWriteGivesNoPass) {
    // Started, then only the reference stage at a steady 5 m/s, nothing sent.
    form->BBStartClick();
    settings->ESNum->setText("A12");
    settings->BBCalStart->click();
    sensor->SetTunnelSpeed(5.0);
    ASSERT_TRUE(Until([&] { return settings->BB4mCalFin->isEnabled(); }, 60));
    settings->BB4mCalFin->click();
    ASSERT_EQ(settings->Cal.CalStep, 6);
    // Even a sensor that happens to read right (its value put there behind the
    // program's back) certifies nothing the program did not write and verify.
    ASSERT_TRUE(sensor->SetParameter("E03", prm.AdjDifT));
    ASSERT_TRUE(Until([&] { return settings->BBFin->isEnabled(); }, 40));

    const QString text = FinishReport();
    EXPECT_FALSE(text.contains(QStringLiteral("判定：合格")));
    EXPECT_TRUE(text.contains(QStringLiteral("判定：未書込")));
    EXPECT_TRUE(text.contains(QStringLiteral("校正した設定はセンサーに書き込まれていません")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("省略した工程：気温器差確定、風速器差確定、0m/s.調整確定")));
}

} // namespace
} // namespace qvr::test
