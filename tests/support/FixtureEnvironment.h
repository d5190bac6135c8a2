#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

// The NAME=VALUE lines that a CTest desktop fixture (desktop-fixture.sh) wrote to the file named
// by VORNK_FIXTURE_ENVIRONMENT; nothing when there is no such file.
inline std::vector<std::pair<std::string, std::string>> FixtureEnvironment() {
    std::vector<std::pair<std::string, std::string>> variables;
    const char* file = std::getenv("VORNK_FIXTURE_ENVIRONMENT");
    if (file == nullptr) {
        return variables;
    }
    std::ifstream lines(file);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string::size_type equals = line.find('=');
        if (equals != std::string::npos) {
            variables.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return variables;
}

// Sets the fixture's variables in this process. False when there are none.
inline bool UseFixtureEnvironment() {
    const auto variables = FixtureEnvironment();
    for (const auto& [name, value] : variables) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    return !variables.empty();
}
