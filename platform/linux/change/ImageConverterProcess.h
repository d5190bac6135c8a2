#pragma once

#include <chrono>
#include <cstddef>
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

    // Keeps every run stopped while it lives (StopAll).
    class Stop final {
    public:
        Stop();
        ~Stop();
        Stop(const Stop&) = delete;
        Stop& operator=(const Stop&) = delete;
    };

    // The program's own converter (beside it in a build tree, else where it was installed).
    ImageConverterProcess();
    ImageConverterProcess(std::string program, std::chrono::milliseconds timeLimit);

    // What one run hands the converter.
    struct Invocation {
        std::vector<std::string> arguments;
        std::vector<int> handedOver;  // become the converter's descriptors 3, 4 and on
        // Output beyond it ends the run as a failure: a converter gone wrong must not fill the
        // program's memory.
        std::size_t outputLimit = 1;
    };

    // `received` sees the whole output so far after each part of it arrives.
    Result Run(const Invocation& invocation,
               const std::function<void(const std::string& output)>& received = {}) const;

    // From any thread: ends the runs in flight at once, and while the returned object lives
    // every run that starts fails at the start. Whoever waits for a converting thread to finish
    // holds it until that thread has finished; dropped at once, it ends the runs in flight only.
    static Stop StopAll();

private:
    std::string program;
    std::chrono::milliseconds timeLimit;
};
