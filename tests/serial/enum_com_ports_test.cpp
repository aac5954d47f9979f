#include "serial/enum_com_ports.h"
#include "tests/base/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

TEST(EnumComPortsTest, SortsAsTextIgnoringCase) {
    std::vector<std::string> names = {"COM3", "COM10", "com2", "COM1"};
    SortPortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM10", "com2", "COM3"}));
}

TEST(EnumComPortsTest, ListsTtysWithADriverAndAKnownUart) {
    namespace fs = std::filesystem;
    TempDir dir;
    auto device = [&](const std::string& name, bool driver, const char* type) {
        const fs::path entry = fs::path(dir.Dir()) / name;
        fs::create_directories(driver ? entry / "device" / "driver" : entry);
        if (type) std::ofstream(entry / "type") << type << "\n";
    };
    device("ttyS0", true, "4");     // a real UART
    device("ttyS1", true, "0");     // serial-core slot without a UART
    device("tty1", false, nullptr); // a virtual console
    device("ttyUSB0", true, nullptr);
    device("ttyACM1", true, nullptr);
    device("ttyS10", true, "4");
    EXPECT_EQ(EnumTtyClassFolder(dir.Dir()),
              (std::vector<std::string>{"ttyACM1", "ttyS0", "ttyS10", "ttyUSB0"}));
    EXPECT_TRUE(EnumTtyClassFolder(dir.File("absent")).empty());

    // USB adapters from a device folder, their stable names last and whole.
    TempDir dev;
    fs::create_directories(fs::path(dev.Dir()) / "serial" / "by-id");
    for (const char* name : {"ttyUSB1", "ttyACM0", "ttyS0", "tty1", "null", "ttyUSB0"})
        std::ofstream(dev.File(name));
    const std::string byId = (fs::path(dev.Dir()) / "serial" / "by-id").generic_string();
    for (const char* name : {"usb-FTDI_B-if00-port0", "usb-FTDI_A-if00-port0"})
        std::ofstream(byId + "/" + name);
    EXPECT_EQ(EnumDevFolder(dev.Dir()),
              (std::vector<std::string>{"ttyACM0", "ttyUSB0", "ttyUSB1",
                                        byId + "/usb-FTDI_A-if00-port0",
                                        byId + "/usb-FTDI_B-if00-port0"}));
    EXPECT_TRUE(EnumDevFolder(dir.File("absent")).empty());

    // The real list replaces what the vector held and is sorted the same way.
    std::vector<std::string> present = {"stale"};
    EnumComPorts(present);
    std::vector<std::string> sorted = present;
    SortPortNames(sorted);
    EXPECT_EQ(present, sorted);
    EXPECT_EQ(std::count(present.begin(), present.end(), "stale"), 0);
}

} // namespace
} // namespace qvr::test
