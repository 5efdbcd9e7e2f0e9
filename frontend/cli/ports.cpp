// zmcli ports: the serial ports present, with the port number each is opened as.
#include <algorithm>

#include "commands.h"
#include "port_map.h"

namespace {

std::string OrDash(const std::string &text) { return text.empty() ? "-" : text; }

std::string Description(const SerialPortInfo &info)
{
    std::string text = PortSummary(info);
    const auto add = [&](const std::string &part) { text += (text.empty() ? "" : "; ") + part; };
    if (!info.present)
        add("not present");
    if (info.port > 0 && !info.portOrigin.empty())
        add("COM" + std::to_string(info.port) + " from " + info.portOrigin);
    return text;
}

}  // namespace

std::string PortLines(const std::vector<SerialPortInfo> &ports)
{
    std::vector<std::vector<std::string>> rows;
    size_t width[3] = {};
    for (const SerialPortInfo &info : ports) {
        rows.push_back({info.port > 0 ? "COM" + std::to_string(info.port) : "-", info.device,
                        OrDash(info.stableName), OrDash(Description(info))});
        for (size_t i = 0; i < 3; ++i)
            width[i] = std::max(width[i], rows.back()[i].size());
    }
    std::string text;
    for (const auto &row : rows) {
        for (size_t i = 0; i < 3; ++i)
            text += row[i] + std::string(width[i] - row[i].size() + 2, ' ');
        text += row[3] + "\n";
    }
    return text;
}

int RunPorts(ConsoleHost &host, const std::string &root)
{
    const SettingsState &found = host.session.SettingsFound();
    const std::vector<SerialPortInfo> ports = ListPortsWithNumbers(found.portDevices, found.settingsPath, root);
    if (ports.empty())
        host.Say("No serial port found");
    ConsoleHost::Print(PortLines(ports));
    return exit_status::kDone;
}
