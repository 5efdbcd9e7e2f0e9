// Work on threads of its own: the win32-threads runtime of mingw-w64 has no std::thread.
#pragma once

#include <functional>
#include <vector>

namespace threads {

// Runs each piece of work on a thread of its own and returns when all have ended.
void RunTogether(const std::vector<std::function<void()>> &work);

}  // namespace threads
