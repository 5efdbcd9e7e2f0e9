#include <gtest/gtest.h>

#include "fake_sysfs.h"
#include "serial_ports.h"

using zmtest::FakeSysfs;

namespace {

std::string Row(const SerialPortInfo &p)
{
    return p.device + " | " + p.stableName + " | " + PortSummary(p);
}

}  // namespace

TEST(ListSerialPorts, MadeUpSysfsTrees)
{
    struct Case {
        std::string name;
        bool ftdi, acm, builtIn, stubs;
        std::vector<std::string> rows;
    } cases[] = {
        {"all", true, true, true, true,
         {"/dev/ttyACM0 | " + std::string(FakeSysfs::kAcmByPath) + " | Pico, Raspberry Pi, USB 2e8a:000a",
          "/dev/ttyS0 |  | 16550A UART",
          "/dev/ttyUSB0 | " + std::string(FakeSysfs::kFtdiById) +
              " | FT232R USB UART, FTDI, USB 0403:6001, serial number A50285BI"}},
        {"stubs and virtual terminals only", false, false, false, true, {}},
        {"nothing at all", false, false, false, false, {}},
    };
    for (const Case &c : cases) {
        FakeSysfs tree;
        if (c.ftdi)
            tree.AddFtdi();
        if (c.acm)
            tree.AddAcm();
        if (c.builtIn)
            tree.AddBuiltIn();
        if (c.stubs)
            tree.AddStubsAndVirtual();
        std::vector<std::string> rows;
        for (const SerialPortInfo &port : ListSerialPorts(tree.Root()))
            rows.push_back(Row(port));
        EXPECT_EQ(rows, c.rows) << c.name;
    }
    EXPECT_TRUE(ListSerialPorts("/nonexistent-root").empty());
}

TEST(ListSerialPorts, UsbAttributesAsRead)
{
    FakeSysfs tree;
    tree.AddFtdi();
    const std::vector<SerialPortInfo> ports = ListSerialPorts(tree.Root());
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].manufacturer, "FTDI");
    EXPECT_EQ(ports[0].description, "FT232R USB UART");
    EXPECT_EQ(ports[0].vendorId, 0x0403);
    EXPECT_EQ(ports[0].productId, 0x6001);
    EXPECT_EQ(ports[0].serialNumber, "A50285BI");
    EXPECT_EQ(ports[0].port, 0);  // the session gives the numbers
}

TEST(DeviceNameLess, NumbersCompareAsNumbers)
{
    const std::pair<std::string, std::string> ordered[] = {
        {"/dev/ttyS2", "/dev/ttyS10"}, {"/dev/ttyS9", "/dev/ttyUSB0"}, {"COM2", "COM10"},
        {"/dev/ttyS01", "/dev/ttyS2"}, {"/dev/ttyACM0", "/dev/ttyS0"}, {"/dev/ttyS", "/dev/ttyS0"},
    };
    for (const auto &[a, b] : ordered) {
        EXPECT_TRUE(DeviceNameLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(DeviceNameLess(b, a)) << b << " < " << a;
    }
    EXPECT_FALSE(DeviceNameLess("COM3", "COM3"));
}
