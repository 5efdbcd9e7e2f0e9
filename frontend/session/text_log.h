// What the terminal shows, kept in a text file as it is shown: zm32's "log pane to file…" and
// zmcli term's --log-text. Apart from the trace log, which names every byte sent and received.
#pragma once

#include <cstdio>
#include <string>

// The pane's "\r\n" line breaks as the platform ends lines in a text file.
std::string WithPlatformLineEnds(const std::string &text);

class TextLog {
public:
    TextLog() = default;
    ~TextLog() { Close(); }
    TextLog(const TextLog &) = delete;
    TextLog &operator=(const TextLog &) = delete;

    // Appends to `path`, creating it; false with the cause in `why`.
    bool Open(const std::string &path, std::string &why);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    const std::string &Path() const { return path_; }
    // UTF-8 display text; written out at each line end, so that a crash loses no whole line.
    void Write(const std::string &text);

private:
    std::FILE *file_ = nullptr;
    std::string path_;
};
