#include "memory_image.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace promsim {

namespace {

std::string SystemError(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const uint8_t *data, size_t size)
{
    while (size > 0) {
        ssize_t k = write(fd, data, size);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        data += k;
        size -= size_t(k);
    }
    return true;
}

} // namespace

std::string LoadImage(const std::string &path, std::vector<uint8_t> &memory)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return SystemError("cannot open image", path);
    size_t got = std::fread(memory.data(), 1, memory.size(), f);
    bool failed = std::ferror(f) != 0;
    bool larger = !failed && got == memory.size() && std::fgetc(f) != EOF;
    std::fclose(f);
    if (failed)
        return "cannot read image " + path;
    if (larger)
        return "image " + path + " is larger than the memory; give a larger --size";
    return {};
}

std::string SaveImage(const std::string &path, const std::vector<uint8_t> &bytes, const std::string &what)
{
    const std::string failed = "cannot save " + what + " to";
    struct stat there;
    if (lstat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
        return failed + " " + path + ": not a regular file; it is left as it is";
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return SystemError(failed, path);
    // mkstemp creates the file private; an image is an ordinary file.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    std::string error = ok ? std::string() : SystemError(failed, path);
    if (close(fd) != 0 && ok)
        error = SystemError(failed, path);
    if (error.empty() && rename(temp.c_str(), path.c_str()) != 0)
        error = SystemError(failed, path);
    if (!error.empty())
        unlink(temp.c_str());
    return error;
}

} // namespace promsim
