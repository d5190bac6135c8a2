#include "platform/linux/converter/RgbImage.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

// The whole huge pages inside the buffer, before any of it is touched. A hint only: where the
// kernel has no huge pages for us, the buffer fills in small ones as before.
void AskForHugePages(std::uint8_t* buffer, std::size_t size) {
    const auto start = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
    if (first < end) {
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
}

}  // namespace

void AllocatePixels(RgbImage& image) {
    const std::size_t size = std::size_t(image.width) * image.height * 3;
    image.pixels.clear();
    // Reserved first: growing within the capacity keeps the buffer where the advice was given.
    image.pixels.reserve(size);
    AskForHugePages(image.pixels.data(), size);
    image.pixels.resize(size);
}

namespace {

// The source pixels that make up one destination pixel along one axis, and their weights.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

// Destination pixel i covers the source interval [(i + offset) / scale, (i + 1 + offset) / scale).
// Shrinking: each source pixel weighs by how much of it that interval covers (an exact average).
// Enlarging: bilinear between the two nearest source pixels, the edge pixels repeated.
std::vector<Taps> AxisTaps(int sourceSize, int destinationSize, double scale, double offset) {
    std::vector<Taps> axis(static_cast<std::size_t>(destinationSize));
    for (int i = 0; i < destinationSize; ++i) {
        Taps& taps = axis[static_cast<std::size_t>(i)];
        if (scale < 1.0) {
            const double from = std::clamp((i + offset) / scale, 0.0, double(sourceSize));
            const double to = std::clamp((i + 1 + offset) / scale, from, double(sourceSize));
            taps.first = std::min(static_cast<int>(from), sourceSize - 1);
            double total = 0;
            for (int s = taps.first; s < sourceSize && s < to; ++s) {
                const double covered = std::min(to, s + 1.0) - std::max(from, double(s));
                taps.weights.push_back(static_cast<float>(std::max(covered, 0.0)));
                total += std::max(covered, 0.0);
            }
            if (total <= 0) {
                taps.weights.assign(1, 1.0f);
                total = 1;
            }
            for (float& weight : taps.weights) {
                weight = static_cast<float>(weight / total);
            }
        } else {
            const double centre =
                std::clamp((i + offset + 0.5) / scale - 0.5, 0.0, double(sourceSize - 1));
            taps.first = static_cast<int>(centre);
            const double fraction = centre - taps.first;
            taps.weights.push_back(static_cast<float>(1.0 - fraction));
            if (fraction > 0 && taps.first + 1 < sourceSize) {
                taps.weights.push_back(static_cast<float>(fraction));
            }
        }
    }
    return axis;
}

// Destination rows [first, last) of `result`, whose size is already set. Rows are filtered
// horizontally when first needed and kept in a small ring: consecutive destination rows use
// consecutive, overlapping source rows, so no full-height buffer.
void ScaleRows(const RgbImage& source, const std::vector<Taps>& columns,
               const std::vector<Taps>& rows, int first, int last, RgbImage& result) {
    const int width = result.width;
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::size_t ringSize = 1;
    for (int y = first; y < last; ++y) {
        ringSize = std::max(ringSize, rows[static_cast<std::size_t>(y)].weights.size() + 1);
    }
    std::vector<float> ring(ringSize * stride);
    std::vector<int> ringRow(ringSize, -1);
    const auto filteredRow = [&](int y) -> const float* {
        const std::size_t slot = static_cast<std::size_t>(y) % ringSize;
        float* out = ring.data() + slot * stride;
        if (ringRow[slot] != y) {
            for (int x = 0; x < width; ++x) {
                const Taps& taps = columns[static_cast<std::size_t>(x)];
                const std::uint8_t* in = source.Pixel(taps.first, y);
                float r = 0, g = 0, b = 0;
                for (const float weight : taps.weights) {
                    r += weight * in[0];
                    g += weight * in[1];
                    b += weight * in[2];
                    in += 3;
                }
                out[x * 3] = r;
                out[x * 3 + 1] = g;
                out[x * 3 + 2] = b;
            }
            ringRow[slot] = y;
        }
        return out;
    };

    std::vector<float> line(stride);
    for (int y = first; y < last; ++y) {
        const Taps& taps = rows[static_cast<std::size_t>(y)];
        std::fill(line.begin(), line.end(), 0.0f);
        for (std::size_t t = 0; t < taps.weights.size(); ++t) {
            const float* in = filteredRow(taps.first + static_cast<int>(t));
            const float weight = taps.weights[t];
            for (std::size_t i = 0; i < stride; ++i) {
                line[i] += weight * in[i];
            }
        }
        std::uint8_t* out = result.pixels.data() + static_cast<std::size_t>(y) * stride;
        // The weights are positive and sum to one: only rounding and the top needs care. Not
        // std::lround, a library call per value that would cost as much as the filtering.
        for (std::size_t i = 0; i < stride; ++i) {
            out[i] = static_cast<std::uint8_t>(std::min(line[i] + 0.5f, 255.0f));
        }
    }
}

// Bands of rows scaled side by side, one per core; a few at most, as each band filters again the
// source rows it shares with the band above.
int BandCount(int height) {
    constexpr unsigned kMostBands = 8;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1U, kMostBands);
    return std::min(static_cast<int>(cores), height);
}

}  // namespace

