#include "threads.h"

#include <windows.h>

namespace threads {

namespace {

DWORD WINAPI Start(void *piece)
{
    (*static_cast<const std::function<void()> *>(piece))();
    return 0;
}

}  // namespace

void RunTogether(const std::vector<std::function<void()>> &work)
{
    std::vector<HANDLE> running;
    for (const auto &piece : work) {
        HANDLE thread = CreateThread(nullptr, 0, Start, const_cast<std::function<void()> *>(&piece), 0, nullptr);
        if (thread)
            running.push_back(thread);
        else
            piece();  // no thread to be had: the work is done all the same, on this one
    }
    for (HANDLE thread : running) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

}  // namespace threads
