#pragma once

#include <cstdint>

#include "model/SubscriberInterface.h"

class ApplicationSettings;
class WallpaperChanger;

// Makes the change on start and the timed changes; any settings notification restarts the
// countdown.
class WallpaperChangerController final : public SubscriberInterface {
public:
    WallpaperChangerController(WallpaperChanger& changer, ApplicationSettings& settings);
    ~WallpaperChangerController() override;
    WallpaperChangerController(const WallpaperChangerController&) = delete;
    WallpaperChangerController& operator=(const WallpaperChangerController&) = delete;

    void Tick();
    void Update(PublisherInterface* publisher) override;

private:
    void ChangeOnStart();

    WallpaperChanger& changer;
    ApplicationSettings& settings;
    std::int32_t countdown;
};
