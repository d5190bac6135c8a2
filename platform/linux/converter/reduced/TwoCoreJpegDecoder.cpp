#include "platform/linux/converter/reduced/TwoCoreJpegDecoder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numbers>
#include <thread>

#include "platform/linux/converter/formats/DecodeBudget.h"
#include "platform/linux/converter/jpeg/JpegDecompression.h"

namespace {

// How far past the second half's start the first thread unstuffs data to meet it, and the most
// bits one MCU may take (ten blocks of 64 codes of 16 bits and their 16 value bits).
constexpr std::size_t kMeetingWindow = 256 * 1024;
constexpr std::uint64_t kLongestMcuBits = 10 * 64 * 32;

// The first thread takes over the second half's last half when it meets the second with more than
// this share of the MCUs still to decode: one core may have been taken by something else.
constexpr std::size_t kTailShare = 16;
// Room for the MCUs the tail decodes before it falls into step.
constexpr std::size_t kTailSlack = 256;

// Bytes an output pixel holds at most: the picture's three, and the second thread's samples, room
// for which is reserved for every MCU.
constexpr unsigned kSamples = 3 * sizeof(float);
constexpr unsigned kPictureAndSamples = 3 + kSamples;

// A code that matches nothing is skipped by this many bits, so that decoding always moves on.
constexpr int kSkipOnBadCode = 16;

constexpr std::array<std::uint8_t, 64> kNaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The mean, over output sample `out` of `count` across a block, of the inverse DCT's basis
// function `frequency`: each of the block's eight pixels weighs by how much of the sample it
// covers.
double MeanOfBasis(int frequency, int out, int count) {
    const double from = out * 8.0 / count;
    const double to = (out + 1) * 8.0 / count;
    const double scale = frequency == 0 ? std::numbers::sqrt2 / 4 : 0.5;
    double sum = 0;
    for (int x = 0; x < 8; ++x) {
        const double covered = std::max(0.0, std::min(to, x + 1.0) - std::max(from, double(x)));
        sum += covered * std::cos((2 * x + 1) * frequency * std::numbers::pi / 16);
    }
    // Sums that cancel out (even frequencies over half a block) are no weight at all.
    return std::abs(sum) < 1e-9 ? 0.0 : scale * sum * count / 8.0;
}

// In the order the coefficients come (zigzag), dequantised, each coefficient's padded to whole
// vectors.
std::vector<TwoCoreJpegDecoder::Vector> SampleWeights(
    const std::array<std::uint16_t, 64>& quantisation, int across, int down) {
    const std::size_t vectors = static_cast<std::size_t>(across * down + 3) / 4;
    std::vector<TwoCoreJpegDecoder::Vector> weights(64 * vectors);
    for (std::size_t k = 0; k < 64; ++k) {
        const int v = kNaturalOrder[k] / 8;
        const int u = kNaturalOrder[k] % 8;
        for (int y = 0; y < down; ++y) {
            for (int x = 0; x < across; ++x) {
                const std::size_t cell = static_cast<std::size_t>(y * across + x);
                weights[k * vectors + cell / 4][cell % 4] =
                    static_cast<float>(quantisation[kNaturalOrder[k]] * MeanOfBasis(v, y, down) *
                                       MeanOfBasis(u, x, across));
            }
        }
    }
    return weights;
}

// Per coefficient in the zigzag order, 1 where it weighs in any of a block's samples: at half the
// block's pixels, even frequencies cancel out.
std::array<std::uint8_t, 64> SummedCoefficients(const TwoCoreJpegDecoder::Vector* weights,
                                                std::size_t vectors) {
    std::array<std::uint8_t, 64> summed{};
    for (std::size_t k = 0; k < 64; ++k) {
        for (std::size_t v = 0; v < vectors; ++v) {
            for (int i = 0; i < 4; ++i) {
                summed[k] |= weights[k * vectors + v][i] != 0.0f ? 1 : 0;
            }
        }
    }
    return summed;
}

// The signed value of `size` bits: negative when the first of them is clear. Without a branch,
// which would go wrong for half the coefficients.
int Extend(std::uint64_t value, int size) {
    const int number = static_cast<int>(value);
    return number + (((number - (1 << (size - 1))) >> 31) & (1 - (1 << size)));
}

std::uint8_t Clamped(float value) {
    return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

float Level(float sample) {
    return std::clamp(sample + 128.0f, 0.0f, 255.0f);
}

using Vector = TwoCoreJpegDecoder::Vector;
using Lanes = std::int32_t __attribute__((vector_size(16)));

Vector Load(const float* samples) {
    Vector vector;
    std::memcpy(&vector, samples, sizeof vector);
    return vector;
}

Vector Between(Vector value, float low, float high) {
    value = value < low ? Vector{} + low : value;
    return value > high ? Vector{} + high : value;
}

Vector Level(Vector samples) {
    return Between(samples + 128.0f, 0.0f, 255.0f);
}

Lanes Clamped(Vector values) {
    return __builtin_convertvector(Between(values + 0.5f, 0.0f, 255.0f), Lanes);
}

// Four pixels from four samples of each plane, each step as one pixel's in PutMcu.
void PutFourPixels(Vector luma, Vector blueDifference, Vector redDifference,
                   const std::array<float, 3>& dcShift, std::uint8_t* out) {
    const Vector brightness = Level(luma + dcShift[0]);
    const Vector blue = Level(blueDifference + dcShift[1]) - 128.0f;
    const Vector red = Level(redDifference + dcShift[2]) - 128.0f;
    const Lanes pixels = Clamped(brightness + 1.402f * red) |
                         Clamped(brightness - 0.344136f * blue - 0.714136f * red) << 8 |
                         Clamped(brightness + 1.772f * blue) << 16;
    // Each pixel's fourth byte is overwritten by the next; the last pixel's is not written.
    for (int i = 0; i < 3; ++i) {
        const std::int32_t pixel = pixels[i];
        std::memcpy(out + 3 * i, &pixel, sizeof pixel);
    }
    const std::int32_t last = pixels[3];
    std::memcpy(out + 9, &last, 3);
}

}  // namespace

// What the second thread decodes from its own unstuffed data, and publishes MCU by MCU for the
// first to meet; its bit offsets count from its own start. The tail the first thread may take
// over later is one too, decoded in the second half's data.
struct TwoCoreJpegDecoder::SecondHalf {
    SecondHalf(std::string_view content, std::size_t from, std::size_t capacity,
               std::size_t mcuSamples)
        : content(content),
          from(from),
          capacity(capacity),
          mcuSamples(mcuSamples),
          starts(new std::uint64_t[capacity]),
          dcAtStart(new std::array<int, 3>[capacity]),
          samples(new float[capacity * mcuSamples]),
          wanted(capacity) {}

