#include "platform/worker/EventLoop.h"

#include <QCoreApplication>

#include <utility>

bool EventLoopExists() {
    return QCoreApplication::instance() != nullptr;
}

void PostToEventLoop(std::function<void()> call) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
    }
}
