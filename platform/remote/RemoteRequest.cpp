#include "platform/remote/RemoteRequest.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kRequests{
    RemoteRequestEntry{RemoteRequest::NextWallpaper,
                       {"next", "Next", "next", "show the next wallpaper"}},
    RemoteRequestEntry{RemoteRequest::PreviousWallpaper,
                       {"previous", "Previous", "previous", "show the previous wallpaper"}},
    RemoteRequestEntry{RemoteRequest::ShowWindow,
                       {"show", "ShowWindow", "show", "bring up the main window"}},
    RemoteRequestEntry{RemoteRequest::Exit, {"exit", "Exit", "exit", "end the running copy"}},
};

constexpr RemoteRequestNames kCurrentWallpaper{
    "current", "CurrentWallpaper", "current",
    "print the path of the current wallpaper (a line for each monitor's)"};

}  // namespace

std::span<const RemoteRequestEntry> RemoteRequests() {
    return kRequests;
}

const RemoteRequestNames& CurrentWallpaperQuery() {
    return kCurrentWallpaper;
}

const RemoteRequestNames& NamesOf(RemoteRequest request) {
    return std::ranges::find(kRequests, request, &RemoteRequestEntry::request)->names;
}

std::optional<RemoteRequest> FindRemoteRequest(std::string_view RemoteRequestNames::*kind,
                                               std::string_view name) {
    const auto found = std::ranges::find_if(
        kRequests, [&](const RemoteRequestEntry& entry) { return entry.names.*kind == name; });
    return found == kRequests.end() ? std::nullopt : std::optional(found->request);
}
