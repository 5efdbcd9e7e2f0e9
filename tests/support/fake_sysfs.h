// Made-up sysfs and /dev trees for the list of serial ports: a USB adapter with its by-id and
// by-path links, a USB modem (CDC ACM) without a serial number, a built-in 16550A, an 8250 stub
// port, and ttys with no device behind them.
#pragma once

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace zmtest {

class FakeSysfs {
public:
    const std::string &Root() const { return dir_.Path(); }

    // A file with its folders.
    void Put(const std::string &path, const std::string &text = "") const
    {
        std::filesystem::create_directories(std::filesystem::path(dir_.File(path)).parent_path());
        WriteFile(dir_.File(path), text + (text.empty() ? "" : "\n"));
    }
    // A link at `path` to `target` (relative to the link's folder, as sysfs and udev make them).
    void Link(const std::string &path, const std::string &target) const
    {
        std::filesystem::create_directories(std::filesystem::path(dir_.File(path)).parent_path());
        std::filesystem::create_symlink(target, dir_.File(path));
    }
    // /sys/class/tty/NAME with its device link to /sys/devices/DEVICE, and /dev/NAME.
    void Tty(const std::string &name, const std::string &device, const std::string &type = "") const
    {
        Put("sys/devices/" + device + "/uevent");
        Link("sys/class/tty/" + name + "/device", "../../../devices/" + device);
        if (!type.empty())
            Put("sys/class/tty/" + name + "/type", type);
        Put("dev/" + name);
    }
    void UsbDevice(const std::string &device, const std::string &vendor, const std::string &product,
                   const std::string &maker, const std::string &name, const std::string &serial) const
    {
        Put("sys/devices/" + device + "/idVendor", vendor);
        Put("sys/devices/" + device + "/idProduct", product);
        Put("sys/devices/" + device + "/manufacturer", maker);
        Put("sys/devices/" + device + "/product", name);
        if (!serial.empty())
            Put("sys/devices/" + device + "/serial", serial);
    }

    static constexpr const char *kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    static constexpr const char *kFtdiByPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    static constexpr const char *kAcmByPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0";

    // The USB adapter: an FTDI chip, usb-serial's ttyUSB0 below its interface.
    void AddFtdi() const
    {
        const std::string usb = "pci0000:00/0000:00:14.0/usb1/1-2";
        UsbDevice(usb, "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
        Put("sys/devices/" + usb + "/1-2:1.0/interface", "FT232R USB UART");
        Tty("ttyUSB0", usb + "/1-2:1.0/ttyUSB0");
        Link(std::string(kFtdiById).substr(1), "../../ttyUSB0");
        Link(std::string(kFtdiByPath).substr(1), "../../ttyUSB0");
    }
    // A USB modem: cdc_acm's ttyACM0 is the interface's own.
    void AddAcm() const
    {
        const std::string usb = "pci0000:00/0000:00:14.0/usb1/1-3";
        UsbDevice(usb, "2e8a", "000a", "Raspberry Pi", "Pico", "");
        Tty("ttyACM0", usb + "/1-3:1.0");
        Link(std::string(kAcmByPath).substr(1), "../../ttyACM0");
    }
    // A UART on the board, behind the serial core's port device.
    void AddBuiltIn() const { Tty("ttyS0", "pnp0/00:01/00:01:0/00:01:0.0", "4"); }
    // The 8250 driver's ports without a UART, and ttys without a device.
    void AddStubsAndVirtual() const
    {
        Tty("ttyS1", "platform/serial8250/serial8250:0/serial8250:0.1", "0");
        Tty("ttyS2", "platform/serial8250/serial8250:0/serial8250:0.2", "0");
        Put("sys/class/tty/tty0/dev", "4:0");
        Put("sys/class/tty/console/dev", "5:1");
        Put("sys/class/tty/ptmx/dev", "5:2");
    }

private:
    TempDir dir_;
};

}  // namespace zmtest
