// The COM ports Windows knows: the devices of SetupAPI (the COM port interface and the Ports
// class) with their friendly names, and what HARDWARE\DEVICEMAP\SERIALCOMM adds to them.
#include "serial_ports.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "image/number_text.h"

namespace {

// GUID_DEVINTERFACE_COMPORT and GUID_DEVCLASS_PORTS, spelt out so that no GUID library is linked.
const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

using Ports = std::map<std::string, SerialPortInfo>;

bool IsComName(const std::string &name)
{
    return name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
           name.find_first_not_of("0123456789", 3) == std::string::npos;
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA &data, DWORD property)
{
    char text[1024] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &data, property, &type, reinterpret_cast<BYTE *>(text),
                                           sizeof text - 2, nullptr) ||
        (type != REG_SZ && type != REG_MULTI_SZ))
        return {};
    return text;  // of a list, its first text
}

std::string PortName(HDEVINFO set, SP_DEVINFO_DATA &data)
{
    const HKEY key = SetupDiOpenDevRegKey(set, &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    char name[256] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    const bool read = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size) ==
                          ERROR_SUCCESS &&
                      type == REG_SZ;
    RegCloseKey(key);
    return read ? name : "";
}

std::optional<uint16_t> HexAfter(const std::string &text, const char *tag)
{
    const size_t at = text.find(tag);
    if (at == std::string::npos)
        return std::nullopt;
    const std::string digits = text.substr(at + 4, 4);
    const auto number = ReadNumberText(digits, NumberForm::Hex().AtMost(4));
    if (digits.size() != 4 || !number)
        return std::nullopt;
    return static_cast<uint16_t>(number->magnitude);
}

// USB\VID_0403&PID_6001\A50285BI: the ids, and the serial number where the last part is one
// (Windows makes up a part with "&" in it for a device that has none).
void ReadInstanceId(const std::string &instance, SerialPortInfo &info)
{
    std::string upper = instance;
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    info.vendorId = HexAfter(upper, "VID_");
    info.productId = HexAfter(upper, "PID_");
    const size_t last = instance.rfind('\\');
    if (upper.compare(0, 4, "USB\\") == 0 && last != std::string::npos && instance.find('&', last) == std::string::npos)
        info.serialNumber = instance.substr(last + 1);
}

void AddDevices(const GUID &guid, DWORD flags, Ports &ports)
{
    const HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i) {
        const std::string name = PortName(set, data);
        if (!IsComName(name) || ports.count(name))
            continue;  // LPT ports share the class
        SerialPortInfo &info = ports[name];
        info.device = name;
        info.description = Property(set, data, SPDRP_FRIENDLYNAME);
        if (info.description.empty())
            info.description = Property(set, data, SPDRP_DEVICEDESC);
        info.manufacturer = Property(set, data, SPDRP_MFG);
        char instance[512] = {};
        if (SetupDiGetDeviceInstanceIdA(set, &data, instance, sizeof instance, nullptr))
            ReadInstanceId(instance, info);
    }
    SetupDiDestroyDeviceInfoList(set);
}

// Ports that SetupAPI does not show (some drivers, wine) are still in the device map.
void AddDeviceMap(Ports &ports)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        char device[256] = {};
        DWORD deviceSize = sizeof device;
        char name[256] = {};
        DWORD nameSize = sizeof name - 1;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key, i, device, &deviceSize, nullptr, &type,
                                          reinterpret_cast<BYTE *>(name), &nameSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ || !IsComName(name) || ports.count(name))
            continue;
        SerialPortInfo &info = ports[name];
        info.device = name;
        info.description = device;  // the kernel's name of it, \Device\Serial0
    }
    RegCloseKey(key);
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string &)
{
    Ports found;
    AddDevices(kComPortInterface, DIGCF_DEVICEINTERFACE, found);
    AddDevices(kPortsClass, 0, found);
    AddDeviceMap(found);
    std::vector<SerialPortInfo> ports;
    for (auto &entry : found)
        ports.push_back(std::move(entry.second));
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo &a, const SerialPortInfo &b) { return DeviceNameLess(a.device, b.device); });
    return ports;
}
