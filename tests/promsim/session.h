// A running promsim with a peer on its line, and small file helpers for the tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "peer.h"
#include "promsim_runner.h"
#include "run_process.h"

namespace zmtest {

struct Session {
    // Starts promsim with the options, opens its line and takes the greeting prompt
    // (what came within `greetingMs`).
    explicit Session(const std::vector<std::string> &options = {"--upload-delay", "0"}, int greetingMs = 5000)
        : sim(options), peer(sim.Path())
    {
        if (peer.IsOpen())
            greeting = peer.ReadUntil("\r\n>", greetingMs);
    }
    PromsimRunner sim;
    Peer peer;
    std::string greeting;
};

// A fresh directory for one test's files, removed when the test program ends.
inline std::string TempDir()
{
    struct Cleanup {
        std::vector<std::string> dirs;
        ~Cleanup()
        {
            for (const auto &d : dirs) {
                std::error_code ignored;
                std::filesystem::remove_all(d, ignored);
            }
        }
    };
    static Cleanup cleanup;
    std::string dir = "/tmp/promsim-test-XXXXXX";
    if (!mkdtemp(dir.data()))
        return {};
    cleanup.dirs.push_back(dir);
    return dir;
}

inline std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto &c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

// Splits at CR, LF or CR LF; drops empty lines.
inline std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!line.empty())
                lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// Sends a record file as the front-end's download does: "T", then each line and CR LF.
inline std::string Download(Peer &peer, const std::string &fileText, const std::string &format = "I")
{
    peer.Command(format);
    peer.Send("T");
    std::string lines;
    for (const auto &line : Lines(fileText))
        lines += line + "\r\n";
    peer.Send(lines);
    return peer.ReadUntil("\r\n>");
}

// Compares binary data without dumping it whole into the test log.
inline ::testing::AssertionResult SameBytes(const std::string &got, const std::string &expected)
{
    if (got == expected)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << "got " << got.size() << " bytes, expected " << expected.size()
                                         << ", first difference at offset " << at << ": \""
                                         << got.substr(at, 40) << "\"";
}

// objcopy as an independent reader and writer of record files.
inline std::string Objcopy(const std::string &from, const std::string &to, const std::string &in,
                           const std::string &out)
{
    auto r = RunProcess({"/usr/bin/objcopy", "-I", from, "-O", to, in, out});
    return r.status == 0 ? ReadFile(out) : "objcopy failed: " + r.err;
}

} // namespace zmtest
