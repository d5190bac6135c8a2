#pragma once

#include <cstdint>

#include "model/CommandInterface.h"
#include "model/SubscriberInterface.h"

class ApplicationSettings;
class WallpaperChanger;

// Makes the change on start and the timed changes; any settings notification restarts the
// countdown. It also hands the changer the option of a picture for each monitor.
class WallpaperChangerController final : public SubscriberInterface {
public:
    WallpaperChangerController(WallpaperChanger& changer, ApplicationSettings& settings);
    ~WallpaperChangerController() override;
    WallpaperChangerController(const WallpaperChangerController&) = delete;
    WallpaperChangerController& operator=(const WallpaperChangerController&) = delete;

    // One second has passed. A change it starts reports to `done` when it has finished.
    void Tick(Completion done);
    void Update(PublisherInterface* publisher) override;

private:
    void ChangeOnStart();

    WallpaperChanger& changer;
    ApplicationSettings& settings;
    std::int32_t countdown;
};
