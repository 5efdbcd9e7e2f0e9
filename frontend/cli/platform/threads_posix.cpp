#include "threads.h"

#include <thread>

namespace threads {

void RunTogether(const std::vector<std::function<void()>> &work)
{
    std::vector<std::thread> running;
    for (const auto &piece : work)
        running.emplace_back(piece);
    for (std::thread &thread : running)
        thread.join();
}

}  // namespace threads
