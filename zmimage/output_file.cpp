#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "image/platform/binary_stdio.h"

namespace {

// Whether anything is at the path, a dangling link included: it is never removed then.
bool Taken(const std::string &path)
{
    struct stat status;
#ifdef _WIN32
    return stat(path.c_str(), &status) == 0;
#else
    return lstat(path.c_str(), &status) == 0;
#endif
}

}  // namespace

WriteOutcome WriteOutputFile(const std::string &path, const std::function<bool(const ByteSink &)> &produce,
                             std::string &error)
{
    if (path == "-") {
        SetBinaryMode(stdout);
        const bool written = produce([](const char *bytes, size_t size) {
            return std::fwrite(bytes, 1, size, stdout) == size;
        });
        if (!written || std::fflush(stdout) != 0) {
            error = "Couldn't write standard output";
            return WriteOutcome::Failed;
        }
        return WriteOutcome::Written;
    }
    struct stat before;
    const bool existed = Taken(path);
    if (stat(path.c_str(), &before) == 0 && S_ISDIR(before.st_mode)) {
        error = "Couldn't create \"" + path + "\": it is a directory";
        return WriteOutcome::NotOpened;
    }
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "Couldn't create \"" + path + "\": " + std::strerror(errno);
        return WriteOutcome::NotOpened;
    }
    // Blocks come large: written past the stream's buffer.
    std::setvbuf(file, nullptr, _IONBF, 0);
    bool written = produce([file](const char *bytes, size_t size) {
        return std::fwrite(bytes, 1, size, file) == size;
    });
    written = std::fclose(file) == 0 && written;
    if (written)
        return WriteOutcome::Written;
    error = "Couldn't write \"" + path + "\"";
    if (!existed)
        std::remove(path.c_str());
    return WriteOutcome::Failed;
}
