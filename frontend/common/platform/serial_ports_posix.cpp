// The tty devices of the sysfs that have a device behind them, with the USB device's attributes.
#include "serial_ports.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "image/number_text.h"
#endif

namespace fs = std::filesystem;

namespace {

// The entries of a folder; none when it cannot be read.
std::vector<fs::path> Entries(const fs::path &dir)
{
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    return entries;
}

// The first line of a sysfs attribute, empty when there is none.
std::string Attribute(const fs::path &dir, const char *name)
{
    std::ifstream in(dir / name);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::optional<uint16_t> HexAttribute(const fs::path &dir, const char *name)
{
    const auto number = ReadNumberText(Attribute(dir, name), NumberForm::Hex().AtMost(4));
    if (!number)
        return std::nullopt;
    return static_cast<uint16_t>(number->magnitude);
}

bool Below(const fs::path &path, const fs::path &top)
{
    const std::string p = path.string(), t = top.string();
    return p.size() > t.size() && p.compare(0, t.size(), t) == 0 && p[t.size()] == '/';
}

// The UART types of the serial core that a user may meet; 0 is a port without a UART.
std::string UartName(const std::string &type)
{
    static const char *const kNames[] = {"", "8250", "16450", "16550", "16550A", "Cirrus", "16650", "16650V2",
                                         "16750", "Startech", "16C950", "16654", "16850", "RSA"};
    const auto number = ReadNumberText(type, NumberForm::Decimal().AtMost(3));
    const int code = number ? static_cast<int>(number->magnitude) : -1;
    return code > 0 && code < static_cast<int>(std::size(kNames)) ? std::string(kNames[code]) + " UART" : std::string();
}

// The 8250 driver registers ports that have no UART behind them: their type is 0. The serial
// core shows it in sysfs; where it does not, TIOCGSERIAL on the device tells.
bool IsStubPort(const fs::path &classDir, const std::string &name, const fs::path &node)
{
    const std::string type = Attribute(classDir, "type");
    if (!type.empty())
        return type == "0";
#if defined(__linux__)
    if (name.compare(0, 4, "ttyS") != 0)
        return false;
    const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool stub = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
    close(fd);
    return stub;
#else
    (void)name, (void)node;
    return false;
#endif
}

// The name of the driver nearest the device that says more than the serial core's own.
std::string DriverName(fs::path dir, const fs::path &sys)
{
    std::error_code ec;
    for (; Below(dir, sys); dir = dir.parent_path()) {
        const fs::path driver = fs::read_symlink(dir / "driver", ec);
        const std::string name = ec ? std::string() : driver.filename().string();
        if (!name.empty() && name != "port" && name != "ctrl")
            return name;
    }
    return {};
}

void ReadUsbDevice(fs::path dir, const fs::path &sys, SerialPortInfo &info)
{
    std::string interfaceName;
    for (; Below(dir, sys); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor")) {
            info.vendorId = HexAttribute(dir, "idVendor");
            info.productId = HexAttribute(dir, "idProduct");
            info.manufacturer = Attribute(dir, "manufacturer");
            info.serialNumber = Attribute(dir, "serial");
            info.description = Attribute(dir, "product");
            if (info.description.empty())
                info.description = interfaceName;
            return;
        }
        if (interfaceName.empty())
            interfaceName = Attribute(dir, "interface");
    }
}

// A link in /dev/serial/by-id, else in by-path, that leads to the device node.
std::string StableName(const fs::path &root, const fs::path &node)
{
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(node, ec);
    if (ec)
        return {};
    for (const char *kind : {"by-id", "by-path"}) {
        std::vector<std::string> names;
        for (const fs::path &link : Entries(root / "dev/serial" / kind)) {
            std::error_code linkError;
            if (fs::is_symlink(link, linkError) && fs::weakly_canonical(link, linkError) == target && !linkError)
                names.push_back(link.filename().string());
        }
        if (!names.empty())
            return std::string("/dev/serial/") + kind + "/" + *std::min_element(names.begin(), names.end());
    }
    return {};
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string &rootName)
{
    std::vector<SerialPortInfo> ports;
    std::error_code ec;
    const fs::path root = rootName.empty() ? fs::path("/") : fs::path(rootName);
    const fs::path sys = fs::weakly_canonical(root / "sys", ec);
    if (ec)
        return ports;
    for (const fs::path &classDir : Entries(root / "sys/class/tty")) {
        const std::string name = classDir.filename().string();
        std::error_code deviceError;
        const fs::path device = fs::canonical(classDir / "device", deviceError);
        if (deviceError)
            continue;  // a console, a virtual terminal, a pseudo-terminal: no device behind it
        // sysfs writes the "/" of a device name as "!".
        std::string nodeName = name;
        std::replace(nodeName.begin(), nodeName.end(), '!', '/');
        const fs::path node = root / "dev" / nodeName;
        if (IsStubPort(classDir, name, node))
            continue;
        SerialPortInfo info;
        info.device = "/dev/" + nodeName;
        info.stableName = StableName(root, node);
        ReadUsbDevice(device, sys, info);
        if (info.description.empty())
            info.description = UartName(Attribute(classDir, "type"));
        if (info.description.empty())
            info.description = DriverName(device, sys);
        ports.push_back(std::move(info));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo &a, const SerialPortInfo &b) { return DeviceNameLess(a.device, b.device); });
    return ports;
}
