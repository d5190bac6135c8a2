#pragma once

#include <gio/gio.h>

#include <cstdlib>
#include <string>

#include "tests/platform/PlatformTestSupport.h"

namespace gsettings_test {

// GLib reads XDG_CONFIG_HOME once per process, so every test of this process shares one
// keyfile backend in one temporary folder, removed at exit.
inline void UsePrivateSettings() {
    struct PrivateSettings {
        PrivateSettings() {
            setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
            setenv("GSETTINGS_BACKEND", "keyfile", 1);
            setenv("NO_AT_BRIDGE", "1", 1);
            setenv("GIO_USE_VFS", "local", 1);
        }
        platform_test::TemporaryFolder folder;
    };
    static const PrivateSettings settings;
}

inline std::string UriOf(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string result(uri);
    g_free(uri);
    return result;
}

}  // namespace gsettings_test
