// The pseudo-terminal that stands for the serial cable: promsim holds the master,
// the peer opens the device side by its path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace promsim {

class PtyLine {
public:
    PtyLine() = default;
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;
    ~PtyLine() { Close(); }

    // Opens a fresh line in raw mode; returns an error text, empty on success.
    std::string Open();
    void Close();

    int Fd() const { return master_; }
    const std::string &Path() const { return path_; }

    // True while a peer holds the device side open, or left bytes to read.
    bool PeerActive() const;

    // Readies the line for the next peer after one closed it: drops what that peer
    // left unread, restores raw mode and lifts its exclusive-use mark. Where the mark
    // cannot be lifted (no privilege), a fresh line replaces this one and `replaced`
    // is set: its path differs. Returns an error text, empty on success.
    std::string Reclaim(bool &replaced);

    // Non-blocking transfers. Read sets `gone` when the peer has closed the line.
    size_t Read(uint8_t *buffer, size_t size, bool &gone);
    size_t Write(const uint8_t *data, size_t size);

private:
    int master_ = -1;
    std::string path_;
};

} // namespace promsim
