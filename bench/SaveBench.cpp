// The cost of saving one settings file with the flushes that make it survive a power loss,
// against the same replacement without them, in a new folder under the current one (run it
// from a folder on the disk that matters, not on a tmpfs).
#include <benchmark/benchmark.h>

#include <string>

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include "platform/FileReplacement.h"

namespace fs = boost::filesystem;

namespace {

fs::path BenchFolder() {
    static const fs::path folder = [] {
        fs::path path = fs::current_path() / fs::unique_path("save-bench-%%%%%%");
        fs::create_directories(path);
        return path;
    }();
    return folder;
}

// A sources.info of a few dozen entries, as a user's list is.
const std::string kContent(4096, 'x');

void FlushedReplace(benchmark::State& state) {
    const fs::path target = BenchFolder() / "sources.info";
    for (auto _ : state) {
        ReplaceFileAtomically(target, kContent);
    }
}

void ReplaceWithoutFlush(benchmark::State& state) {
    const fs::path target = BenchFolder() / "settings.info";
    const fs::path temporary = BenchFolder() / "settings.info.tmp";
    for (auto _ : state) {
        fs::ofstream(temporary) << kContent;
        fs::rename(temporary, target);
    }
}

BENCHMARK(FlushedReplace)->Unit(benchmark::kMillisecond);
BENCHMARK(ReplaceWithoutFlush)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(BenchFolder());
    return 0;
}
