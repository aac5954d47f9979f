// The Win32 port backend. The line tests run against the simulated sensor on
// a COM port: scripts/windows-check.sh maps one to the simulator's
// pseudo-terminal under Wine and names it in QVR_SIM_COM_PORT, with the
// simulator's command input in QVR_SIM_CONTROL.
#include "core/exchange.h"
#include "core/poll_cycle.h"
#include "link/frame_codec.h"
#include "link/sensor_link.h"
#include "serial/com_hand_over.h"
#include "serial/com_port.h"
#include "serial/win32_com_device.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace qvr {
namespace {

using namespace std::chrono_literals;

TEST(Win32ComDevice, ProgramsPortGivesItsDeviceControlBlockAndEventMask) {
    TComPort port("ComPortM");
    port.SetBaudRate(br38400);
    port.SetDiscardNull(true);
    port.Buffer().SetInputSize(2048);
    const DCB dcb = TWin32ComDevice::MakeDCB(port.LineSettings());
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 38400u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fNull, 1u);
    EXPECT_EQ(dcb.fDtrControl, 0u);
    EXPECT_EQ(dcb.fRtsControl, 0u);
    EXPECT_EQ(dcb.fOutX + dcb.fInX + dcb.fOutxCtsFlow + dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.XonLim, 512);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(TWin32ComDevice::EventMask(AllComEvents), 0x5FFu);
    EXPECT_EQ(TWin32ComDevice::EventsOf(0x5FF), AllComEvents);
}

TEST(Win32ComDevice, OpeningAMissingPortRaisesCode1WithTheSystemsNumber) {
    TComPort port;
    port.SetPort("COM199");
    try {
        port.Open();
        FAIL() << "COM199 opened";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_GT(e.WinCode(), 0);
        EXPECT_EQ(std::string(e.what()),
                  "Unable to open com port (Error: " + std::to_string(e.WinCode()) + ")");
    }
    EXPECT_FALSE(port.Connected());
}

// The program's sensor link on the simulator's COM port, polled by the
// program's poll cycle through its request/answer exchange.
class SimulatedSensorPort : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("QVR_SIM_COM_PORT");
        if (!name || !*name) GTEST_SKIP() << "no simulated sensor on a COM port (QVR_SIM_COM_PORT)";
        link = std::make_unique<SensorLink>(portName, std::string(), &handOver);
        port = link->ComPortM.get();
        port->SetPort(name);
        port->OnError = [this](TCustomComPort*, TComErrors errors) {
            errorEvents.push_back(errors);
        };
        link->OnReceiveLog = [this](const std::string& line) {
            if (line.find("SumCheck") != std::string::npos) ++badFrames;
        };
        link->OnLineFailed = [this] { ++lineFailures; };
        exchange = std::make_unique<Exchange>(*link);
        exchange->Collecting = true;
    }
    void TearDown() override {
        if (link) link->ClosePort();
        exchange.reset();
        link.reset(); // before the handlers' captures go
    }

    // One poll tick, then the wait for its answer; true when it came.
    bool Poll() {
        PollCycle(counters, *exchange, sample, false);
        return PumpUntil([this] { return exchange->AnswerReceived; });
    }

    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            handOver.WaitAndProcess(10ms);
        }
        return true;
    }
    int PumpFor(std::chrono::milliseconds span) {
        int ran = 0;
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end)
            ran += handOver.WaitAndProcess(10ms);
        return ran;
    }

    // A command line to the simulator (hangup, speed ...).
    static bool TellSimulator(const std::string& command) {
        const char* control = std::getenv("QVR_SIM_CONTROL");
        if (!control || !*control) return false;
        const int n = MultiByteToWideChar(CP_UTF8, 0, control, -1, nullptr, 0);
        std::wstring path(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, control, -1, path.data(), n);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const std::string line = command + "\n";
        DWORD written = 0;
        const bool ok =
            WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
            written == line.size();
        CloseHandle(h);
        return ok;
    }

    TComHandOver handOver;
    std::string portName;
    std::unique_ptr<SensorLink> link;
    TComPort* port = nullptr;
    int badFrames = 0;
    int lineFailures = 0;
    std::unique_ptr<Exchange> exchange;
    PollCounters counters;
    TSampleRec sample;
    std::vector<TComErrors> errorEvents;
};

TEST_F(SimulatedSensorPort, PollExchangeOfTwentyFiveFramesIsAnsweredAndDecoded) {
    ASSERT_TRUE(link->OpenPort()) << link->PortFailure;
    // Each tick decodes the answer to the tick before: 26 ticks decode 25
    // answers, five rounds of the key sets.
    int answered = 0;
    for (int tick = 0; tick < 26; ++tick)
        answered += Poll() ? 1 : 0;
    EXPECT_EQ(answered, 26);
    EXPECT_EQ(badFrames, 0);
    // The simulated sensor is model 19.10 in still air at about 20 degC.
    EXPECT_FLOAT_EQ(sample.ModelNo, 19.1f);
    EXPECT_GT(sample.AirTemp, 10.0f);
    EXPECT_LT(sample.AirTemp, 30.0f);
    EXPECT_GT(sample.SupplyVoltage, 0.0f);
    EXPECT_TRUE(errorEvents.empty());
}

TEST_F(SimulatedSensorPort, HangUpIsReportedOnceWithoutSpinningAndAReopenServesAgain) {
    ASSERT_TRUE(link->OpenPort()) << link->PortFailure;
    ASSERT_TRUE(Poll());
    ASSERT_TRUE(TellSimulator("hangup")) << "QVR_SIM_CONTROL is not writable";

    // The event thread rests on the dead line: at most one error event, no
    // stream of empty ones, and next to no processor time.
    const auto cpuMs = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return (ticks(kernel) + ticks(user)) / 10000;
    };
    const auto cpuBefore = cpuMs();
    EXPECT_LE(PumpFor(1000ms), 1);
    EXPECT_LT(cpuMs() - cpuBefore, 300u) << "the event thread spins on the hung-up line";
    EXPECT_LE(errorEvents.size(), 1u);

    // The next request fails to go out: the link closes the port and says
    // so once; later ticks send nothing.
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (lineFailures == 0 && std::chrono::steady_clock::now() < end) {
        PollCycle(counters, *exchange, sample, false);
        PumpFor(50ms);
    }
    ASSERT_EQ(lineFailures, 1);
    EXPECT_FALSE(link->LinkOpen);
    EXPECT_FALSE(port->Connected());
    EXPECT_NE(link->PortFailure.find("WriteFile function failed (Error: "), std::string::npos)
        << link->PortFailure;
    for (int tick = 0; tick < 3; ++tick)
        PollCycle(counters, *exchange, sample, false);
    EXPECT_EQ(lineFailures, 1);

    // The simulator serves a fresh line behind the same name.
    ASSERT_TRUE(link->OpenPort()) << link->PortFailure;
    EXPECT_TRUE(Poll());
}

} // namespace
} // namespace qvr
