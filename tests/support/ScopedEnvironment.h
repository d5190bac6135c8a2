#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

// Environment variables changed for one test case and put back when it ends, so that the cases
// of one test program pass in any order and all in one process.
class ScopedEnvironment final {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value) {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Save(name);
        unsetenv(name.c_str());
    }

private:
    // The value from before the first change is the one to restore.
    void Save(const std::string& name) {
        if (!saved.contains(name)) {
            const char* value = std::getenv(name.c_str());
            saved.emplace(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }

    std::map<std::string, std::optional<std::string>> saved;
};
