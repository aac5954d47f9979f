#include "core/param_keys.h"
#include "core/param_reader.h"
#include "sim/simulated_sensor.h"
#include "tests/sim/sensor_client.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

// The same read over a pseudo-terminal against the simulated sensor: the
// requests are framed, paced and answered as on a real line.
class SensorPtyLink : public FrameLink {
public:
    explicit SensorPtyLink(const std::string& path) : client_(path) {}
    void SendFrame(const std::string& payload) override {
        if (frame::BuildFrame(payload)) client_.Send(payload);
    }
    void SetOnFrame(FrameListener l) override { listener_ = std::move(l); }
    // Hands over every good frame that arrives within one tick of the timer.
    void Pump(std::chrono::milliseconds tick = std::chrono::milliseconds(160)) {
        const auto end = std::chrono::steady_clock::now() + tick;
        while (auto line = client_.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
                   end - std::chrono::steady_clock::now()))) {
            std::string text = *line;
            if (frame::VerifyFrame(text) && listener_) listener_(text);
        }
    }

private:
    sim::test::SensorClient client_;
    FrameListener listener_;
};

TEST(ParamReaderOnTheLine, ReadsTheSimulatedSensorsHeldValuesAndNamesWhatItAnswersEmpty) {
    sim::SimulatedSensor sensor;
    SensorPtyLink link(sensor.Start());
    Exchange exchange(link);
    ParamReader reader(exchange);
    ASSERT_TRUE(sensor.SetParameter("E04", 0.25f));
    ASSERT_TRUE(sensor.SetParameter("P19", 12.5f));
    ASSERT_TRUE(sensor.SetParameter("E13", -0.375f));

    const auto run = [&] {
        reader.Start();
        for (int i = 0; i < 40 && reader.Tick(); ++i)
            link.Pump();
    };
    run();
    ASSERT_TRUE(reader.Complete()) << JoinKeys(reader.Missing());
    TWritePrm prm{};
    reader.ApplyTo(prm);
    EXPECT_EQ(prm.HeaterWatt, 0.25f);
    EXPECT_EQ(prm.DIV[9], 12.5f);
    EXPECT_EQ(prm.WDTRevice1, -0.375f);
    EXPECT_EQ(prm.DifT0m, 50.0f);
    for (const auto& r : sensor.Requests())
        EXPECT_EQ(r.payload.substr(0, 3), "RD,");

    sim::SensorFaults faults;
    faults.emptyReadKeys = {"E04", "P32"};
    sensor.SetFaults(faults);
    run();
    EXPECT_EQ(JoinKeys(reader.Missing()), "E04, P32");

    faults.emptyParamReads = true;
    sensor.SetFaults(faults);
    run();
    EXPECT_EQ(reader.Missing().size(), ParamKeys.size());
    EXPECT_FALSE(reader.Silent()); // it answered, only without values

    faults.mute = true;
    sensor.SetFaults(faults);
    run();
    EXPECT_TRUE(reader.Silent());
}

} // namespace
} // namespace qvr
