#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// Sets the NAME=VALUE lines that a CTest desktop fixture (desktop-fixture.sh) wrote to the file
// named by VORNK_FIXTURE_ENVIRONMENT. False when there is no such file.
inline bool UseFixtureEnvironment() {
    const char* file = std::getenv("VORNK_FIXTURE_ENVIRONMENT");
    if (file == nullptr) {
        return false;
    }
    std::ifstream lines(file);
    std::string line;
    bool any = false;
    while (std::getline(lines, line)) {
        const std::string::size_type equals = line.find('=');
        if (equals != std::string::npos) {
            setenv(line.substr(0, equals).c_str(), line.substr(equals + 1).c_str(), 1);
            any = true;
        }
    }
    return any;
}
