// A change of a 6000x4000 JPEG on a plain X11 session (the root-window backend), as a user meets
// it, against hsetroot -fill and feh --bg-fill on the same photos in the same run:
//   - latency: from the request until the root window shows the new picture (watched on the
//     screen; for the others: the whole process, which exits once the picture is set);
//   - the longest stall of the event loop while our change runs (a 1 ms timer's largest gap);
//   - the peak resident memory of this process (the program's side of a change) across the
//     changes, against its resident memory before the first one.
// Usage (on an X display): change_bench PHOTO_A PHOTO_B SETTINGS_FOLDER [RUNS [PHOTO_C PHOTO_D]]
// The photos alternate so that every change shows a new picture. With C and D, each change of
// ours shows a picture on each monitor: A and C, then B and D (the others show A, then B).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <spawn.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "model/WideString.h"
#include "platform/linux/LinuxCore.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double RunProgram(std::vector<std::string> argv) {
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    int status = 0;
    if (posix_spawnp(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || status != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return Milliseconds(Clock::now() - start);
}

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atol(line.c_str() + std::string(field).size());
        }
    }
    return -1;
}

// Watches five points of the root window from a connection of its own and tells when most of
// them have left the colours they had when watching began: the new picture is on the screen.
class ScreenWatcher {
public:
    ScreenWatcher() : display(XOpenDisplay(nullptr)) {
        if (display == nullptr) {
            std::fprintf(stderr, "no X display\n");
            std::exit(1);
        }
        before = Samples();
    }
    ~ScreenWatcher() { XCloseDisplay(display); }

    Clock::time_point WaitForChange() {
        while (true) {
            const std::vector<unsigned long> now = Samples();
            int changed = 0;
            for (std::size_t i = 0; i < now.size(); ++i) {
                changed += now[i] != before[i] ? 1 : 0;
            }
            if (changed >= 4) {
                return Clock::now();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    std::vector<unsigned long> Samples() {
        const Window root = DefaultRootWindow(display);
        const int width = DisplayWidth(display, DefaultScreen(display));
        const int height = DisplayHeight(display, DefaultScreen(display));
        std::vector<unsigned long> values;
        for (const auto& [fx, fy] :
             {std::pair{0.5, 0.5}, {0.2, 0.2}, {0.8, 0.2}, {0.2, 0.8}, {0.8, 0.8}}) {
            XImage* pixel = XGetImage(display, root, static_cast<int>(width * fx),
                                      static_cast<int>(height * fy), 1, 1, AllPlanes, ZPixmap);
            values.push_back(pixel != nullptr ? XGetPixel(pixel, 0, 0) : 0);
            if (pixel != nullptr) {
                XDestroyImage(pixel);
            }
        }
        return values;
    }

    Display* display;
    std::vector<unsigned long> before;
};

struct OurChange {
    double latency = 0;
    double longestStall = 0;
};

// One change through the core as the program makes it, timed while the event loop runs.
OurChange ChangeOnce(LinuxCore& core, const std::vector<std::string>& photos) {
    OurChange result;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QElapsedTimer sinceBeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        result.longestStall = std::max(result.longestStall, double(sinceBeat.restart()));
    });
    bool failed = false;
    ScreenWatcher screen;
    const Clock::time_point start = Clock::now();
    Clock::time_point shown;
    std::thread watcher([&] { shown = screen.WaitForChange(); });
    sinceBeat.start();
    heartbeat.start();
    const auto finished = [&](std::exception_ptr error) {
        failed = error != nullptr;
        QCoreApplication::exit(0);
    };
    if (photos.size() == 1) {
        core.StartSetWallpaper(FromUtf8(photos.front()), finished);
    } else {
        core.StartSetWallpapers({FromUtf8(photos[0]), FromUtf8(photos[1])}, finished);
    }
    QCoreApplication::exec();
    watcher.join();
    result.latency = Milliseconds(shown - start);
    if (failed) {
        std::fprintf(stderr, "our change of %s failed\n", photos.front().c_str());
        std::exit(1);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PHOTO_A PHOTO_B SETTINGS_FOLDER [RUNS [PHOTO_C PHOTO_D]]\n",
                     argv[0]);
        return 2;
    }
    const std::string photos[2] = {argv[1], argv[2]};
    const int runs = argc > 4 ? std::atoi(argv[4]) : 7;
    QCoreApplication application(argc, argv);
    LinuxCore core(SessionEnvironment::FromProcess());
    core.SetSettingsFolder(FromUtf8(argv[3]));
    const long idleKilobytes = StatusKilobytes("VmRSS:");

    std::vector<double> ours, hsetroot, feh, stalls;
    const bool each = argc > 6;
    const auto change = [&](int run) {
        return each ? std::vector<std::string>{photos[run % 2], argv[5 + run % 2]}
                    : std::vector<std::string>{photos[run % 2]};
    };
    // From a black screen, whatever an earlier run left on it: the watcher waits for a change.
    RunProgram({"hsetroot", "-solid", "#000000"});
    ChangeOnce(core, change(1));  // warm the caches of every side alike
    for (int run = 0; run < std::max(runs, 20); ++run) {
        const std::string& photo = photos[run % 2];
        const OurChange ourChange = ChangeOnce(core, change(run));
        if (run < runs) {
            ours.push_back(ourChange.latency);
            stalls.push_back(ourChange.longestStall);
            hsetroot.push_back(RunProgram({"hsetroot", "-fill", photo}));
            feh.push_back(RunProgram({"feh", "--no-fehbg", "--bg-fill", photo}));
        }
    }
    const long peakKilobytes = StatusKilobytes("VmHWM:");

    std::printf("change of %s, median of %d\n",
                each ? "a 6000x4000 JPEG on each monitor" : "a 6000x4000 JPEG", runs);
    std::printf("  ours              %7.1f ms\n", Median(ours));
    std::printf("  hsetroot -fill    %7.1f ms\n", Median(hsetroot));
    std::printf("  feh --bg-fill     %7.1f ms\n", Median(feh));
    std::printf("  ours / hsetroot   %7.2f\n", Median(ours) / Median(hsetroot));
    std::printf("longest event-loop stall during our changes: %.0f ms\n",
                *std::max_element(stalls.begin(), stalls.end()));
    std::printf("resident memory: %.1f MB idle, %.1f MB peak over %d changes (+%.1f MB)\n",
                idleKilobytes / 1024.0, peakKilobytes / 1024.0, std::max(runs, 20) + 1,
                (peakKilobytes - idleKilobytes) / 1024.0);
    return 0;
}
