// Environment variables set or removed for a scope, and put back as they were after it.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include <unistd.h>

namespace zmtest {

class ScopedEnv {
public:
    ScopedEnv() = default;
    ~ScopedEnv()
    {
        for (const auto &[name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

    // Sets `name`; without a value removes it.
    void Set(const std::string &name, const std::optional<std::string> &value = std::nullopt)
    {
        if (!saved_.count(name)) {
            const char *old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

    // Removes every variable whose name starts with `prefix`.
    void RemoveAll(const std::string &prefix)
    {
        std::vector<std::string> names;
        for (char **variable = environ; *variable; ++variable) {
            const std::string text = *variable;
            if (text.compare(0, prefix.size(), prefix) == 0)
                names.push_back(text.substr(0, text.find('=')));
        }
        for (const std::string &name : names)
            Set(name);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace zmtest