    const std::string_view content;
    const std::size_t from;
    const std::size_t capacity;
    const std::size_t mcuSamples;
    // Not initialised: only the pages of MCUs decoded are ever touched.
    std::unique_ptr<std::uint64_t[]> starts;
    std::unique_ptr<std::array<int, 3>[]> dcAtStart;
    std::unique_ptr<float[]> samples;
    // Each on a cache line of its own: the second thread writes one after every MCU, and the
    // first would otherwise fetch the line back each time it reads what lies beside it.
    alignas(64) std::atomic<std::size_t> published{0};
    alignas(64) std::atomic<std::size_t> wanted;
    std::atomic<bool> done{false};
    // The last MCU whose data was damaged, written by its decoding thread alone.
    std::size_t lastDamaged = std::numeric_limits<std::size_t>::max();

    // The second thread's data, whole before it publishes its first MCU.
    std::optional<EntropyBits> data;
    // The tail the first thread took over, and where the second thread met it: its own MCU count
    // and position then, and the tail's MCU that began there.
    std::atomic<const SecondHalf*> tail{nullptr};
    std::uint64_t firstBit = 0;  // of a tail
    std::optional<std::size_t> metTail;
    std::size_t stoppedAt = 0;
    Position stop;
};

std::optional<TwoCoreJpegDecoder> TwoCoreJpegDecoder::For(std::string_view content,
                                                          const BaselineScan& scan,
                                                          unsigned int eighths,
                                                          std::size_t shortestSplit,
                                                          double secondHalfShare) {
    if (eighths < 1 || eighths > 8) {
        return std::nullopt;
    }
    const bool grey = scan.components.size() == 1;
    int widest = 1;
    int tallest = 1;
    for (const BaselineScan::Component& component : scan.components) {
        widest = std::max(widest, grey ? 1 : component.horizontalSampling);
        tallest = std::max(tallest, grey ? 1 : component.verticalSampling);
    }
    std::vector<Component> components;
    for (const BaselineScan::Component& stored : scan.components) {
        std::optional<HuffmanTable> dc = HuffmanTable::FromCodes(stored.dc);
        std::optional<HuffmanTable> ac = HuffmanTable::FromCodes(stored.ac);
        const int across = grey ? 1 : stored.horizontalSampling;
        const int down = grey ? 1 : stored.verticalSampling;
        const int samplesAcross = static_cast<int>(eighths) * widest / across;
        const int samplesDown = static_cast<int>(eighths) * tallest / down;
        if (!dc || !ac || samplesAcross * across != static_cast<int>(eighths) * widest ||
            samplesDown * down != static_cast<int>(eighths) * tallest || samplesAcross > 8 ||
            samplesDown > 8 || stored.frameIndex < 0 || stored.frameIndex > 2) {
            return std::nullopt;
        }
        components.push_back({std::move(*dc), std::move(*ac), across, down, samplesAcross,
                              samplesDown, stored.frameIndex,
                              SampleWeights(stored.quantisation, samplesAcross, samplesDown),
                              static_cast<std::size_t>(samplesAcross * samplesDown + 3) / 4,
                              stored.quantisation[0] / 8.0f});
        components.back().summed = SummedCoefficients(components.back().weights.data(),
                                                      components.back().vectorsPerCoefficient);
    }
    const PictureSize output = JpegDecompression::ReducedSize({scan.width, scan.height}, eighths);
    if (!FitsDecodeBudget(static_cast<std::uint32_t>(output.width),
                          static_cast<std::uint32_t>(output.height), kPictureAndSamples,
                          kSamples)) {
        return std::nullopt;
    }
    TwoCoreJpegDecoder decoder(content.substr(scan.entropyOffset), std::move(components), output,
                               shortestSplit, secondHalfShare);
    decoder.mcuWidth = static_cast<int>(eighths) * widest;
    decoder.mcuHeight = static_cast<int>(eighths) * tallest;
    decoder.mcusAcross = static_cast<std::size_t>((scan.width + 8 * widest - 1) / (8 * widest));
    decoder.mcuCount = decoder.mcusAcross *
                       static_cast<std::size_t>((scan.height + 8 * tallest - 1) / (8 * tallest));
    return decoder;
}

TwoCoreJpegDecoder::TwoCoreJpegDecoder(std::string_view content, std::vector<Component> components,
                                       PictureSize output, std::size_t shortestSplit,
                                       double secondHalfShare)
    : content(content),
      components(std::move(components)),
      output(output),
      shortestSplit(shortestSplit),
      secondHalfShare(secondHalfShare) {}

// One block's codes: its DC value, and the AC coefficients that are not zero and weigh in the
// samples, with their places in the zigzag order. False when a code matches nothing or runs past
// the block.
bool TwoCoreJpegDecoder::ReadBlock(EntropyBits::Reader& reader, const Component& component, int& dc,
                                   BlockCoefficients& block) {
    const HuffmanTable& dcTable = component.dc;
    const HuffmanTable& acTable = component.ac;
    // A copy of its own, which the compiler keeps in registers: stores through pointers could
    // otherwise reach the caller's.
    EntropyBits::Reader bits = reader;
    const auto finish = [&](bool whole) {
        reader = bits;
        return whole;
    };
    bits.Refill();
    const HuffmanTable::Code dcCode = dcTable.Match(static_cast<std::uint32_t>(bits.Next() >> 48));
    if (dcCode.length == 0 || dcCode.symbol > 15) {
        bits.Take(kSkipOnBadCode);
        return finish(false);
    }
    bits.Take(dcCode.length);
    if (dcCode.symbol != 0) {
        dc += Extend(bits.Next() >> (64 - dcCode.symbol), dcCode.symbol);
        bits.Take(dcCode.symbol);
    }
    std::size_t count = 0;
    int k = 1;
    bool damaged = false;
    // One coefficient; false at the end of the block. It takes at most 26 bits, a 16-bit code and
    // ten value bits: sizes above ten, which eight-bit samples never have, count as damage.
    const auto readCoefficient = [&] {
        int zeros = 0;
        int taken = 0;
        int value = 0;
        if (const std::int32_t quick = acTable.QuickCoefficient(bits.Next()); quick != 0) {
            zeros = (quick >> 8) & 15;
            taken = quick & 255;
            value = quick >> 16;
        } else {
            const HuffmanTable::Code code =
                acTable.Match(static_cast<std::uint32_t>(bits.Next() >> 48));
            const int size = code.symbol & 15;
            zeros = code.symbol >> 4;
            if (code.length == 0 || size > 10) {
                bits.Take(kSkipOnBadCode);
                damaged = true;
                return false;
            }
            if (size == 0) {
                bits.Take(code.length);
                k += 16;
                return zeros == 15 && k < 64;
            }
            value = Extend((bits.Next() << code.length) >> (64 - size), size);
            taken = code.length + size;
        }
        k += zeros;
        bits.Take(taken);
        if (k > 63) {
            damaged = true;
            return false;
        }
        block.places[count] = k;
        block.values[count] = static_cast<float>(value);
        count += component.summed[static_cast<std::size_t>(k)];
        return ++k < 64;
    };
    // Two coefficients to a refill, which leaves at least 56 bits: refilling was a good part of
    // the work per coefficient.
    do {
        bits.Refill();
    } while (readCoefficient() && readCoefficient());
    block.count = count;
    return finish(!damaged);
}

// The block's output samples as sums of its coefficients' weights, in vectors of four samples,
// each coefficient's weights padded to whole vectors: with `Cells` known when compiled, the
// sums stay in registers, and the compiler does not vectorise across coefficients instead,
// gathering their weights.
template <std::size_t Cells>
void TwoCoreJpegDecoder::SumBlock(const Component& component, int dc,
                                  const BlockCoefficients& block, float* samples) const {
    constexpr std::size_t kVectors = Cells != 0 ? (Cells + 3) / 4 : 16;
    const std::size_t vectors = Cells != 0 ? kVectors : component.vectorsPerCoefficient;
    const Vector dcSum = Vector{} + static_cast<float>(dc) * component.dcWeight;
    std::array<Vector, kVectors> sums;
    for (std::size_t v = 0; v < vectors; ++v) {
        sums[v] = dcSum;
    }
    for (std::size_t i = 0; i < block.count; ++i) {
        const Vector* weights =
            component.weights.data() + static_cast<std::size_t>(block.places[i]) * vectors;
        const Vector value = Vector{} + block.values[i];
        for (std::size_t v = 0; v < vectors; ++v) {
            sums[v] += value * weights[v];
        }
    }
    std::array<float, kVectors * 4> flat;
    std::memcpy(flat.data(), sums.data(), vectors * sizeof(Vector));
    for (int y = 0; y < component.samplesDown; ++y) {
        std::copy_n(flat.begin() + y * component.samplesAcross, component.samplesAcross,
                    samples + y * mcuWidth);
    }
}

// Blocks of the sizes that reductions to a half, a quarter and an eighth give are summed by code
// compiled for their size; others take the general way.
bool TwoCoreJpegDecoder::DecodeBlock(EntropyBits::Reader& bits, const Component& component, int& dc,
                                     float* samples) const {
    BlockCoefficients block;
    if (!ReadBlock(bits, component, dc, block)) {
        return false;
    }
    switch (component.samplesAcross * component.samplesDown) {
        case 1:
            SumBlock<1>(component, dc, block, samples);
            break;
        case 2:
            SumBlock<2>(component, dc, block, samples);
            break;
        case 4:
            SumBlock<4>(component, dc, block, samples);
            break;
        case 8:
            SumBlock<8>(component, dc, block, samples);
            break;
        case 16:
            SumBlock<16>(component, dc, block, samples);
            break;
        case 32:
            SumBlock<32>(component, dc, block, samples);
            break;
        default:
            SumBlock<0>(component, dc, block, samples);
    }
    return true;
}

// Data that ends before the MCU does reads as zeros; one that begins past its end is not read.
bool TwoCoreJpegDecoder::DecodeMcu(const EntropyBits& data, Position& at, float* samples) const {
    if (at.bit >= data.EndBit()) {
        return false;
    }
    bool whole = true;
    EntropyBits::Reader bits(data, at.bit);
    const std::size_t plane = static_cast<std::size_t>(mcuWidth * mcuHeight);
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Component& component = components[i];
        float* first = samples + static_cast<std::size_t>(component.plane) * plane;
        for (int y = 0; y < component.blocksDown; ++y) {
            for (int x = 0; x < component.blocksAcross; ++x) {
                float* block =
                    first + y * component.samplesDown * mcuWidth + x * component.samplesAcross;
                whole = DecodeBlock(bits, component, at.dc[i], block) && whole;
            }
        }
    }
    at.bit = bits.Bit();
    return whole;
}

