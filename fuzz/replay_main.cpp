// A fuzz target's main without libFuzzer: runs the empty input, then each file given and each
// file in each folder given (in name order), so that the plain build keeps every target linking
// and the suite replays the saved corpus. A crash or a failed check ends the process as it would
// under the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

namespace {

// Every input file named by `arg`, absolute: a target may change directory as it runs.
bool Collect(const char *arg, std::vector<fs::path> &inputs)
{
    std::error_code ec;
    const fs::path path = fs::absolute(arg, ec);
    if (!ec && fs::is_regular_file(path, ec)) {
        inputs.push_back(path);
        return true;
    }
    if (ec || !fs::is_directory(path, ec)) {
        std::fprintf(stderr, "replay: %s: no such file or folder\n", arg);
        return false;
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            files.push_back(it->path());
    if (ec) {
        std::fprintf(stderr, "replay: %s: %s\n", arg, ec.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i)
        if (!Collect(argv[i], inputs))
            return 2;
    // As libFuzzer does, an empty input still comes with a valid pointer.
    static const uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(&kNothing, 0);
    for (const fs::path &input : inputs) {
        std::ifstream in(input, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "replay: %s: cannot be read\n", input.c_str());
            return 2;
        }
        LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
    }
    std::printf("replay: %zu inputs and the empty one, no finding\n", inputs.size());
    return 0;
}
