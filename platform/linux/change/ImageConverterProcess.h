#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Runs the converter program once and collects its standard output, ending it when it outlives
// its time limit or when the program ends (StopAll). One run at a time per thread.
class ImageConverterProcess final {
public:
    struct Result {
        bool exited = false;  // by itself, within the time limit
        int exitCode = -1;    // when it exited
        std::string output;
    };

    // The program's own converter (beside it in a build tree, else where it was installed).
    ImageConverterProcess();
    ImageConverterProcess(std::string program, std::chrono::milliseconds timeLimit);

    // `received` sees the whole output so far after each part of it arrives.
    Result Run(const std::vector<std::string>& arguments,
               const std::function<void(const std::string& output)>& received = {}) const;

    // From any thread: ends the runs in flight at once, and every later run fails at the start.
    static void StopAll();

private:
    std::string program;
    std::chrono::milliseconds timeLimit;
};