// Scaled on every core: a change waits for this before the screen shows anything.
RgbImage ScaleToFill(const RgbImage& source, int width, int height) {
    RgbImage result;
    if (source.width <= 0 || source.height <= 0 || width <= 0 || height <= 0) {
        return result;
    }
    const double scale = std::max(static_cast<double>(width) / source.width,
                                  static_cast<double>(height) / source.height);
    const double offsetX = (source.width * scale - width) / 2;
    const double offsetY = (source.height * scale - height) / 2;
    const std::vector<Taps> columns = AxisTaps(source.width, width, scale, offsetX);
    const std::vector<Taps> rows = AxisTaps(source.height, height, scale, offsetY);

    result.width = width;
    result.height = height;
    result.pixels.resize(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
    const int bands = BandCount(height);
    const auto bandStart = [&](int band) { return height * band / bands; };
    std::vector<std::thread> others;
    for (int band = 1; band < bands; ++band) {
        others.emplace_back([&, band] {
            ScaleRows(source, columns, rows, bandStart(band), bandStart(band + 1), result);
        });
    }
    ScaleRows(source, columns, rows, 0, bandStart(1), result);
    for (std::thread& other : others) {
        other.join();
    }
    return result;
}

namespace {

void Paste(const RgbImage& part, int left, int top, RgbImage& onto) {
    const int firstX = std::max(left, 0);
    const int lastX = std::min(left + part.width, onto.width);
    if (firstX >= lastX) {
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(lastX - firstX) * 3;
    for (int y = std::max(top, 0); y < std::min(top + part.height, onto.height); ++y) {
        std::copy_n(
            part.Pixel(firstX - left, y - top), rowBytes,
            onto.pixels.begin() + (static_cast<std::ptrdiff_t>(y) * onto.width + firstX) * 3);
    }
}

}  // namespace

namespace {

// One monitor showing the whole screen, the usual desktop: the fill is the screen's picture, with
// no black screen to paste it onto.
bool IsWholeScreen(const ScreenLayout& layout) {
    if (layout.monitors.size() != 1) {
        return false;
    }
    const PictureArea& monitor = layout.monitors.front();
    return monitor.x == 0 && monitor.y == 0 && monitor.width == layout.size.width &&
           monitor.height == layout.size.height;
}

}  // namespace

RgbImage FillMonitors(const RgbImage& source, const ScreenLayout& layout) {
    const PictureSize screen = layout.size;
    if (layout.monitors.empty() || IsWholeScreen(layout)) {
        return ScaleToFill(source, screen.width, screen.height);
    }
    RgbImage result{screen.width, screen.height,
                    std::vector<std::uint8_t>(std::size_t(screen.width) * screen.height * 3, 0)};
    for (const PictureArea& monitor : layout.monitors) {
        if (monitor.width > 0 && monitor.height > 0) {
            Paste(ScaleToFill(source, monitor.width, monitor.height), monitor.x, monitor.y, result);
        }
    }
    return result;
}
