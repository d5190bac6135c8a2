#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QScreen;

// Tells when the monitors were added, removed, moved or resized, once they have settled: a
// monitor plugged in or a layout applied comes as several changes in a row.
class ScreenChangeWatcher final : public QObject {
    Q_OBJECT

public:
    explicit ScreenChangeWatcher(std::function<void()> changed);

private:
    void Watch(QScreen* screen);

    QTimer settled;
};
