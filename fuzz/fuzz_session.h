// What the session fuzz targets share: a host that plays a window without one, on the fake
// line's virtual clock, and the session on the fake line with settings from the fuzzer's bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "fake_line.h"
#include "numbers.h"
#include "session.h"

// Stops the transfer at the n-th processing of messages (0: never), as a click on Stop would.
class FuzzHost : public SessionHost {
public:
    Session *session = nullptr;
    unsigned stopAt = 0;
    std::string echo, errors;
    bool transferRunning = false;

    void ShowStatus(const std::string &) override {}
    void ShowInfo(const std::string &text) override { errors += text + "\n"; }
    void ShowError(const std::string &text) override { errors += text + "\n"; }
    void ShowEcho(const std::string &text) override { echo += text; }
    void ProcessMessages() override
    {
        if (stopAt && ++messages_ == stopAt && session)
            session->RequestStop();
    }
    void WaitPumping(int32_t ms) override
    {
        fakeline::Advance(static_cast<uint64_t>(ms) * 1000);
        ProcessMessages();
    }
    void StoppableChanged(bool) override {}
    void TransferStarted() override { transferRunning = true; }
    void TransferEnded() override { transferRunning = false; }
    std::string ChooseOtherFile(const std::string &) override { return {}; }
    void OnLineLost(const std::string &) override {}
    void OnLineBack(const std::string &) override {}

private:
    unsigned messages_ = 0;
};

// The fuzzer's bytes: a few leading bytes choose the settings and the stop, the rest is what
// the programmer says.
struct FuzzRun {
    FuzzRun(const uint8_t *&data, size_t &size, size_t settingsBytes)
    {
        std::vector<uint8_t> head(settingsBytes, 0);
        for (size_t i = 0; i < settingsBytes && size > 0; ++i, ++data, --size)
            head[i] = *data;
        choice = head;
        fakeline::Start(data, size);
        host.session = &session;
        host.stopAt = choice.empty() ? 0 : choice[0] % 64;
        session.LoadSettings({"-i-"}, "zm32");
        session.Settings().delayms = 0;
        session.OpenPort();
    }
    // A file of this process's own, gone at the end.
    std::string File(const char *name)
    {
        path_ = "/tmp/zmfuzz-" + std::to_string(getpid()) + "-" + name;
        return path_;
    }
    ~FuzzRun()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }

    std::vector<uint8_t> choice;
    FuzzHost host;
    Session session{host};

private:
    std::string path_;
};

inline std::string ReadAll(const std::string &path)
{
    std::string text;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

inline bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The bytes the taken answers stand for: after the first space, each "=" and the two hex
// digits after it, until two digits are not hex.
inline std::string ShownBytes(const std::string &taken)
{
    std::string bytes;
    size_t at = taken.find(' ');
    if (at == std::string::npos)
        return bytes;
    for (++at;;) {
        const size_t equals = taken.find('=', at);
        if (equals == std::string::npos || equals + 2 >= taken.size())
            return bytes;
        if (!IsHexDigit(taken[equals + 1]) || !IsHexDigit(taken[equals + 2]))
            return bytes;
        bytes += static_cast<char>(ParseHex(taken.substr(equals + 1, 2)));
        at = equals + 3;
    }
}

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) { \
            std::fprintf(stderr, "check failed: %s\n", #condition); \
            __builtin_trap(); \
        } \
    } while (0)
