#include "model/WallpaperChangerController.h"

#include <iostream>
#include <stdexcept>
#include <utility>

#include "model/ApplicationSettings.h"
#include "model/WallpaperChanger.h"

WallpaperChangerController::WallpaperChangerController(WallpaperChanger& changer,
                                                       ApplicationSettings& settings)
    : changer(changer), settings(settings), countdown(settings.GetChangeInterval()) {
    changer.SetDifferentPerMonitor(settings.GetDifferentPerMonitor());
    if (settings.GetOnloadChange()) {
        ChangeOnStart();
    }
    settings.Attach(this);
}

// The settings outlive the controller; detaching keeps them from calling a destroyed object.
WallpaperChangerController::~WallpaperChangerController() {
    settings.Detach(this);
}

void WallpaperChangerController::Tick(Completion done) {
    if (!settings.GetTimerChange()) {
        return;
    }
    if (countdown > 0) {
        --countdown;
        return;
    }
    // Set before the change, so a failed change waits a full period before the next attempt.
    countdown = settings.GetChangeInterval();
    changer.ChangeWallpaper(std::move(done));
}

void WallpaperChangerController::Update(PublisherInterface* publisher) {
    if (publisher == &settings) {
        countdown = settings.GetChangeInterval();
        changer.SetDifferentPerMonitor(settings.GetDifferentPerMonitor());
    }
}

void WallpaperChangerController::ChangeOnStart() {
    // There is no window yet to report in.
    try {
        changer.ChangeWallpaper();
    } catch (const std::runtime_error&) {
        std::cerr << "Can't change wallpaper on start";
    }
}
