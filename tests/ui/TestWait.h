#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Processes events until the condition holds or the deadline passes; returns the condition.
template <typename Condition>
bool WaitUntil(Condition condition, int milliseconds = 5000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}
