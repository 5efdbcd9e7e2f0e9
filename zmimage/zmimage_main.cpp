// zmimage: images for EPROMs read in any of the three formats, checked, and converted,
// split, merged, swapped, filled, cropped or moved.
#include <cstdio>
#include <new>

#include "commands.h"

int main(int argc, char *argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ImageOptions options;
    std::string message;
    switch (ParseImageArgs(args, options, message)) {
    case ParseOutcome::Help:
    case ParseOutcome::Version:
        return std::fputs(message.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? image_status::kDone
                                                                                    : image_status::kFailed;
    case ParseOutcome::Error:
        std::fprintf(stderr, "zmimage: %s\nRun zmimage --help for more information.\n", message.c_str());
        return image_status::kUsage;
    case ParseOutcome::Run:
        break;
    }
    try {
        return RunImageCommand(options);
    } catch (const std::bad_alloc &) {
        std::fputs("zmimage: out of memory: the image is too large\n", stderr);
        return image_status::kFailed;
    }
}
