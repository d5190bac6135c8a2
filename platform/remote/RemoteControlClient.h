#pragma once

#include <vector>

#include "model/WideString.h"
#include "platform/remote/RemoteRequest.h"

// The calling side of remote control: a short-lived process of the same user reaching the
// running copy. Each platform library defines these functions.

enum class RemoteOutcome {
    // The running copy has taken the request; it carries it out later, in its turn.
    Taken,
    NoCopyRuns,
    // A copy may run, but it cannot be reached (no session bus, no answer).
    Unreachable
};

// copyRuns: the caller knows that a copy runs (another process holds the single-instance lock),
// so a copy that is still starting is waited for.
RemoteOutcome SendRemoteRequest(RemoteRequest request, bool copyRuns);

// The running copy's current wallpaper (empty when there is none) goes to `current`.
RemoteOutcome QueryCurrentWallpaper(WideString& current);

// Every picture the running copy shows, its current wallpaper first (none when there is none).
RemoteOutcome QueryCurrentWallpapers(std::vector<WideString>& current);

// Whether a copy runs, asked without becoming the copy that later ones find (as
// IsAnotherCopyRunning does when none runs): an asker that did so would make a copy starting at
// the same moment believe that another one runs.
bool IsRunningCopyPresent();
