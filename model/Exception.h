#pragma once

#include <stdexcept>
#include <string>

// The program's own errors; callers that catch std::runtime_error see them as well.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};
