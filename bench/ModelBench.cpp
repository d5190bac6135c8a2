#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "model/WallpaperChanger.h"
#include "platform/CoreInterface.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"

namespace {

constexpr std::size_t kLibrarySize = 100'000;
// Enough changes to measure while the list stays large and no refill falls inside the loop.
constexpr benchmark::IterationCount kChanges = 20'000;

// Folders of generated image names and a desktop that accepts every image at once, so that the
// figures are the model's own.
class InMemoryCore final : public CoreInterface {
public:
    void FindImages(const WideString& folder, WallpaperList& list, bool) override {
        const std::size_t count = folderSizes.at(folder);
        for (std::size_t i = 0; i < count; ++i) {
            list.push_back({folder, folder + u"/photo-" + Widen(std::to_string(i)) + u".jpg"});
        }
    }
    void SetWallpaper(const WideString&) override {}
    WideString Reserved() override { return {}; }
    bool IsSupportedImage(const WideString&) override { return true; }
    WideString GetSettingsFolder() const override { return {}; }
    void SetSettingsFolder(const WideString&) override {}
    std::vector<WideString> GetSupportedExtensions() const override { return {u"jpg"}; }

    std::map<WideString, std::size_t> folderSizes = {{u"/library", kLibrarySize}};
};

void ChangeRepeatedly(WallpaperChanger& changer, benchmark::IterationCount count) {
    for (benchmark::IterationCount i = 0; i < count; ++i) {
        changer.ChangeWallpaper();
    }
}

// The generated library as one folder source, changed through the named algorithm.
struct Library {
    explicit Library(const char16_t* algorithm) {
        GetAlgorithmManager().SetCurrentAlgorithm(algorithm);
        sources.AddFolderSource(u"/library", false);
    }

    SourceManager sources;
    WallpaperChanger changer{sources};
};

void NextPick(benchmark::State& state, const char16_t* algorithm) {
    Library library(algorithm);
    for (auto _ : state) {
        library.changer.ChangeWallpaper();
    }
    state.counters["entries_left"] = static_cast<double>(library.sources.GetWallpaperList().size());
}

void BM_NextPickNormal(benchmark::State& state) {
    NextPick(state, u"Normal");
}
void BM_NextPickRandom(benchmark::State& state) {
    NextPick(state, u"Random");
}

void BM_Undo(benchmark::State& state) {
    Library library(u"Random");
    ChangeRepeatedly(library.changer, state.max_iterations);
    for (auto _ : state) {
        library.changer.Undo();
    }
}

void BM_Redo(benchmark::State& state) {
    Library library(u"Random");
    ChangeRepeatedly(library.changer, state.max_iterations);
    for (benchmark::IterationCount i = 0; i < state.max_iterations; ++i) {
        library.changer.Undo();
    }
    for (auto _ : state) {
        library.changer.Redo();
    }
}

// Removes one of two equal folders from a full list of the given size; the time grows linearly.
void BM_RemoveSource(benchmark::State& state) {
    auto& core = static_cast<InMemoryCore&>(GetCore());
    const auto half = static_cast<std::size_t>(state.range(0)) / 2;
    core.folderSizes[u"/library/first-half"] = half;
    core.folderSizes[u"/library/second-half"] = half;
    SourceManager sources;
    for (auto _ : state) {
        state.PauseTiming();
        sources.RemoveAllSources();
        sources.AddFolderSource(u"/library/first-half", false);
        sources.AddFolderSource(u"/library/second-half", false);
        state.ResumeTiming();
        sources.RemoveFolderSource(u"/library/first-half");
    }
}

}  // namespace

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<InMemoryCore>();
}

BENCHMARK(BM_NextPickNormal)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NextPickRandom)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Undo)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Redo)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoveSource)
    ->Arg(kLibrarySize / 4)
    ->Arg(kLibrarySize / 2)
    ->Arg(kLibrarySize)
    ->Arg(kLibrarySize * 2)
    ->Arg(kLibrarySize * 4)
    ->Unit(benchmark::kMillisecond);
