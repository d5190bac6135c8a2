#include "app/ScreenChangeWatcher.h"

#include <QGuiApplication>
#include <QScreen>
#include <chrono>
#include <utility>

namespace {

constexpr std::chrono::milliseconds kSettleTime{500};

}  // namespace

ScreenChangeWatcher::ScreenChangeWatcher(std::function<void()> changed) {
    settled.setSingleShot(true);
    settled.setInterval(kSettleTime);
    connect(&settled, &QTimer::timeout, this, std::move(changed));
    for (QScreen* screen : QGuiApplication::screens()) {
        Watch(screen);
    }
    const auto restart = [this] { settled.start(); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, restart](QScreen* screen) {
        Watch(screen);
        restart();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, restart);
}

void ScreenChangeWatcher::Watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { settled.start(); });
}
