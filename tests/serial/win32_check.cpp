// The Windows build of the serial core, checked without a test framework so
// that it runs under Wine. With a port name argument (a port whose far end
// echoes every byte) it also exchanges bytes through the event thread.
#include "serial/com_hand_over.h"
#include "serial/com_port.h"
#include "serial/com_text.h"
#include "serial/win32_com_device.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace qvr;

namespace {

int passed = 0, failed = 0;

void Check(bool ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s\n", what);
    }
}
#define CHECK(expr) Check((expr), #expr)

void Values() {
    CHECK(StrToBaudRate("38400") == br38400);
    CHECK(StrToFlowControl("xon") == fcCustom);
    CHECK(ComErrorsToStr({ceFrame, ceTxFull}) == "<ComError:Frame,TxFull>");
    CHECK(std::string(EComPort(CE_OpenFailed, 2).what()) == "Unable to open com port (Error: 2)");

    TComPort port("ComPortM");
    port.SetBaudRate(br38400);
    port.SetDiscardNull(true);
    port.Buffer().SetInputSize(2048);
    const DCB dcb = TWin32ComDevice::MakeDCB(port.LineSettings());
    CHECK(dcb.DCBlength == 28);
    CHECK(dcb.BaudRate == 38400);
    CHECK(dcb.fBinary == 1 && dcb.fParity == 0 && dcb.fNull == 1);
    CHECK(dcb.fDtrControl == 0 && dcb.fRtsControl == 0);
    CHECK(dcb.fOutX == 0 && dcb.fInX == 0 && dcb.fOutxCtsFlow == 0);
    CHECK(dcb.XonLim == 512 && dcb.XoffLim == 512);
    CHECK(dcb.ByteSize == 8 && dcb.Parity == 0 && dcb.StopBits == 0);
    CHECK(dcb.XonChar == 17 && dcb.XoffChar == 19 && dcb.ErrorChar == 0);
    CHECK(TWin32ComDevice::EventMask(AllComEvents) == 0x5FF);
    CHECK(TWin32ComDevice::EventsOf(0x5FF) == AllComEvents);
}

void MissingPort() {
    TComPort port;
    port.SetPort("COM199");
    try {
        port.Open();
        CHECK(!"open of a missing port succeeded");
    } catch (const EComPort& e) {
        CHECK(e.Code() == 1);
        CHECK(e.WinCode() > 0);
        CHECK(!port.Connected());
    }
}

void Exchange(const char* name) {
    TComHandOver handOver;
    TComPort port("ComPortM", &handOver);
    port.SetPort(name);
    port.SetBaudRate(br38400);
    port.SetDiscardNull(true);
    std::string got;
    port.OnRxChar = [&](TCustomComPort* sender, int count) {
        std::string s;
        sender->ReadStr(s, count);
        got += s;
    };
    const std::string sent = "<RD:W,>00\r\n\xb5";
    for (int round = 0; round < 2; ++round) {
        got.clear();
        try {
            port.Open();
            CHECK(port.Connected());
            CHECK(port.WriteStr(sent) == static_cast<int>(sent.size()));
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (got.size() < sent.size() && std::chrono::steady_clock::now() < end)
                handOver.WaitAndProcess(std::chrono::milliseconds(20));
            CHECK(got == sent);
            if (got != sent) {
                std::printf("  received %zu of %zu bytes\n", got.size(), sent.size());
            }
            port.Close();
            CHECK(!port.Connected());
        } catch (const std::exception& e) {
            std::printf("FAILED: %s raised %s\n", name, e.what());
            ++failed;
        }
    }
    std::string s;
    try {
        port.ReadStr(s, 1);
        CHECK(!"read on a closed port succeeded");
    } catch (const EComPort& e) {
        CHECK(e.Code() == CEPortNotOpen);
    }
}

} // namespace

int main(int argc, char** argv) {
    Values();
    MissingPort();
    if (argc > 1) Exchange(argv[1]);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
