#include "file_replace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string &path, const std::string &bytes, std::string &why)
{
    struct stat old {};
    const bool replacing = stat(path.c_str(), &old) == 0;
    // A name of its own beside the file: never one that is already there.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".new" + (attempt ? std::to_string(attempt) : std::string());
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        why = std::string("a new file beside it cannot be made (") + std::strerror(errno) + ")";
        return false;
    }
    bool ok = WriteAll(fd, bytes) && (!replacing || fchmod(fd, old.st_mode & 07777) == 0) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        why = std::strerror(error);
    }
    return ok;
}
