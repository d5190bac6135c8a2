#include "platform/linux/change/RunningProgram.h"

#include <filesystem>
#include <string_view>

std::string RunningProgramPath() {
    constexpr std::string_view kDeletedSuffix = " (deleted)";
    std::error_code error;
    std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return {};
    }
    // A file whose name really ends in the suffix still exists under that name.
    if (program.ends_with(kDeletedSuffix) && !std::filesystem::exists(program, error)) {
        program.resize(program.size() - kDeletedSuffix.size());
    }
    return program;
}
