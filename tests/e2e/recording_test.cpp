#include "e2e_fixture.h"

#include "base/text_file.h"
#include "monitor/mon_form.h"

#include <QTimer>
#include <regex>

namespace qvr::test {
namespace {

// Real time, shifted so that the recorder's minute comes round within seconds.
class ShiftedClock final : public Clock {
public:
    explicit ShiftedClock(double secondOfMinute) {
        const TDateTime now = SystemClock::Instance().Now();
        const DateTimeParts p = DecodeDateTime(now);
        double shift = secondOfMinute - (p.second + p.millisecond / 1000.0);
        if (shift < 0) shift += 60;
        offset_ = shift / 86400.0;
    }
    TDateTime Now() const override { return SystemClock::Instance().Now() + offset_; }

private:
    double offset_ = 0;
};

class Recording : public EndToEnd {
protected:
    ShiftedClock shifted{57.0};
    AppContext shiftedCtx = Context(shifted);
};

TEST_F(Recording, MonitoringTheSensorWritesMinuteAndSecondRows) {
    sim::SensorConditions c;
    c.tunnelSpeed = 4.0;
    c.model = 19.09;
    StartSensor(c);
    std::ofstream(dir.File("BaseSetpoint.ini")) << "[Record]\r\nSecRec=1\r\n";
    form = std::make_unique<TMainForm>(shiftedCtx);
    TMonForm mon(shiftedCtx);
    form->show();
    ASSERT_TRUE(sts.SecRec);
    form->BBStartClick();

    const TDateTime start = shifted.Now();
    const std::string minuteFile =
        dir.File("Record/RT_" + FormatDateTime("yyyymmdd", start + 10.0 / 86400) + ".RCD");
    ASSERT_TRUE(WaitFor([&] { return FileExists(minuteFile); }, 20000));
    const std::vector<std::string> minute = ReadTextLines(minuteFile);
    ASSERT_EQ(minute.size(), 3u);
    EXPECT_EQ(minute[0], ",風速,,,気温(参考),,,");
    EXPECT_EQ(minute[1], "時刻,Avg,Max,Min,Avg,Max,Min,");
    // Stamped with the minute, then average, maximum and minimum of both channels.
    const std::regex row(R"(\d{4}/\d\d/\d\d \d\d:\d\d,([-0-9.E]+,){6})");
    EXPECT_TRUE(std::regex_match(minute[2], row)) << minute[2];
    const double avg = std::stod(minute[2].substr(17));
    EXPECT_GT(avg, 0.5); // the tunnel blows; the uncalibrated sensor reads it wrong but not zero
    const std::string bytes = ReadFileBytes(minuteFile);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(bytes.find("\r\n"), Utf8ToCp932(minute[0]).size());

    // One row a second in the second file, under its header.
    const std::string secondFile = minuteFile.substr(0, minuteFile.size() - 4) + ".csv";
    ASSERT_TRUE(
        WaitFor([&] { return FileExists(secondFile) && ReadTextLines(secondFile).size() >= 6; }));
    const std::vector<std::string> seconds = ReadTextLines(secondFile);
    EXPECT_EQ(seconds[0], "時刻,風速,気温(参考)");
    const std::regex secondRow(R"(\d{4}/\d\d/\d\d \d\d:\d\d\.\d\d,-?\d+\.\d{3},-?\d+\.\d,)");
    for (std::size_t i = 1; i < seconds.size(); ++i)
        EXPECT_TRUE(std::regex_match(seconds[i], secondRow)) << seconds[i];
    for (std::size_t i = 2; i < seconds.size(); ++i)
        EXPECT_LE(seconds[i - 1].substr(0, 19), seconds[i].substr(0, 19)); // in time order
}

} // namespace
} // namespace qvr::test
