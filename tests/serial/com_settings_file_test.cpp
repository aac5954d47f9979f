// The port's settings file.
#include "serial/com_port.h"
#include "tests/base/temp_dir.h"
#ifndef _WIN32
#include "tests/serial/pty_pair.h"
#endif

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qvr::test {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The program's own port as it is designed.
std::unique_ptr<TComPort> SystemPort() {
    auto port = std::make_unique<TComPort>("ComPortM");
    port->SetPort("COM7");
    port->SetBaudRate(br38400);
    port->SetDiscardNull(true);
    port->Buffer().SetInputSize(2048);
    return port;
}

TEST(ComSettingsFile, StoresTheSixBasicKeysInOrder) {
    TempDir dir;
    const std::string file = dir.File("Port0.ini");
    SystemPort()->StoreSettings(stIniFile, file);
    const std::string lines = ReadAll(file);
    EXPECT_NE(lines.find("[ComPortM]"), std::string::npos);
    const std::string body = lines.substr(lines.find(']') + 1);
    std::istringstream in(body);
    std::vector<std::string> keys;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) keys.push_back(line);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Port=COM7", "BaudRate=38400", "StopBits=1",
                                              "DataBits=8", "Parity=None", "FlowControl=None"}));
}

TEST(ComSettingsFile, CustomRateIsStoredOnlyForTheCustomBaudRate) {
    TempDir dir;
    const std::string file = dir.File("Port0.ini");
    auto port = SystemPort();
    port->SetBaudRate(brCustom);
    port->SetCustomBaudRate(250000);
    port->StoreSettings(stIniFile, file);
    const std::string text = ReadAll(file);
    EXPECT_NE(text.find("BaudRate=Custom"), std::string::npos);
    EXPECT_LT(text.find("BaudRate=Custom"), text.find("CustomBaudRate=250000"));
    EXPECT_LT(text.find("CustomBaudRate=250000"), text.find("StopBits=1"));

    auto back = SystemPort();
    back->LoadSettings(stIniFile, file);
    EXPECT_EQ(back->BaudRate(), brCustom);
    EXPECT_EQ(back->CustomBaudRate(), 250000);
}

TEST(ComSettingsFile, StoringKeepsTheRestOfTheFile) {
    TempDir dir;
    const std::string file = dir.File("Port0.ini");
    WriteAll(file, "; note\r\n[Other]\r\nA=1\r\n[ComPortM]\r\nBaudRate=9600\r\nExtra=x\r\n");
    SystemPort()->StoreSettings(stIniFile, file);
    const std::string text = ReadAll(file);
    EXPECT_EQ(
        text.rfind("; note\r\n[Other]\r\nA=1\r\n[ComPortM]\r\nBaudRate=38400\r\nExtra=x\r\n", 0),
        0u);
    EXPECT_NE(text.find("Port=COM7"), std::string::npos);
}