// Nothing is published when its data does not fit in memory: the first thread then goes on alone.
void TwoCoreJpegDecoder::DecodeSecondHalf(SecondHalf& half) const {
    struct Finish {
        SecondHalf& half;
        ~Finish() { half.done.store(true, std::memory_order_release); }
    } const finish{half};
    try {
        half.data.emplace(half.content, half.from);
        half.data->UnstuffAll();
    } catch (const std::bad_alloc&) {
        return;
    }
    const EntropyBits& bits = *half.data;
    Position at;
    std::size_t seenOfTail = 0;
    for (std::size_t mcu = 0;
         mcu < half.capacity && mcu < half.wanted.load(std::memory_order_relaxed) &&
         at.bit < bits.EndBit();
         ++mcu) {
        const SecondHalf* tail = half.tail.load(std::memory_order_acquire);
        if (tail != nullptr && at.bit >= tail->firstBit && MetTail(*tail, at.bit, seenOfTail)) {
            half.metTail = seenOfTail;
            half.stoppedAt = mcu;
            half.stop = at;
            return;
        }
        PublishMcu(bits, mcu, at, half);
    }
}

// Decodes the MCU at `at` as the part's `mcu`th, and publishes it to the other thread.
void TwoCoreJpegDecoder::PublishMcu(const EntropyBits& bits, std::size_t mcu, Position& at,
                                    SecondHalf& part) const {
    part.starts[mcu] = at.bit;
    part.dcAtStart[mcu] = at.dc;
    if (!DecodeMcu(bits, at, part.samples.get() + mcu * part.mcuSamples)) {
        part.lastDamaged = mcu;
    }
    part.published.store(mcu + 1, std::memory_order_release);
}

