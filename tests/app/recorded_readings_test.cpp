// What reaches the record files and the chart is only what the sensor sent in
// this collection run: the main window's poll against a sensor played on a
// pseudo-terminal, tick by tick on a manual clock, with the recorder's tick
// every fourth one.

#include "../local_state.h"
#include "../serial/pty_pair.h"
#include "app/main_form.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "link/comm_ctrl_form.h"
#include "link/frame_codec.h"
#include "records/recorder.h"

#include "ui/plot.h"
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace qvr {
namespace {

class RecordedReadings : public ::testing::Test, protected test::LocalState {
protected:
    test::PtyPair pty;
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 58, 0})};
    AppContext ctx = Context(clock);
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<Recorder> recorder;
    bool answering = true;
    int ticks = 0;
    TDateTime lastAnswer = 0; // when the last answer was decoded
    // What the sensor answers; every other status key gets 1. A model
    // without wind direction answers its keys empty.
    std::map<std::string, std::string> values = {
        {"M01", "3.2"}, {"M11", "20.5"}, {"S00", "19.00"}, {"M05", ""}, {"M07", ""}};

    void SetUp() override {
        std::ofstream(dir.File("Port0.ini")) << "[ComPortM]\r\nPort=" << pty.Path() << "\r\n";
        sts.SecRec = true;
        form = std::make_unique<TMainForm>(ctx);
        form->MainTimer->stop();
        form->BBStartClick();
        ASSERT_TRUE(form->Link().PortConnected());
        recorder = std::make_unique<Recorder>(ctx);
    }

    // One 250 ms tick of the main timer; the sensor answers the request it
    // sent when `answering`. Every fourth tick is also the recorder's.
    void Tick() {
        clock.AdvanceSeconds(0.25);
        const bool answerWaiting = form->AnswerReceived;
        form->MainTimerTimer();
        if (answerWaiting && ticks > 0) lastAnswer = clock.Now();
        std::string request;
        while (request.find("\r\n") == std::string::npos) {
            const std::string got = pty.Receive(1, std::chrono::milliseconds(5000));
            ASSERT_FALSE(got.empty()) << "no request at tick " << ticks;
            request += got;
        }
        if (answering) {
            std::string answer = "AD,";
            const std::size_t start = request.find("RD,") + 3;
            const std::string keys = request.substr(start, request.find('>') - start);
            for (std::size_t at = 0, comma; (comma = keys.find(',', at)) != std::string::npos;
                 at = comma + 1) {
                const std::string key = keys.substr(at, comma - at);
                const auto value = values.find(key);
                answer += key + "=" + (value != values.end() ? value->second : "1") + ",";
            }
            pty.Send(*frame::BuildFrame(answer));
            ASSERT_TRUE(QTest::qWaitFor([&] { return form->AnswerReceived; }, 5000));
        }
        if (++ticks % 4 == 0) recorder->RecordTick();
    }
    void Ticks(int count) {
        for (int i = 0; i < count && !HasFatalFailure(); ++i)
            Tick();
    }

    std::vector<std::string> Rows(const std::string& name) const {
        const std::string path = dir.File("Record/" + name);
        return FileExists(path) ? ReadTextLines(path) : std::vector<std::string>{};
    }
    int ValidHistoryEntries() const {
        int n = 0;
        for (const TSampleRec& e : history)
            n += e.Valid ? 1 : 0;
        return n;
    }
};

TEST_F(RecordedReadings, ASilentSensorGivesNoRowsAndNoChart) {
    answering = false;
    Ticks(48); // 12 s, past the minute row's seconds
    EXPECT_FALSE(current.Valid);
    EXPECT_EQ(Rows("RT_20240529.csv"), std::vector<std::string>{});
    EXPECT_EQ(Rows("RT_20240529.RCD"), std::vector<std::string>{});
    EXPECT_EQ(ValidHistoryEntries(), 0);
    EXPECT_EQ(form->Series1->dataCount(), 0);
}

TEST_F(RecordedReadings, RowsAndChartHoldOnlyWhatTheSensorSent) {
    answering = false;
    Tick(); // the first request goes unanswered
    answering = true;
    Ticks(47); // up to 12:01:10
    const auto seconds = Rows("RT_20240529.csv");
    ASSERT_GE(seconds.size(), 8u);
    for (std::size_t i = 1; i < seconds.size(); ++i)
        EXPECT_EQ(seconds[i].substr(19), ",3.200,20.5,") << seconds[i];
    const auto minute = Rows("RT_20240529.RCD");
    ASSERT_EQ(minute.size(), 3u);
    const std::string speed = GeneralNumberText(3.2f); // as held in single precision
    EXPECT_EQ(minute[2],
              "2024/05/29 12:01," + speed + "," + speed + "," + speed + ",20.5,20.5,20.5,");
    EXPECT_GT(ValidHistoryEntries(), 8);
    for (const TSampleRec& e : history) {
        if (e.Valid) {
            EXPECT_EQ(e.WindSpeed, 3.2f);
        }
    }
}

TEST_F(RecordedReadings, RowsStopWithinTwoSecondsOfSilenceAndResumeWithTheAnswers) {
    Ticks(20);
    answering = false;
    Ticks(20);
    const TDateTime silentFrom = lastAnswer;
    const std::size_t rowsBefore = Rows("RT_20240529.csv").size();
    answering = true;
    values["M01"] = "4.5";
    Ticks(20);

    const auto rows = Rows("RT_20240529.csv");
    ASSERT_GT(rows.size(), rowsBefore);
    const std::string lastSilent = FormatDateTime("yyyy/mm/dd hh:nn.ss", silentFrom + 2.0 / 86400);
    // Rows of the old reading up to 2 s into the silence, then none until the
    // sensor has sent every value again.
    int resumed = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string stamp = rows[i].substr(0, 19);
        if (rows[i].substr(19) == ",4.500,20.5,") {
            ++resumed;
            EXPECT_GT(stamp, lastSilent);
        } else {
            EXPECT_EQ(rows[i].substr(19), ",3.200,20.5,");
            EXPECT_LE(stamp, lastSilent) << "a row after 2 s of silence";
        }
    }
    EXPECT_GE(resumed, 2);
}

// A silence across a minute's boundary does not move that minute's samples
// under the next minute's time; the operator's stop keeps them for the first
// row after collection resumes.
TEST_F(RecordedReadings, ASilenceAtTheMinutesBoundaryKeepsTheMinutesOwnRow) {
    Ticks(20); // 12:00:58 .. 12:01:03
    answering = false;
    Ticks(28); // silent through 12:01:10, invalid from about 12:01:05
    answering = true;
    values["M01"] = "4.5";
    Ticks(240); // to 12:02:10
    const std::string old = GeneralNumberText(3.2f);
    auto minute = Rows("RT_20240529.RCD");
    ASSERT_EQ(minute.size(), 4u);
    EXPECT_EQ(minute[2], "2024/05/29 12:01," + old + "," + old + "," + old + ",20.5,20.5,20.5,");
    EXPECT_EQ(minute[3], "2024/05/29 12:02,4.5,4.5,4.5,20.5,20.5,20.5,");

    Ticks(40); // to 12:02:20
    form->BBStopClick();
    for (int i = 0; i < 240; ++i) { // to 12:03:20, stopped
        clock.AdvanceSeconds(0.25);
        form->MainTimerTimer();
        if (++ticks % 4 == 0) recorder->RecordTick();
    }
    EXPECT_EQ(Rows("RT_20240529.RCD").size(), 4u);
    EXPECT_GT(recorder->StatCount(), 0); // kept for the row after resuming
}

} // namespace
} // namespace qvr
