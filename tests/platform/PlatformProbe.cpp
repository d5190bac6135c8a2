// A second process for the platform tests: what another copy of the program, or another
// program, would see.
//   platform_probe another-copy         exit 1 when another copy runs, 0 when not
//   platform_probe another-copy-crash   the same, then ends without cleaning up (a crash)
//   platform_probe gnome BITMAP         GnomeBackend::ShowWallpaper; prints "ok" or the error
#include <cstdio>
#include <cstring>
#include <exception>

#include <unistd.h>

#include "platform/NativeDesktop.h"
#include "platform/linux/desktops/gsettings/GnomeBackend.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "another-copy") == 0) {
        return IsAnotherCopyRunning() ? 1 : 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "another-copy-crash") == 0) {
        _exit(IsAnotherCopyRunning() ? 1 : 0);
    }
    if (argc == 3 && std::strcmp(argv[1], "gnome") == 0) {
        try {
            GnomeBackend().ShowWallpaper(argv[2]);
            std::puts("ok");
        } catch (const std::exception& error) {
            std::puts(error.what());
        }
        return 0;
    }
    std::fputs("usage: platform_probe another-copy|another-copy-crash|gnome BITMAP\n", stderr);
    return 2;
}
