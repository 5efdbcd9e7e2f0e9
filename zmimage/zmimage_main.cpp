// zmimage: images for EPROMs read in any of the three formats, checked, and converted,
// split, merged, swapped, filled, cropped or moved.
#include <iostream>

#include "commands.h"

int main(int argc, char *argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ImageOptions options;
    std::string message;
    switch (ParseImageArgs(args, options, message)) {
    case ParseOutcome::Help:
    case ParseOutcome::Version:
        std::cout << message;
        return std::cout.flush() ? image_status::kDone : image_status::kFailed;
    case ParseOutcome::Error:
        std::cerr << "zmimage: " << message << "\nRun zmimage --help for more information.\n";
        return image_status::kUsage;
    case ParseOutcome::Run:
        break;
    }
    return RunImageCommand(options);
}
