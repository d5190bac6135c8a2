#include "platform/linux/change/BackgroundChange.h"

#include <utility>

#include "platform/linux/change/ImageConverterProcess.h"

BackgroundChange::BackgroundChange(QObject* parent) : QObject(parent) {}

BackgroundChange::~BackgroundChange() {
    ImageConverterProcess::StopAll();  // a half-written bitmap is removed by its writer
    if (worker.joinable()) {
        worker.join();
    }
}

void BackgroundChange::Start(std::function<void()> work,
                             std::function<void(std::exception_ptr)> done) {
    if (worker.joinable()) {
        worker.join();  // it has reported, so it has already finished
    }
    worker = std::thread([this, work = std::move(work), done = std::move(done)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this, [done, error] { done(error); }, Qt::QueuedConnection);
    });
}
