#pragma once

#include <optional>
#include <span>
#include <string_view>

// What another process of the same user can ask of the running copy.
enum class RemoteRequest { NextWallpaper, PreviousWallpaper, ShowWindow, Exit };

// How one thing the command line asks of the running copy is spelt on each way in. Shortcut
// settings and scripts spell the option and the bus member out, so they never change.
struct RemoteRequestNames {
    // The command-line option, without its dashes.
    std::string_view option;
    // The method, or for the current wallpaper the property, on the session bus.
    std::string_view busMember;
    // The word a WM_COPYDATA message carries.
    std::string_view windowsWord;
    std::string_view help;
};

struct RemoteRequestEntry {
    RemoteRequest request;
    RemoteRequestNames names;
};

// Every request, in the order the help lists them.
std::span<const RemoteRequestEntry> RemoteRequests();

// Asking for the current wallpaper, which is answered rather than carried out.
const RemoteRequestNames& CurrentWallpaperQuery();

const RemoteRequestNames& NamesOf(RemoteRequest request);

// The request whose name of the given kind is `name`, e.g.
// FindRemoteRequest(&RemoteRequestNames::busMember, "Next").
std::optional<RemoteRequest> FindRemoteRequest(std::string_view RemoteRequestNames::*kind,
                                               std::string_view name);
