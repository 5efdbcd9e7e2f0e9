#include "append_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace append_file {

int Open(const std::string &path, std::string &error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        error = std::strerror(errno);
    return fd;
}

bool Write(int fd, const std::string &text, std::string &error)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    while (::fsync(fd) != 0) {
        if (errno != EINTR) {
            error = std::strerror(errno);
            return false;
        }
    }
    return true;
}

void Close(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

}  // namespace append_file
