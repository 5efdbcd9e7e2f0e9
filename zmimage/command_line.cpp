#include "command_line.h"

#include <algorithm>
#include <map>
#include <set>

#include "image/chip_parts.h"
#include "image/number_text.h"
#include "profile.h"
#include "settings_file.h"

const char kImageUsage[] =
    "usage: zmimage COMMAND FILES [OPTIONS]\n"
    "Images for EPROMs: Intel hex, Motorola S-records or binary in, any of them out.\n"
    "\n"
    "  info IN [--size SIZE]            ranges, gaps, start address, sum8, sum16, crc32\n"
    "  convert IN OUT                   to the format OUT's name says (or --to)\n"
    "  split IN OUT0 OUT1 [OUT2 OUT3]   a lane for each output: even/odd bytes, 4 chips for 32 bits\n"
    "  merge IN0 IN1 [IN2 IN3] OUT      the lanes woven together again\n"
    "  swap IN OUT [--width 2|4]        byte order within 16- or 32-bit words\n"
    "  fill IN OUT --size SIZE [--with HEX]   filled to a chip's size (FF or HEX)\n"
    "  crop IN OUT --from HEX --to HEX  only the addresses from, up to but not with to\n"
    "  move IN OUT --by [-]HEX          every address moved (--by=-F000 moves down)\n"
    "  serial IN OUT --at HEX --value N [--serial-bytes W] [--serial-format F]\n"
    "                                   a serial number stamped at HEX: W bytes (1-8, default 4)\n"
    "                                   as le, be (binary), bcd, dec or hex (ASCII); default le\n"
    "\n"
    "Inputs are told by content (one named .hex, .s19, ... must hold records); --hex,\n"
    "--srec, --binary force it, --start HEX places a binary input. \"-\" is standard\n"
    "input or output.\n"
    "Outputs: .bin, .hex or .ihx, .s19 .s28 .s37 .srec or .mot; --to bin|hex|srec.\n"
    "  --base HEX        a binary output's first address (default: the lowest)\n"
    "  --fill HEX        a binary output's gaps (default FF)\n"
    "  --record-size N   data bytes a record (default 16)\n"
    "  --width 1|2       split and merge: lanes of bytes or of 16-bit words (default 1)\n"
    "SIZE: bytes (32768), hex (0x8000), K or M (32K), or a part (27C256, 2708, 28C64; zmcli\n"
    "chips lists them, with the [chips] of zm32.ini).\n"
    "\n"
    "Exit status: 0 done; 1 a bad image or a failed operation; 2 a bad command line;\n"
    "3 a file that cannot be opened.\n";

