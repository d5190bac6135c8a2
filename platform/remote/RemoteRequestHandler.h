#pragma once

#include <vector>

#include "model/WideString.h"
#include "platform/remote/RemoteRequest.h"

// The running copy's side of remote control, called on the GUI thread.
class RemoteRequestHandler {
public:
    virtual ~RemoteRequestHandler() = default;
    // Must return at once, leaving the work queued: the caller waits for the return.
    virtual void Accept(RemoteRequest request) = 0;
    // The path of the wallpaper shown now; empty when there is none.
    virtual WideString CurrentWallpaper() const = 0;
    // Every picture shown now, one for each monitor when they differ; CurrentWallpaper() first.
    virtual std::vector<WideString> CurrentWallpapers() const {
        WideString current = CurrentWallpaper();
        return current.empty() ? std::vector<WideString>() : std::vector{current};
    }
};