void TwoCoreJpegDecoder::PutMcu(const float* samples, std::size_t mcu,
                                const std::array<float, 3>& dcShift, RgbImage& image) const {
    const int left = static_cast<int>(mcu % mcusAcross) * mcuWidth;
    const int top = static_cast<int>(mcu / mcusAcross) * mcuHeight;
    const int width = std::min(mcuWidth, image.width - left);
    const int height = std::min(mcuHeight, image.height - top);
    const std::size_t plane = static_cast<std::size_t>(mcuWidth * mcuHeight);
    const bool grey = components.size() == 1;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out =
            image.pixels.data() + (static_cast<std::size_t>(top + y) * image.width + left) * 3;
        const float* luma = samples + y * mcuWidth;
        int x = 0;
        for (; !grey && x + 4 <= width; x += 4, out += 12) {
            PutFourPixels(Load(luma + x), Load(luma + plane + x), Load(luma + 2 * plane + x),
                          dcShift, out);
        }
        for (; x < width; ++x, out += 3) {
            const float brightness = Level(luma[x] + dcShift[0]);
            if (grey) {
                out[0] = out[1] = out[2] = static_cast<std::uint8_t>(brightness);
                continue;
            }
            const float blue = Level(luma[plane + x] + dcShift[1]) - 128.0f;
            const float red = Level(luma[2 * plane + x] + dcShift[2]) - 128.0f;
            out[0] = Clamped(brightness + 1.402f * red);
            out[1] = Clamped(brightness - 0.344136f * blue - 0.714136f * red);
            out[2] = Clamped(brightness + 1.772f * blue);
        }
    }
}