namespace {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

// The parts zmcli knows: the built-in ones and those of zm32.ini's [chips].
const ChipTable &KnownParts()
{
    static const ChipTable parts = [] {
        ChipTable table;
        const std::string path = FindSettingsFile("zm32.ini");
        ReadChipsSection(ProfileFile::Load(path), path, table);
        return table;
    }();
    return parts;
}

struct Command {
    size_t leastFiles, mostFiles;
    std::set<std::string> options;  // beyond the input's
};

const std::set<std::string> kOutputOptions{"--to", "--base", "--fill", "--record-size"};

const std::map<std::string, Command> &Commands()
{
    static const std::map<std::string, Command> commands{
        {"info", {1, 1, {"--size"}}},
        {"convert", {2, 2, {}}},
        {"split", {3, 5, {"--width"}}},
        {"merge", {3, 5, {"--width"}}},
        {"swap", {2, 2, {"--width"}}},
        {"fill", {2, 2, {"--size", "--with"}}},
        {"crop", {2, 2, {"--from", "--to"}}},
        {"move", {2, 2, {"--by"}}},
        {"serial", {2, 2, {"--at", "--value", "--serial-bytes", "--serial-format"}}},
    };
    return commands;
}

const std::set<std::string> kFlags{"--hex", "--srec", "--binary"};
const std::set<std::string> kValued{"--start", "--to", "--base", "--fill", "--record-size", "--width",
                                    "--size", "--with", "--from", "--by", "--at", "--value", "--serial-bytes",
                                    "--serial-format"};

bool Bad(std::string &message, const std::string &why)
{
    message = why;
    return false;
}

bool Hex(const std::string &name, const std::string &value, uint64_t limit, uint64_t &out, std::string &message)
{
    // Hexadecimal, "0x" allowed, the whole text.
    if (const auto number = ReadNumberText(value, NumberForm::Hex().ZeroX().AtMost(16)); number && number->magnitude <= limit) {
        out = number->magnitude;
        return true;
    }
    return Bad(message, name + " wants a hexadecimal number up to " +
                            (limit == 0xFF ? std::string("FF") : limit == kAddressSpace ? "100000000" : "FFFFFFFF") +
                            ", not \"" + value + "\"");
}

// Decimal, the whole text, from `low` to `high`.
bool Decimal(const std::string &value, uint64_t low, uint64_t high, uint64_t &out)
{
    const auto number = ReadNumberText(value, NumberForm::Decimal().AtMost(16));
    if (!number || number->magnitude < low || number->magnitude > high)
        return false;
    out = number->magnitude;
    return true;
}

// One option's value into `options`.
bool Take(const std::string &command, const std::string &name, const std::string &value, ImageOptions &o,
          std::string &message)
{
    uint64_t n = 0;
    if (name == "--at") {
        if (!Hex(name, value, kAddressSpace - 1, n, message))
            return false;
        o.at = static_cast<uint32_t>(n);
    } else if (name == "--value") {
        if (!Decimal(value, 0, UINT64_MAX, o.value))
            return Bad(message, "--value wants a decimal number, not \"" + value + "\"");
    } else if (name == "--serial-bytes") {
        if (!Decimal(value, 1, kSerialWidthMax, n))
            return Bad(message, "--serial-bytes wants 1 to 8, not \"" + value + "\"");
        o.serialBytes = static_cast<unsigned>(n);
    } else if (name == "--serial-format") {
        if (!ParseSerialFormat(value, o.serialFormat))
            return Bad(message, "--serial-format wants le, be, bcd, dec or hex, not \"" + value + "\"");
    } else if (name == "--start" || name == "--base" || name == "--from") {
        if (!Hex(name, value, kAddressSpace - 1, n, message))
            return false;
        if (name == "--start")
            o.start = static_cast<uint32_t>(n);
        else if (name == "--base")
            o.base = static_cast<uint32_t>(n);
        else
            o.from = static_cast<uint32_t>(n);
    } else if (name == "--to" && (value == "bin" || value == "hex" || value == "srec")) {
        o.outputFormat = value == "bin" ? OutputFormat::Binary : value == "hex" ? OutputFormat::IntelHex
                                                                                : OutputFormat::SRecord;
    } else if (name == "--to") {
        if (command != "crop")
            return Bad(message, "--to wants bin, hex or srec, not \"" + value + "\"");
        if (!Hex(name, value, kAddressSpace, o.to, message))
            return false;
    } else if (name == "--fill" || name == "--with") {
        if (!Hex(name, value, 0xFF, n, message))
            return false;
        (name == "--fill" ? o.fill : o.with) = static_cast<uint8_t>(n);
    } else if (name == "--record-size") {
        if (!Decimal(value, 1, 255, n))
            return Bad(message, "--record-size wants 1 to 255 bytes, not \"" + value + "\"");
        o.recordSize = n;
    } else if (name == "--width") {
        const bool swap = command == "swap";
        if (value != (swap ? "2" : "1") && value != (swap ? "4" : "2"))
            return Bad(message, std::string("--width wants ") + (swap ? "2 or 4" : "1 or 2") + ", not \"" + value + "\"");
        o.width = static_cast<unsigned>(value[0] - '0');
    } else if (name == "--size") {
        if (!ParseChipSize(value, KnownParts(), o.size))
            return Bad(message, "--size wants bytes (32768), hex (0x8000), K or M (32K) or a part "
                                "(27C256, zmcli chips lists them), not \"" + value + "\"");
    } else if (name == "--by") {
        const bool down = !value.empty() && value[0] == '-';
        if (!Hex(name, down ? value.substr(1) : value, kAddressSpace - 1, n, message))
            return false;
        o.by = down ? -int64_t(n) : int64_t(n);
    }
    return true;
}

}  // namespace

