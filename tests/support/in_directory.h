// Makes a folder the current directory for a scope, in the tests of the settings and paths.
#pragma once

#include <filesystem>
#include <string>

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