// Whether the second half has an MCU that begins at `there`, in its own bits. Waits for the second
// half to get past there, if it is still decoding: begun late, it would otherwise never catch up.
bool TwoCoreJpegDecoder::MetSecondHalf(const SecondHalf& half, std::uint64_t there,
                                       std::size_t& seen) {
    while (true) {
        const bool done = half.done.load(std::memory_order_acquire);
        const std::size_t published = half.published.load(std::memory_order_acquire);
        while (seen < published && half.starts[seen] < there) {
            ++seen;
        }
        if (seen < published) {
            return half.starts[seen] == there;
        }
        if (done) {
            return false;
        }
        std::this_thread::yield();
    }
}

// Whether the tail has published an MCU that begins at `there`. No waiting: where the second thread
// overtakes the tail, it goes on to the end itself.
bool TwoCoreJpegDecoder::MetTail(const SecondHalf& tail, std::uint64_t there, std::size_t& seen) {
    const std::size_t published = tail.published.load(std::memory_order_acquire);
    while (seen < published && tail.starts[seen] < there) {
        ++seen;
    }
    return seen < published && tail.starts[seen] == there;
}

// Decodes the second half's last half into `tail`, when much of it is left, until the data ends
// or the second thread gets there first. Nothing when there is too little left or no memory.
void TwoCoreJpegDecoder::DecodeTail(SecondHalf& half, std::optional<SecondHalf>& tail) const {
    const std::size_t needed = half.wanted.load(std::memory_order_relaxed);
    const std::size_t published = half.published.load(std::memory_order_acquire);
    if (published == 0 || published + mcuCount / kTailShare >= needed) {
        return;
    }
    try {
        tail.emplace(half.content, half.from, needed - published + kTailSlack, half.mcuSamples);
    } catch (const std::bad_alloc&) {
        return;
    }
    const EntropyBits& bits = *half.data;
    const std::uint64_t from = half.starts[published - 1];
    tail->firstBit = from + (bits.EndBit() - from) / 2;
    half.tail.store(&*tail, std::memory_order_release);
    Position at{tail->firstBit, {}};
    for (std::size_t mcu = 0; mcu < tail->capacity && at.bit < bits.EndBit() &&
                              half.published.load(std::memory_order_relaxed) < needed;
         ++mcu) {
        PublishMcu(bits, mcu, at, *tail);
    }
}

