#include "append_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace append_file {

int Open(const std::string &path, std::string &error)
{
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                           _S_IREAD | _S_IWRITE);
    if (fd < 0)
        error = std::strerror(errno);
    return fd;
}

bool Write(int fd, const std::string &text, std::string &error)
{
    for (size_t done = 0; done < text.size();) {
        const int n = ::_write(fd, text.data() + done, static_cast<unsigned>(text.size() - done));
        if (n <= 0) {
            error = std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::_commit(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

void Close(int fd)
{
    if (fd >= 0)
        ::_close(fd);
}

}  // namespace append_file
