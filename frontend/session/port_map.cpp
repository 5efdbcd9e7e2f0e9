#include "port_map.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "settings.h"
#include "zmhwcomm.h"

namespace fs = std::filesystem;

namespace {

// The port numbers that may open a device: [ports]' own, and the serial library's (those the
// environment gives a device, and the lowest that opens each device listed).
std::set<int32_t> CandidateNumbers(const std::map<int32_t, std::string> &ports, const std::vector<SerialPortInfo> &listed)
{
    std::set<int32_t> numbers;
    for (const auto &entry : ports)
        numbers.insert(entry.first);
    int32_t origin = 0;
    for (int32_t number = 0; (number = zmhwNUMBER(nullptr, number, &origin)) > 0;)
        numbers.insert(number);
    // The library's map is made [ports] before it is asked the other way round.
    for (const int32_t number : numbers)
        ChoosePortDevice(number, ports, {});
    for (const SerialPortInfo &info : listed)
        if (const int32_t number = zmhwNUMBER(info.device.c_str(), 0, &origin); number > 0)
            numbers.insert(number);
    return numbers;
}

// Where a device path of the system is in the tree below `root`; with the real root, a relative
// path stays relative to the current directory, as the serial library opens it.
fs::path OnRoot(const std::string &root, const std::string &path)
{
    if (root.empty() || root == "/")
        return path;
    return fs::path(root) / fs::path(path).relative_path();
}

// Two names of one device: the same text, the stable name of the other, or one file at the end
// of their links.
bool SameDevice(const std::string &name, const SerialPortInfo &info, const std::string &root)
{
    if (name == info.device || (!info.stableName.empty() && name == info.stableName))
        return true;
#if defined(_WIN32)
    (void)root;
    return false;
#else
    std::error_code a, b;
    const fs::path x = fs::weakly_canonical(OnRoot(root, name), a);
    const fs::path y = fs::weakly_canonical(OnRoot(root, info.device), b);
    return !a && !b && x == y;
#endif
}

// Which of `listed` is the device `name`; the list's size for none.
size_t FindDevice(const std::vector<SerialPortInfo> &listed, const std::string &name, const std::string &root)
{
    size_t at = 0;
    while (at < listed.size() && !SameDevice(name, listed[at], root))
        ++at;
    return at;
}

}  // namespace

// The serial library owns the map; this hands it the [ports] entry, as the open does.
PortDevice MappedPortDevice(int32_t port, const std::map<int32_t, std::string> &ports,
                            const std::string &settingsPath)
{
    return ChoosePortDevice(port, ports, settingsPath);
}

std::vector<SerialPortInfo> ListPortsWithNumbers(const std::map<int32_t, std::string> &ports,
                                                 const std::string &settingsPath, const std::string &root)
{
    std::vector<SerialPortInfo> listed = ListSerialPorts(root);
    std::vector<SerialPortInfo> unlisted;
    for (const int32_t number : CandidateNumbers(ports, listed)) {
        const PortDevice device = MappedPortDevice(number, ports, settingsPath);
        if (device.path.empty())
            continue;
        const size_t at = FindDevice(listed, device.path, root);
        if (at < listed.size()) {
            SerialPortInfo *info = &listed[at];
            if (info->port == 0) {
                info->port = number;
                info->portOrigin = device.origin;
            }
        } else if (!device.origin.empty()) {
            SerialPortInfo mapped;
            mapped.device = device.path;
            mapped.port = number;
            mapped.portOrigin = device.origin;
            std::error_code ec;
            mapped.present = fs::exists(OnRoot(root, device.path), ec);
            unlisted.push_back(mapped);
        }
    }
    listed.insert(listed.end(), unlisted.begin(), unlisted.end());
    return listed;
}

std::optional<PortChoice> PortChoiceOf(const std::string &typed, const std::vector<SerialPortInfo> &listed,
                                       int32_t currentPort, const std::string &root)
{
    const size_t first = typed.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string choice = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    if (const int32_t number = ComPortNumber(choice))
        return PortChoice{number, {}};
    const size_t at = FindDevice(listed, choice, root);
    const SerialPortInfo *info = at < listed.size() ? &listed[at] : nullptr;
    const int32_t number = info && info->port > 0 ? info->port : currentPort > 0 ? currentPort : 1;
    // Where the built-in map already opens it as that number, [ports] needs nothing.
    if (info && info->port == number && info->portOrigin.empty())
        return PortChoice{number, {}};
    // A name that survives plugging the adapter in again, where the system gives one.
    return PortChoice{number, info && !info->stableName.empty() ? info->stableName : choice};
}
