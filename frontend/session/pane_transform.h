// What the terminal shows beyond the bytes' names, when the user asks for it: the time in front
// of each line the programmer sends, and every byte as its hex value. The window and zmcli's
// term both show through it, so both show the same.
#pragma once

#include <string>

struct PaneOptions {
    bool timestamps = false;  // "[hh:mm:ss.mmm] " in front of each received line
    bool hex = false;         // "41 42 0D", 16 bytes a line, typed and received alike
};

class PaneTransform {
public:
    static constexpr int kHexPerLine = 16;

    // The local time as stamped: "[hh:mm:ss.mmm] ".
    static std::string Stamp();

    const PaneOptions &Options() const { return options_; }
    // Whether bytes go through HexText instead of their names.
    bool Hex() const { return options_.hex; }
    // Returns true when the display's next character should start a new line, so that the
    // new way of showing does not continue a line of the old one.
    bool SetOptions(const PaneOptions &options);

    // Bytes as hex, the line broken in front of every 17th.
    std::string HexText(const std::string &bytes);
    // Display text on its way to the pane: what was received is stamped at the start of each
    // line it begins; what was typed only moves the place where the next line starts.
    std::string Shown(const std::string &text, bool received);

private:
    PaneOptions options_;
    int hexColumn_ = 0;
    bool atLineStart_ = true;
};
