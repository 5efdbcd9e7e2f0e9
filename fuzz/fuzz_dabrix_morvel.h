// Harness shared by the converter fuzz targets: the program runs in a scratch folder of its
// own, on arguments and an input file taken from the fuzz data.
//
// Data layout: without a zero byte the whole data is the input file "in" and the arguments are
// "in out". Otherwise the bytes before the first zero byte are the arguments, one a line, and the
// bytes after it the input file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzzconv {

struct Run {
    std::vector<std::string> args; // without the program name
    bool defaultArgs = true;
};

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zmfuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0)
            std::abort();
        dir_ = pattern;
        sink_ = std::fopen("/dev/null", "w");
        if (!sink_)
            std::abort();
    }

    ~Scratch()
    {
        clear();
        std::error_code ec;
        std::filesystem::remove(dir_, ec);
        std::fclose(sink_);
    }

    // Writes the input file and returns the arguments. Names that could reach outside the folder
    // are dropped: with `slashStartsOption` a leading "/" marks an option and stays allowed.
    Run prepare(const uint8_t *data, size_t size, bool slashStartsOption)
    {
        Run run;
        const uint8_t *zero = static_cast<const uint8_t *>(std::memchr(data, 0, size));
        const uint8_t *file = data;
        if (zero) {
            run.defaultArgs = false;
            std::string line;
            for (const uint8_t *p = data; p <= zero && run.args.size() < 8; ++p) {
                if (p < zero && *p != '\n') {
                    line.push_back(char(*p));
                    continue;
                }
                size_t slash = line.find('/', slashStartsOption ? 1 : 0);
                if (slash == std::string::npos)
                    run.args.push_back(line);
                line.clear();
            }
            file = zero + 1;
        } else {
            run.args = {"in", "out"};
        }
        std::ofstream(dir_ / "in", std::ios::binary)
            .write(reinterpret_cast<const char *>(file), std::streamsize(data + size - file));
        return run;
    }

    // Calls `program(argc, argv)` with the program name in front of the arguments.
    template <class Program> int call(const char *name, const Run &run, Program program)
    {
        std::vector<std::string> owned{name};
        owned.insert(owned.end(), run.args.begin(), run.args.end());
        std::vector<char *> argv;
        for (auto &a : owned)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        return program(int(owned.size()), argv.data());
    }

    uintmax_t outputSize() const
    {
        std::error_code ec;
        uintmax_t n = std::filesystem::file_size(dir_ / "out", ec);
        return ec ? uintmax_t(-1) : n;
    }

    // Every file of the run goes, whatever names the arguments gave.
    void clear()
    {
        std::error_code ec;
        for (const auto &entry : std::filesystem::directory_iterator(dir_, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }

    FILE *sink() const { return sink_; }

private:
    std::filesystem::path dir_;
    FILE *sink_;
};

} // namespace fuzzconv
