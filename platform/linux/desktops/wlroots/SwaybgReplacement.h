#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// A swaybg of ours for a new picture, started while the earlier ones still show theirs: a
// wlroots compositor stacks the newer background below the older, so the picture changes when
// the earlier ones are stopped, without a blank screen in between.
class SwaybgReplacement final {
public:
    // Starts the new swaybg. Throws CoreError "Can't change desktop wallpaper" when it cannot
    // run (not installed, no compositor, no layer-shell); the earlier ones are left alone.
    explicit SwaybgReplacement(const std::string& bitmapPath);
    // One picture for each output: (output name, picture path) pairs.
    explicit SwaybgReplacement(const std::vector<std::pair<std::string, std::string>>& pictures);

    // Stops the earlier swaybg processes that show pictures from the new one's folder, also those
    // an earlier run of the program left.
    void StopEarlier();
    // Stops the new one instead, when the change fails after all.
    void Abandon();

private:
    void Start();

    std::vector<std::string> argv;
    std::vector<pid_t> earlier;
    pid_t started = -1;
};
