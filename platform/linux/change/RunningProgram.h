#pragma once

#include <string>

// The full path of the program this process runs, or empty when the system cannot say. Once the
// program file is replaced while it runs (every package upgrade), the kernel names the old file
// "<path> (deleted)"; this is the path where the new file now is.
std::string RunningProgramPath();
