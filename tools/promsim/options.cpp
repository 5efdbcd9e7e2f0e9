#include "options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <getopt.h>

namespace promsim {

namespace {

enum OptionId {
    kLink = 256, kImage, kSave, kSaveChips, kSize, kRate, kSilent, kHangup, kStall, kGarbage, kTrace, kOnce,
    kUploadDelay, kFreshChips, kBadChips, kProgramTime, kHelp
};

const option kLongOptions[] = {
    {"link", required_argument, nullptr, kLink},
    {"image", required_argument, nullptr, kImage},
    {"save", required_argument, nullptr, kSave},
    {"save-chips", required_argument, nullptr, kSaveChips},
    {"size", required_argument, nullptr, kSize},
    {"rate", required_argument, nullptr, kRate},
    {"silent", no_argument, nullptr, kSilent},
    {"hangup-after", required_argument, nullptr, kHangup},
    {"stall-after", required_argument, nullptr, kStall},
    {"garbage", no_argument, nullptr, kGarbage},
    {"trace", required_argument, nullptr, kTrace},
    {"once", no_argument, nullptr, kOnce},
    {"upload-delay", required_argument, nullptr, kUploadDelay},
    {"fresh-chips", no_argument, nullptr, kFreshChips},
    {"bad-chips", required_argument, nullptr, kBadChips},
    {"program-time", required_argument, nullptr, kProgramTime},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

// Digits only: no sign, no prefix, no trailing text, no overflow.
bool ParseNumber(const char *text, int base, uint64_t &value)
{
    if (!text || !*text)
        return false;
    for (const char *p = text; *p; ++p) {
        bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(*p)) != 0
                             : (*p >= '0' && *p <= '9');
        if (!ok)
            return false;
    }
    errno = 0;
    value = std::strtoull(text, nullptr, base);
    return errno == 0;
}

// "3,7,12": chip numbers from 1.
bool ParseChipList(const std::string &text, std::set<uint64_t> &chips)
{
    size_t from = 0;
    for (;;) {
        size_t comma = text.find(',', from);
        std::string item = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        uint64_t n = 0;
        if (!ParseNumber(item.c_str(), 10, n) || n == 0)
            return false;
        chips.insert(n);
        if (comma == std::string::npos)
            return true;
        from = comma + 1;
    }
}

} // namespace

std::string ParseOptions(int argc, char **argv, Options &options)
{
    opterr = 0;
    optind = 1;
    int id;
    while ((id = getopt_long(argc, argv, ":", kLongOptions, nullptr)) != -1) {
        std::string name = optind > 0 && optind <= argc ? argv[optind - 1] : "";
        uint64_t n = 0;
        switch (id) {
        case kLink: options.link = optarg; break;
        case kImage: options.image = optarg; break;
        case kSave: options.save = optarg; break;
        case kSaveChips: options.saveChips = optarg; break;
        case kTrace: options.trace = optarg; break;
        case kSilent: options.faults.silent = true; break;
        case kGarbage: options.faults.garbage = true; break;
        case kOnce: options.once = true; break;
        case kFreshChips: options.chips.fresh = true; break;
        case kHelp: options.help = true; break;
        case kSize:
            if (!ParseNumber(optarg, 16, n) || n == 0 || n > kMaxMemorySize)
                return "--size wants a hexadecimal size from 1 to 1000000, not \"" + std::string(optarg) + "\"";
            options.size = size_t(n);
            break;
        case kRate:
            if (!ParseNumber(optarg, 10, n) || n > 1000000000)
                return "--rate wants bytes per second (0 for no pacing), not \"" + std::string(optarg) + "\"";
            options.rate = n;
            break;
        case kHangup:
        case kStall:
            if (!ParseNumber(optarg, 10, n))
                return std::string(id == kHangup ? "--hangup-after" : "--stall-after") +
                       " wants a number of bytes, not \"" + optarg + "\"";
            (id == kHangup ? options.faults.hangupAfter : options.faults.stallAfter) = n;
            break;
        case kUploadDelay:
            if (!ParseNumber(optarg, 10, n) || n > 60000)
                return "--upload-delay wants milliseconds from 0 to 60000, not \"" + std::string(optarg) + "\"";
            options.uploadDelay = std::chrono::milliseconds(n);
            break;
        case kProgramTime:
            if (!ParseNumber(optarg, 10, n) || n > 600000)
                return "--program-time wants milliseconds from 0 to 600000, not \"" + std::string(optarg) + "\"";
            options.programTime = std::chrono::milliseconds(n);
            break;
        case kBadChips:
            if (!ParseChipList(optarg, options.chips.bad))
                return "--bad-chips wants chip numbers from 1, separated by commas, not \"" + std::string(optarg) +
                       "\"";
            break;
        case ':':
            return "option " + name + " needs a value";
        default:
            return "unknown option " + name;
        }
    }
    if (optind < argc)
        return "unexpected argument \"" + std::string(argv[optind]) + "\"";
    return {};
}

} // namespace promsim
