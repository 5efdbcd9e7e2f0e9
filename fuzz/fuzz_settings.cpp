// Settings from any bytes: as a settings file through every key reader, and as a command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "profile.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);

    ZM32OP op;
    ReadSettingsFile(op, ProfileFile::Parse(text), "zm32");
    if (op.uploadoffset.size() != 1)
        __builtin_trap();

    // One argument per line; the "-i-" at the end keeps the files of the machine out of it.
    std::vector<std::string> args;
    size_t from = 0;
    for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
        args.push_back(text.substr(from, end - from));
    args.push_back(text.substr(from));
    args.push_back("-i-");
    ZM32OP fromArgs;
    SettingsState state;
    std::string usage;
    LoadSettings(fromArgs, state, args, "/fuzz/zm32", [&](const std::string &message) { usage = message; });
    if (state.commandLineError == usage.empty() || state.programStem != "zm32")
        __builtin_trap();
    return 0;
}