// Decodes from where `first` stands until its next MCU begins where one of the second half's
// began (then `met` tells which), or as far as its data is unstuffed. False on damaged data.
bool TwoCoreJpegDecoder::DecodeUntilMeeting(const EntropyBits& bits, SecondHalf& half,
                                            std::uint64_t secondHalfStart, FirstHalf& first,
                                            std::optional<std::size_t>& met) const {
    std::size_t seen = 0;
    for (; first.mcu < mcuCount; ++first.mcu) {
        if (first.at.bit >= secondHalfStart &&
            MetSecondHalf(half, first.at.bit - secondHalfStart, seen)) {
            met = seen;
            return true;
        }
        if (!bits.Ended() && first.at.bit + kLongestMcuBits > bits.EndBit()) {
            return true;
        }
        if (!DecodeMcu(bits, first.at, first.samples.data())) {
            return false;
        }
        PutMcu(first.samples.data(), first.mcu, {}, first.image);
    }
    return true;
}

namespace {

bool DamagedFrom(const std::size_t lastDamaged, std::size_t mcu) {
    return lastDamaged != std::numeric_limits<std::size_t>::max() && lastDamaged >= mcu;
}

}  // namespace

// The second half's MCUs from `met` on, after the first half's, their DC values corrected by
// what the first half's stood at where they met; then the tail's, if the second half met it,
// corrected by what the second half's stood at there. False when they came short of the end or
// met damage on the way: the first half then goes on alone.
bool TwoCoreJpegDecoder::PlaceSecondHalf(const SecondHalf& half, std::size_t met,
                                         const SecondHalf* tail, FirstHalf& first) const {
    const std::size_t left = mcuCount - first.mcu;
    const bool withTail = tail != nullptr && half.metTail.has_value();
    const std::size_t fromSecond = withTail ? half.stoppedAt - met : left;
    const std::size_t tailMet = withTail ? *half.metTail : 0;
    if (half.published.load() < met + fromSecond || DamagedFrom(half.lastDamaged, met) ||
        (withTail && (tail->published.load() < tailMet + (left - fromSecond) ||
                      DamagedFrom(tail->lastDamaged, tailMet)))) {
        return false;
    }
    std::array<float, 3> secondShift{};
    std::array<float, 3> tailShift{};
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Component& component = components[i];
        const auto plane = static_cast<std::size_t>(component.plane);
        const int shift = first.at.dc[i] - half.dcAtStart[met][i];
        secondShift[plane] = static_cast<float>(shift) * component.dcWeight;
        if (withTail) {
            tailShift[plane] =
                static_cast<float>(half.stop.dc[i] + shift - tail->dcAtStart[tailMet][i]) *
                component.dcWeight;
        }
    }
    const auto put = [&](std::size_t from, std::size_t to) {
        for (std::size_t mcu = from; mcu < to; ++mcu) {
            const std::size_t index = mcu - first.mcu;
            if (index < fromSecond) {
                PutMcu(half.samples.get() + (met + index) * half.mcuSamples, mcu, secondShift,
                       first.image);
            } else {
                PutMcu(tail->samples.get() + (tailMet + index - fromSecond) * tail->mcuSamples, mcu,
                       tailShift, first.image);
            }
        }
    };
    // On both cores, as the decoding was.
    const std::size_t middle = first.mcu + left / 2;
    const std::jthread other(put, middle, mcuCount);
    put(first.mcu, middle);
    return true;
}

