#include "open_failure.h"

#include "connection.h"
#include "platform/open_cause.h"
#include "profile.h"
#include "settings.h"
#include "zmhwcomm.h"

namespace {

std::string FormatText(const ZM32OP &settings)
{
    const char parity = settings.parity == 'E' || settings.parity == 'e'   ? 'e'
                        : settings.parity == 'O' || settings.parity == 'o' ? 'o'
                                                                           : 'n';
    const char *stop = settings.stopbits == 3 ? "1.5" : settings.stopbits == 2 ? "2" : "1";
    return std::to_string(settings.databits) + parity + stop;
}

// The serial rules: 5 to 8 data bits, 1.5 stop bits only with 5 of them, 2 not with 5.
bool FormatCanBeSet(const ZM32OP &settings)
{
    if (settings.databits < 5 || settings.databits > 8)
        return false;
    if (settings.stopbits == 3)
        return settings.databits == 5;
    return settings.stopbits != 2 || settings.databits != 5;
}

}  // namespace

LibraryCause LastLibraryCause()
{
    LibraryCause cause;
    cause.step = zmhwERROR(&cause.system, nullptr, 0);
    return cause;
}

std::string OpenFailureCause(const ZM32OP &settings, const SettingsState &found, const PortDevice &chosen,
                             const LibraryCause &cause)
{
    const std::string port = "COM" + std::to_string(settings.port);
    std::string said;
    if (!FormatCanBeSet(settings)) {
        said = FormatText(settings) + ": this data format cannot be set";
    } else if (chosen.path.empty()) {
        said = port + ": no such port";
    } else {
        const std::string &device = chosen.path;
        // Where the device came from, unless it is the built-in one, which the hint names.
        const std::string from = chosen.origin.empty() ? std::string() : " (from " + chosen.origin + ")";
        std::string problem = OpenProblem(cause.step, cause.system, settings.port);
        if (problem.empty())
            problem = "it does not take " + std::to_string(settings.baud) + " baud, " + FormatText(settings);
        else if (problem == "in use by another program")
            problem = "it is " + problem;
        // Windows opens the port by its own name: there is no device to name beside it.
        said = (device == port ? port : port + " is " + device + from) + ": " + problem;
    }
    if (!found.noSettingsFile && !found.settingsFileMissing &&
        ProfileFile::Load(found.settingsPath).Value(found.settingsSection, "port"))
        said += "; the port was set by " + found.settingsPath;
    return said;
}
