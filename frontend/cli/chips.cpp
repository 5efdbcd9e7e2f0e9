// zmcli chips: the parts --chip and the chip key take; and the sums of a transfer.
#include <algorithm>

#include "commands.h"
#include "transfer_sums.h"

void SaySums(ConsoleHost &host, const CliOptions &options, const MemoryImage &image)
{
    bool known = false;
    const std::string sums = SumsText(image, ChipInUse(host.session, known));
    if (!sums.empty())
        host.Say(options.command + ": " + sums);
}

int RunChips(ConsoleHost &host)
{
    const SettingsState &found = host.session.SettingsFound();
    size_t nameWidth = 4;
    for (const ChipPart &part : found.chips.Parts())
        nameWidth = std::max(nameWidth, part.name.size());
    std::string text;
    for (const ChipPart &part : found.chips.Parts()) {
        std::string line = part.name + std::string(nameWidth + 2 - part.name.size(), ' ');
        const std::string bytes = std::to_string(part.bytes);
        line += std::string(bytes.size() < 8 ? 8 - bytes.size() : 0, ' ') + bytes + "  " +
                (part.width == 16 ? "16-bit" : " 8-bit") + "  " + (part.origin.empty() ? "built in" : part.origin);
        text += line + "\n";
    }
    ConsoleHost::Print(text);
    for (const std::string &refused : found.chipErrors)
        host.Say(refused);
    return exit_status::kDone;
}