std::optional<RgbImage> TwoCoreJpegDecoder::Decode() {
    halvesMet = false;
    tookTail = false;
    EntropyBits bits(content, 0);
    const std::size_t mcuSamples =
        components.size() * static_cast<std::size_t>(mcuWidth * mcuHeight);
    FirstHalf first{{}, 0, std::vector<float>(mcuSamples), {output.width, output.height, {}}};
    if (content.size() >= shortestSplit) {
        const std::size_t split = bits.SplitNear(
            static_cast<std::size_t>(static_cast<double>(content.size()) * (1 - secondHalfShare)));
        if (!DecodeBothHalves(bits, split, first)) {
            return std::nullopt;
        }
        if (halvesMet) {
            return std::move(first.image);
        }
    } else {
        AllocatePixels(first.image);
    }
    bits.UnstuffAll();
    for (; first.mcu < mcuCount; ++first.mcu) {
        if (!DecodeMcu(bits, first.at, first.samples.data())) {
            return std::nullopt;
        }
        PutMcu(first.samples.data(), first.mcu, {}, first.image);
    }
    return std::move(first.image);
}

// The second thread from `split` bytes into the data; the first until they meet, then on the second
// half's tail if much is left. False on damaged data in the first half; where they never met, the
// first half is left to go on alone.
bool TwoCoreJpegDecoder::DecodeBothHalves(EntropyBits& bits, std::size_t split, FirstHalf& first) {
    SecondHalf half(content, split, mcuCount, first.samples.size());
    std::optional<SecondHalf> tail;  // outlives the second thread, which reads it
    std::optional<std::size_t> met;
    bool whole = true;
    {
        const std::jthread second([&] { DecodeSecondHalf(half); });
        // The first thread's own preparations, while the second decodes.
        AllocatePixels(first.image);
        bits.UnstuffTo(split);
        const std::uint64_t secondHalfStart = bits.EndBit();
        if (bits.Ended()) {
            half.wanted = 0;
            return true;
        }
        bits.UnstuffTo(split + kMeetingWindow);
        whole = DecodeUntilMeeting(bits, half, secondHalfStart, first, met);
        half.wanted = met && whole ? *met + (mcuCount - first.mcu) : 0;
        if (met && whole) {
            DecodeTail(half, tail);
        }
    }
    halvesMet = whole && met && PlaceSecondHalf(half, *met, tail ? &*tail : nullptr, first);
    tookTail = halvesMet && tail && half.metTail;
    return whole;
}