ParseOutcome ParseImageArgs(const std::vector<std::string> &args, ImageOptions &o, std::string &message)
{
    if (args.empty()) {
        message = "a command is missing";
        return ParseOutcome::Error;
    }
    for (const std::string &arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            message = kImageUsage;
            return ParseOutcome::Help;
        }
        if (arg == "--version") {
            message = "zmimage " ZM_VERSION "\n";
            return ParseOutcome::Version;
        }
    }
    o.command = args[0];
    const auto command = Commands().find(o.command);
    if (command == Commands().end()) {
        message = "unknown command \"" + o.command + "\"";
        return ParseOutcome::Error;
    }
    const bool writes = o.command != "info";
    std::set<std::string> given;
    bool optionsEnd = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnd || arg == "-" || arg.rfind("--", 0) != 0) {
            if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
                message = "unknown option \"" + arg + "\"";
                return ParseOutcome::Error;
            }
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool known = kFlags.count(name) || kValued.count(name);
        const bool allowed = kFlags.count(name) || name == "--start" || command->second.options.count(name) ||
                             (writes && kOutputOptions.count(name));
        if (!known || !allowed) {
            message = known ? name + " is no option of " + o.command : "unknown option \"" + name + "\"";
            return ParseOutcome::Error;
        }
        if (kFlags.count(name)) {
            if (equals != std::string::npos) {
                message = name + " takes no value";
                return ParseOutcome::Error;
            }
            if (!given.insert("input format").second) {
                message = "--hex, --srec and --binary exclude each other";
                return ParseOutcome::Error;
            }
            o.inputFormat = name == "--hex" ? ImageFormat::IntelHex : name == "--srec" ? ImageFormat::SRecord
                                                                                       : ImageFormat::Binary;
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            message = name + " wants a value";
            return ParseOutcome::Error;
        }
        // crop's --to is an address; an output format may be named beside it.
        const bool formatWord = value == "bin" || value == "hex" || value == "srec";
        if (!given.insert(name == "--to" && formatWord ? "--to format" : name).second) {
            message = name + " given twice";
            return ParseOutcome::Error;
        }
        if (!Take(o.command, name, value, o, message))
            return ParseOutcome::Error;
    }
    const Command &c = command->second;
    if (o.files.size() < c.leastFiles || o.files.size() > c.mostFiles) {
        message = o.command + " takes " +
                  (c.leastFiles == c.mostFiles ? std::to_string(c.leastFiles)
                                               : std::to_string(c.leastFiles) + " to " + std::to_string(c.mostFiles)) +
                  " files, not " + std::to_string(o.files.size());
        return ParseOutcome::Error;
    }
    const auto need = [&](const char *name) {
        if (given.count(name))
            return true;
        message = o.command + " needs " + name;
        return false;
    };
    if ((o.command == "fill" && !need("--size")) || (o.command == "move" && !need("--by")) ||
        (o.command == "crop" && (!need("--from") || !need("--to"))) ||
        (o.command == "serial" && (!need("--at") || !need("--value"))))
        return ParseOutcome::Error;
    if (o.command == "crop" && o.to <= o.from) {
        message = "crop keeps nothing: --to must lie above --from";
        return ParseOutcome::Error;
    }
    if (o.width == 0)
        o.width = o.command == "swap" ? 2 : 1;
    return ParseOutcome::Run;
}
