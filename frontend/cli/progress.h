// The progress line of a transfer on a terminal: done of total, rate, time left, and the
// session's status text of the moment; at the end one summary line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressLine {
public:
    // `unit` names what is counted ("bytes", "lines"); a null stream shows nothing.
    ProgressLine(std::FILE *stream, std::string name, std::string unit);

    void Start();
    void Status(const std::string &text);
    void Progress(int64_t done, int64_t total);
    // Takes the line away, so that a message can stand on a line of its own.
    void Clear();
    // The summary with how it ended ("done", "stopped", ...).
    void Finish(const std::string &ending);

    // The figures: `done` of `total`, and the rate of `counted` in `seconds`.
    static std::string Figures(int64_t done, int64_t total, int64_t counted, double seconds,
                               const std::string &unit);

private:
    using Clock = std::chrono::steady_clock;
    void Draw();

    std::FILE *stream_;
    std::string name_;
    std::string unit_;
    std::string status_;
    int64_t done_ = -1;
    int64_t total_ = -1;
    Clock::time_point start_ = Clock::now();
    Clock::time_point firstAt_{};
    int64_t firstDone_ = 0;
    Clock::time_point drawnAt_{};
    bool shown_ = false;
};
