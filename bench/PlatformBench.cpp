// The platform core against the command-line tools that do the same job, on the same files:
//   FindImages over 100,000 files in 1,000 folders  vs  find DIR -type f
//   SetWallpaper's conversion (the converter process: decode + BMP save, no desktop step) of a
//   6000x4000 JPEG
//                                                   vs  djpeg -bmp
// Usage: platform_bench [WORK_FOLDER] [RUNS] [walk|convert]
// The inputs are generated once in WORK_FOLDER (default: vornk-bench in the system's temporary
// folder) and kept for later runs; the bitmaps written are removed at the end. Each figure is the
// median of RUNS (default 7) warm runs; the two sides of a comparison alternate so that both see
// the same machine state.
#include <IL/il.h>
#include <boost/filesystem.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/linux/LinuxCore.h"
#include "platform/linux/change/ConverterRun.h"
#include "platform/linux/converter/DevilImage.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs each side once to warm up, then `runs` times alternating; the medians.
std::vector<double> Compare(int runs, const std::vector<std::function<void()>>& sides) {
    std::vector<std::vector<double>> times(sides.size());
    for (const auto& side : sides) {
        side();
    }
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < sides.size(); ++i) {
            times[i].push_back(Seconds(sides[i]));
        }
    }
    std::vector<double> medians;
    for (const auto& series : times) {
        medians.push_back(Median(series));
    }
    return medians;
}

void MakeTree(const fs::path& root) {
    if (fs::exists(root / "complete")) {
        return;
    }
    std::printf("generating %d files in %d folders under %s ...\n", kFolders * kFilesPerFolder,
                kFolders, root.c_str());
    fs::remove_all(root);
    // Ten top folders of a hundred folders each: some depth, 1,000 folders holding files.
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path dir =
            root / ("group" + std::to_string(folder / 100)) / ("album" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < kFilesPerFolder; ++file) {
            // Nine in ten are images; the rest are other files the walk must pass over.
            const char* extension = file % 10 == 9 ? ".txt" : ".jpg";
            std::ofstream(dir / ("photo" + std::to_string(file) + extension));
        }
    }
    std::ofstream(root / "complete");
}

void MakeJpeg(const fs::path& jpeg) {
    if (fs::exists(jpeg)) {
        return;
    }
    std::printf("generating a 6000x4000 JPEG at %s ...\n", jpeg.c_str());
    // Smooth colour with noise on top: close to a photograph's size and entropy.
    Shell(
        "convert -size 6000x4000 xc: -sparse-color bilinear "
        "'0,0 #d04020 5999,0 #e0c060 0,3999 #2050a0 5999,3999 #40a060' "
        "-attenuate 0.4 +noise Gaussian -quality 90 " +
        Quote("jpg:" + jpeg.string() + ".part") + " && mv " + Quote(jpeg.string() + ".part") + " " +
        Quote(jpeg.string()));
}

void PrintRow(const char* what, double ours, double theirs, const char* tool, double target) {
    std::printf("%-44s %9.1f ms   %-22s %9.1f ms   ratio %5.2f  (target <= %.1f)\n", what,
                ours * 1000, tool, theirs * 1000, ours / theirs, target);
}

// Where the conversion's time goes: the load alone, and the load with DevIL's plain ilSave
// (which converts RGB to BGR and flips the rows into two fresh copies of the image before
// writing) against the load with our save (the same pixels reordered in place, then written
// through a stream with a 1 MiB buffer).
void ConversionBreakdown(const std::string& jpeg, const fs::path& out, int runs, double djpeg) {
    const std::string bmp = (out / "breakdown.bmp").string();
    std::ifstream in(jpeg, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto load = [&] {
        DevilImage image;
        image.Load(content, ImageFormat::Jpeg);
    };
    const auto loadAndDevilSave = [&] {
        DevilImage image;
        image.Load(content, ImageFormat::Jpeg);
        ilSave(IL_BMP, bmp.c_str());
    };
    const auto loadAndOurSave = [&] {
        DevilImage image;
        image.Load(content, ImageFormat::Jpeg);
        image.SaveBitmap(bmp);
    };
    const std::vector<double> times = Compare(runs, {load, loadAndDevilSave, loadAndOurSave});
    std::printf(
        "  breakdown: DevIL JPEG load %.1f ms; save: plain ilSave %.1f ms, ours %.1f ms;"
        " plain DevIL load + ilSave against djpeg: ratio %.2f\n",
        times[0] * 1000, (times[1] - times[0]) * 1000, (times[2] - times[0]) * 1000,
        times[1] / djpeg);
}

void BenchWalk(LinuxCore& core, const fs::path& tree, int runs) {
    const WideString root = FromUtf8(tree.string());
    std::size_t found = 0;
    const auto ours = [&] {
        WallpaperList list;
        core.FindImages(root, list, true);
        found = list.size();
    };
    const auto find = [&] { Shell("find " + Quote(tree.string()) + " -type f > /dev/null"); };
    // For reference: the same walk with Boost.Filesystem 1.74's iterator, which stats every
    // entry (the reason FindImages reads the directory streams itself).
    const auto boostWalk = [&] {
        std::size_t files = 0;
        for (boost::filesystem::recursive_directory_iterator it(tree.string()), end; it != end;
             ++it) {
            boost::system::error_code error;
            files += boost::filesystem::is_directory(it->status(error)) ? 0 : 1;
        }
    };
    const std::vector<double> walk = Compare(runs, {ours, find, boostWalk});
    PrintRow("FindImages, 100,000 files in 1,000 folders", walk[0], walk[1], "find DIR -type f",
             1.2);
    std::printf(
        "  (%zu images found; a Boost.Filesystem recursive_directory_iterator walk of the "
        "same tree: %.1f ms, ratio %.2f)\n",
        found, walk[2] * 1000, walk[2] / walk[1]);
}

void BenchConversion(const fs::path& jpeg, const fs::path& out, int runs) {
    const std::string bitmap = (out / "wallpaper.bmp").string();
    const auto ours = [&] { RunConverter(jpeg.string(), bitmap); };
    const auto djpeg = [&] {
        Shell("djpeg -bmp -outfile " + Quote((out / "djpeg.bmp").string()) + " " +
              Quote(jpeg.string()));
    };
    const std::vector<double> conversion = Compare(runs, {ours, djpeg});
    PrintRow("SetWallpaper conversion, 6000x4000 JPEG", conversion[0], conversion[1], "djpeg -bmp",
             1.0);
    ConversionBreakdown(jpeg.string(), out, runs, conversion[1]);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("VORNK_IMAGE_CONVERTER", VORNK_IMAGE_CONVERTER, 0);
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "vornk-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const std::string only = argc > 3 ? argv[3] : "";
    fs::create_directories(work);
    const fs::path tree = work / "tree";
    const fs::path jpeg = work / "photo-6000x4000.jpg";
    const fs::path out = work / "out";
    fs::create_directories(out);
    MakeTree(tree);
    MakeJpeg(jpeg);

    std::printf("platform_bench: medians of %d runs\n", runs);
    LinuxCore core{SessionEnvironment()};
    if (only.empty() || only == "walk") {
        BenchWalk(core, tree, runs);
    }
    if (only.empty() || only == "convert") {
        BenchConversion(jpeg, out, runs);
    }
    fs::remove_all(out);
    return 0;
}
