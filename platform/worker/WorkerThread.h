#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

// Runs blocking pieces of work on a thread of its own, one at a time in the order they were
// started, and hands each outcome back to the application's event loop (EventLoop.h). Free of
// Qt, so that every platform's core can use it.
class WorkerThread final {
public:
    WorkerThread();
    // Waits for the piece in flight: a core that was not released (a test's) may still be used
    // by it.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // `done` runs on the event loop's thread with the error `work` threw, or null. Before the
    // application object exists, both run here before the call returns.
    void Start(std::function<void()> work, std::function<void(std::exception_ptr)> done);

    // For the program's exit: drops the pieces not yet begun and lets the thread go, giving the
    // piece in flight up to `grace` to end; no outcome is handed back any more. False when that
    // piece still runs: it may go on using the core and Qt, so the process must end at once.
    bool Release(std::chrono::milliseconds grace);

private:
    struct Queue;

    void StopServing();
    static void Serve(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> queue;
    std::thread thread;
};
