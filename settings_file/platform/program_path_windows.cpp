// GetModuleFileName rather than _get_pgmptr, which the mingw-w64 runtime's import library lacks.
#include "program_path.h"

#include <windows.h>

std::string ProgramPath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        // A path that filled the buffer may have been cut short.
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}
