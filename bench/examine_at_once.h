// The examine dialogue of upload bin with a client that answers at once: what promsim's
// paced line allows, for the benchmarks to compare with.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>

#include "raw_line.h"

namespace examine {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct AtOnce {
    double rate = 0;     // bytes per second from the first byte on, the most the paced line gives
    double seconds = 0;  // the whole dialogue, from "X" to the last byte
};

// The examine dialogue of upload bin played straight on promsim's line, answering each byte
// the moment it is complete. Zeros on failure.
inline AtOnce ExamineAtOnce(const std::string &device, int bytes)
{
    const int fd = OpenRawLine(device);
    if (fd < 0)
        return {};
    const auto start = Clock::now();
    std::string seen;
    // Reads until `done` holds for what came; false after a second of silence.
    const auto readUntil = [&](const std::function<bool()> &done) {
        while (!done()) {
            pollfd p{fd, POLLIN, 0};
            char buf[256];
            if (poll(&p, 1, 1000) <= 0)
                return false;
            const ssize_t k = read(fd, buf, sizeof buf);
            if (k <= 0)
                return false;
            seen.append(buf, size_t(k));
        }
        return true;
    };
    AtOnce result;
    if (write(fd, "X", 1) == 1 && readUntil([&] { return seen.find(' ') != std::string::npos; }) &&
        write(fd, "0000\r", 5) == 5) {
        std::optional<Clock::time_point> first;
        int done = 0;
        for (; done < bytes; ++done) {
            const size_t from = seen.size();
            // "=" and its two digits.
            if (!readUntil([&] {
                    const size_t equals = seen.find('=', from);
                    return equals != std::string::npos && seen.size() >= equals + 3;
                }))
                break;
            if (!first)
                first = Clock::now();
            if (write(fd, " ", 1) != 1)
                break;
        }
        if (first && done > 1)
            result.rate = (done - 1) / Seconds(Clock::now() - *first);
        result.seconds = Seconds(Clock::now() - start);
        if (write(fd, "\r", 1) != 1)
            result = {};
    }
    close(fd);
    return result;
}

}  // namespace examine

using examine::ExamineAtOnce;
