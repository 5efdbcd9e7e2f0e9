// The --link symbolic link that gives the line a stable name.
#pragma once

#include <string>

namespace promsim {

class DeviceLink {
public:
    explicit DeviceLink(std::string path) : path_(std::move(path)) {}
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;
    ~DeviceLink() { Remove(); }

    // Points the link at `target`, replacing an older link but never another kind of
    // file. Returns an error text, empty on success.
    std::string PointTo(const std::string &target);
    // Removes the link if it still points where this program put it.
    void Remove();

private:
    std::string path_;
    std::string target_;
};

} // namespace promsim
