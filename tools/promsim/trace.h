// Human-readable record of what crossed the line: "<" received, ">" sent, "#" events.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace promsim {

class Trace {
public:
    Trace() = default;
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;
    ~Trace();

    // Starts a new trace file; returns an error text, empty on success.
    std::string Open(const std::string &path);

    void Received(const uint8_t *data, size_t n) { Bytes('<', data, n); }
    void Sent(const uint8_t *data, size_t n) { Bytes('>', data, n); }
    void Note(const std::string &text);

private:
    void Bytes(char direction, const uint8_t *data, size_t n);
    void StartLine(char direction);
    void EndLine();

    std::FILE *file_ = nullptr;
    char direction_ = 0;      // direction of the open line, 0 when none is open
    bool breakAfterCr_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace promsim
