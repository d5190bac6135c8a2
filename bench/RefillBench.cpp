// The longest stall of the event loop while the wallpaper list is refilled from one folder
// source of 100,000 images in 1,000 folders (a 1 ms timer's largest gap), and how long the
// refill takes, with the platform core of the build.
// Usage: refill_bench [RUNS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "sources/SourceManager.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;
constexpr std::size_t kImages = kFolders * kFilesPerFolder;

void MakeLibrary(const std::string& root) {
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::string path = root + "/" + std::to_string(folder);
        if (!QDir().mkpath(QString::fromStdString(path))) {
            std::fprintf(stderr, "cannot create %s\n", path.c_str());
            std::exit(1);
        }
        for (int file = 0; file < kFilesPerFolder; ++file) {
            std::ofstream(path + "/image" + std::to_string(file) + ".jpg");
        }
    }
}

// Leaves the last entry, whose removal starts the refill.
void ConsumeAllButOne(SourceManager& sources) {
    while (sources.GetWallpaperList().size() > 1) {
        sources.RemoveWallpaperAt(sources.GetWallpaperList().size() - 1);
    }
}

struct Run {
    double longestStallMs = 0;
    double refillMs = 0;
};

// The 1 ms timer also notices the end of the refill: the list is full again.
Run MeasureRefill(SourceManager& sources) {
    ConsumeAllButOne(sources);
    Run run;
    QElapsedTimer sinceStart;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestStallMs =
            std::max(run.longestStallMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.start();
        if (sources.GetWallpaperList().size() == kImages) {
            run.refillMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
            ticker.stop();
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(20, [&] {
        sinceStart.start();
        sinceTick.start();
        ticker.start(1);
        sources.RemoveWallpaperAt(0);
    });
    QCoreApplication::exec();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir library;
    MakeLibrary(library.path().toStdString());
    SourceManager sources;
    sources.AddFolderSource(library.path().toStdU16String(), true);
    if (sources.GetWallpaperList().size() != kImages) {
        std::fprintf(stderr, "the library lists %zu images\n", sources.GetWallpaperList().size());
        return 1;
    }
    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        results.push_back(MeasureRefill(sources));
        std::printf("run %d: longest stall %.1f ms, refill %.1f ms\n", i + 1,
                    results.back().longestStallMs, results.back().refillMs);
    }
    const auto worst = std::max_element(
        results.begin(), results.end(),
        [](const Run& a, const Run& b) { return a.longestStallMs < b.longestStallMs; });
    std::printf("worst longest stall over %d refills of %zu images: %.1f ms\n", runs, kImages,
                worst->longestStallMs);
    return 0;
}