TEST(ComSettingsFile, LoadingEdgeCases) {
    struct Case {
        const char* name;
        const char* file;
        TBaudRate baud;
        int custom;
        const char* port;
    };
    const Case cases[] = {
        {"custom rate, any letter case", "[ComPortM]\nBaudRate=cUSTOM\nCustomBaudRate=57600\n",
         brCustom, 57600, "COM7"},
        {"custom rate not a number", "[ComPortM]\nBaudRate=Custom\nCustomBaudRate=fast\n", brCustom,
         9600, "COM7"},
        {"custom rate missing", "[ComPortM]\nBaudRate=Custom\n", brCustom, 9600, "COM7"},
        {"unknown rate", "[ComPortM]\nBaudRate=12345\nCustomBaudRate=57600\n", br9600, 1234,
         "COM7"},
        {"no Port key keeps the name", "[ComPortM]\nBaudRate=115200\n", br115200, 1234, "COM7"},
        {"Port key", "[ComPortM]\nPort=COM3\n", br38400, 1234, "COM3"},
        {"other section", "[ComPortX]\nPort=COM3\nBaudRate=110\n", br38400, 1234, "COM7"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string file = dir.File("Port0.ini");
        WriteAll(file, c.file);
        auto port = SystemPort();
        port->SetCustomBaudRate(1234);
        port->LoadSettings(stIniFile, file);
        EXPECT_EQ(port->BaudRate(), c.baud) << c.name;
        EXPECT_EQ(port->CustomBaudRate(), c.custom) << c.name;
        EXPECT_EQ(port->Port(), c.port) << c.name;
    }
}

TEST(ComSettingsFile, UnknownTextsGiveTheirDefaultsAndXonKeepsTheFlowFields) {
    TempDir dir;
    const std::string file = dir.File("Port0.ini");
    WriteAll(file, "[ComPortM]\nStopBits=3\nDataBits=9\nParity=Odd\nFlowControl=Xon\n");
    auto port = SystemPort();
    port->SetStopBits(sbTwoStopBits);
    port->SetDataBits(dbSeven);
    port->FlowControl().SetControlRTS(rtsEnable);
    port->FlowControl().SetXonXoffIn(true);
    port->LoadSettings(stIniFile, file);
    EXPECT_EQ(port->StopBits(), sbOneStopBit);
    EXPECT_EQ(port->DataBits(), dbEight);
    EXPECT_EQ(port->Parity().Bits(), prOdd);
    EXPECT_EQ(port->FlowControl().ControlRTS(), rtsEnable);
    EXPECT_TRUE(port->FlowControl().XonXoffIn());

    WriteAll(file, "[ComPortM]\nFlowControl=hardware\n");
    port->LoadSettings(stIniFile, file);
    EXPECT_EQ(port->FlowControl().FlowControl(), fcHardware);
}

TEST(ComSettingsFile, AMissingFileChangesNothingButTheCustomRate) {
    TempDir dir;
    auto port = SystemPort();
    port->SetCustomBaudRate(1234);
    port->LoadSettings(stIniFile, dir.File("none.ini"));
    EXPECT_EQ(port->Port(), "COM7");
    EXPECT_EQ(port->BaudRate(), br38400);
    EXPECT_EQ(port->CustomBaudRate(), 1234);
    port->SetBaudRate(brCustom);
    port->LoadSettings(stIniFile, dir.File("none.ini"));
    EXPECT_EQ(port->CustomBaudRate(), 9600);
}

TEST(ComSettingsFile, FailuresRaiseTheirCodesWithoutANumber) {
    TempDir dir;
    auto port = SystemPort();
    try {
        port->StoreSettings(stIniFile, dir.File("missing-folder/Port0.ini"));
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 16);
        EXPECT_STREQ(e.what(), "Failed to store settings");
        EXPECT_EQ(e.WinCode(), -1);
    }
}

TEST(ComSettingsFile, LoadingAMissingDeviceOntoAnOpenPortRaises17) {
#ifdef _WIN32
    // The simulated sensor's COM port is the device that is there.
    const char* present = std::getenv("QVR_SIM_COM_PORT");
    if (!present || !*present) GTEST_SKIP() << "no COM port to open (QVR_SIM_COM_PORT)";
    const std::string device = present;
    const std::string missing = "COM198";
#else
    PtyPair pty;
    const std::string device = pty.Path();
    const std::string missing = "/dev/qvr-no-such-device";
#endif
    TempDir dir;
    auto port = SystemPort();
    // An open port told to move to a device that is not there.
    port->SetPort(device);
    port->Open();
    const std::string file = dir.File("Port0.ini");
    WriteAll(file, "[ComPortM]\nPort=" + missing + "\nBaudRate=110\n");
    try {
        port->LoadSettings(stIniFile, file);
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 17);
        EXPECT_STREQ(e.what(), "Failed to load settings");
    }
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Port(), missing);
    EXPECT_EQ(port->BaudRate(), br38400); // the keys after the failure were not read

    // The update is over: a change on an open port applies at once.
    port->SetPort(device);
    port->Open();
    port->SetBaudRate(br19200);
    EXPECT_TRUE(port->Connected());
#ifndef _WIN32
    termios t{};
    tcgetattr(pty.Slave(), &t);
    EXPECT_EQ(cfgetospeed(&t), B19200);
#endif
    port->Close();
}

} // namespace
} // namespace qvr::test
