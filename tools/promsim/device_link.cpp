#include "device_link.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace promsim {

namespace {

std::string LinkTarget(const std::string &path)
{
    char buffer[PATH_MAX];
    ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

} // namespace

std::string DeviceLink::PointTo(const std::string &target)
{
    struct stat st{};
    if (lstat(path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        return "--link " + path_ + ": exists and is not a symbolic link";
    // A temporary link renamed over the old one: the name never dangles in between.
    std::string temp = path_ + ".promsim-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0)
        return "--link " + path_ + ": " + std::strerror(errno);
    if (rename(temp.c_str(), path_.c_str()) != 0) {
        std::string error = "--link " + path_ + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return error;
    }
    target_ = target;
    return {};
}

void DeviceLink::Remove()
{
    if (!target_.empty() && LinkTarget(path_) == target_)
        unlink(path_.c_str());
    target_.clear();
}

} // namespace promsim
