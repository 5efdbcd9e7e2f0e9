// Shared set-up of the converter tests: a scratch folder per test and the programs as processes.
#pragma once

#include "file_bytes.h"
#include "run_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zmtest {

// A conversion that succeeds: arguments, input file content, expected output file content.
struct ConversionCase {
    const char *name;
    std::vector<std::string> args;
    std::string input;
    std::string expected;
    std::string outName = ""; // empty: the usual output name of the program
};

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zmconv-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string path(const std::string &name) const { return (dir_ / name).string(); }
    bool exists(const std::string &name) const { return std::filesystem::exists(dir_ / name); }

    std::string write(const std::string &name, const std::string &bytes) const
    {
        WriteFile(path(name), bytes);
        return path(name);
    }

    std::string read(const std::string &name) const { return ReadFile(path(name)); }

    // Runs a program of the build in the scratch folder, so that bare names land there.
    ProcessResult run(const std::string &program, std::vector<std::string> args, const std::string &input = {}) const
    {
        args.insert(args.begin(), BinPath(program));
        return RunProcess(args, input, dir_.string());
    }

    // One conversion that must succeed silently, writing `expected` to `outName`.
    void expectConversion(const std::string &program, const std::vector<std::string> &args, const std::string &inName,
                          const std::string &input, const std::string &outName, const std::string &expected)
    {
        write(inName, input);
        ProcessResult r = run(program, args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(read(outName), expected);
        std::filesystem::remove(path(outName));
    }

    // Runs a peer tool found on the search path (objcopy, srec_cat).
    ProcessResult runTool(std::vector<std::string> args) const
    {
        args.insert(args.begin(), "/usr/bin/env");
        return RunProcess(args, {}, dir_.string());
    }

    std::filesystem::path dir_;
};

inline std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(char(v));
    return s;
}

} // namespace zmtest
