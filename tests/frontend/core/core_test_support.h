// The current directory for the front-end core tests, and their temporary folders.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "temp_dir.h"

namespace zmtest {

// Makes `dir` the current directory until the end of the scope.
class InDirectory {
public:
    explicit InDirectory(const std::string &dir) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~InDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    InDirectory(const InDirectory &) = delete;
    InDirectory &operator=(const InDirectory &) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace zmtest
