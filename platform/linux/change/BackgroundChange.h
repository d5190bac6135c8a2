#pragma once

#include <QObject>

#include <exception>
#include <functional>
#include <thread>

// Runs blocking wallpaper work on a thread of its own, one piece at a time, and reports back on
// the thread that owns this object through its event loop. A child of the application object:
// when that goes, the work in flight is ended and waited for, and its report is dropped.
class BackgroundChange final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundChange(QObject* parent);
    ~BackgroundChange() override;
    BackgroundChange(const BackgroundChange&) = delete;
    BackgroundChange& operator=(const BackgroundChange&) = delete;

    // The caller starts the next piece only after the last one has reported.
    void Start(std::function<void()> work, std::function<void(std::exception_ptr)> done);

private:
    std::thread worker;
};
