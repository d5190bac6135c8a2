#include "platform/worker/WorkerThread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/worker/EventLoop.h"

namespace {

struct Piece {
    std::function<void()> work;
    std::function<void(std::exception_ptr)> done;
};

std::exception_ptr ErrorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

}  // namespace

// Shared with the thread, which may outlive the WorkerThread once released.
struct WorkerThread::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece> pieces;
    bool busy = false;
    bool released = false;
};

WorkerThread::WorkerThread() : queue(std::make_shared<Queue>()) {}

WorkerThread::~WorkerThread() {
    if (!thread.joinable()) {
        return;
    }
    std::unique_lock lock(queue->mutex);
    StopServing();
    queue->changed.wait(lock, [this] { return !queue->busy; });
    lock.unlock();
    thread.join();
}

void WorkerThread::Start(std::function<void()> work, std::function<void(std::exception_ptr)> done) {
    if (!EventLoopExists()) {
        done(ErrorOf(work));
        return;
    }
    if (!thread.joinable()) {
        thread = std::thread(Serve, queue);
    }
    const std::lock_guard lock(queue->mutex);
    queue->pieces.push_back({std::move(work), std::move(done)});
    queue->changed.notify_all();
}

bool WorkerThread::Release(std::chrono::milliseconds grace) {
    if (!thread.joinable()) {
        return true;
    }
    std::unique_lock lock(queue->mutex);
    StopServing();
    const bool ended = queue->changed.wait_for(lock, grace, [this] { return !queue->busy; });
    lock.unlock();
    thread.detach();  // an idle thread leaves by itself; a busy one must not be waited for
    return ended;
}

// With the queue's lock held.
void WorkerThread::StopServing() {
    queue->released = true;
    queue->pieces.clear();
    queue->changed.notify_all();
}

void WorkerThread::Serve(const std::shared_ptr<Queue>& queue) {
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->changed.wait(lock, [&] { return queue->released || !queue->pieces.empty(); });
        if (queue->released) {
            return;
        }
        Piece piece = std::move(queue->pieces.front());
        queue->pieces.pop_front();
        queue->busy = true;
        lock.unlock();
        std::exception_ptr error = ErrorOf(piece.work);
        lock.lock();
        if (!queue->released) {
            PostToEventLoop([done = std::move(piece.done), error] { done(error); });
        }
        // Whatever the piece holds goes before Release can return and the program tear down.
        piece = {};
        queue->busy = false;
        queue->changed.notify_all();
    }
}
