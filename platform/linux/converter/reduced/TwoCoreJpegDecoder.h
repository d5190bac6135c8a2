#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/converter/jpeg/BaselineScan.h"
#include "platform/linux/converter/reduced/EntropyBits.h"
#include "platform/linux/converter/reduced/HuffmanTable.h"

// A single-scan JPEG decoded at a reduced size on two cores. Reading the Huffman codes is most of
// a reduced decoding, and without restart markers nothing tells where an MCU begins in the second
// half of the data. So a second thread starts decoding there at a guess: its first MCUs are
// garbage, but Huffman codes fall back into step (in photos, within a few MCUs), and from the
// first MCU that begins at the very bit where the first thread's next MCU begins, both decode
// alike, but for DC values that differ by a constant per component. The first thread stops there;
// the second thread's MCUs are placed after it and their DC values corrected. Where they never
// meet, the first thread decodes all, as one would. A first thread that meets the second with
// much left (the second's core was busy elsewhere) takes over the second half's last half the same
// way, and the second stops where it meets that.
//
// Each output pixel is the average of the full-size pixels it covers, computed from the DCT
// coefficients (what the full decoding scaled down would show).
class TwoCoreJpegDecoder {
public:
    using Vector = float __attribute__((vector_size(16)));

    // Less data is decoded by one thread: a second would cost more to start than it saves.
    static constexpr std::size_t kShortestSplit = 64 * 1024;
    // The share of the data the second thread decodes: a little more than half, as the first
    // thread also makes its MCUs' pixels as it goes, where the second leaves them for both threads
    // after.
    static constexpr double kSecondHalfShare = 0.53;

    // Nothing when the scan's sampling does not fit `eighths` (every component's block must give
    // a whole number of pixels, at most eight, at the picture's reduced size), its tables are
    // damaged or the picture would not fit in the converter's memory. `shortestSplit` is the
    // least data given to two threads, `secondHalfShare` where the second begins.
    static std::optional<TwoCoreJpegDecoder> For(std::string_view content, const BaselineScan& scan,
                                                 unsigned int eighths,
                                                 std::size_t shortestSplit = kShortestSplit,
                                                 double secondHalfShare = kSecondHalfShare);

    // The picture at `eighths` of each side (sized as libjpeg sizes it), as stored, in the file's
    // colours. Nothing on any damage in the data: libjpeg decides about such files.
    // Throws std::bad_alloc.
    std::optional<RgbImage> Decode();

    // Whether the second thread's half was used in the last Decode(); a too short scan or
    // halves that never fell into step leave all of it to the first.
    bool HalvesMet() const { return halvesMet; }
    // Whether the first thread, done early, took over the second half's last half, and the second
    // thread met it there.
    bool TookTail() const { return tookTail; }

private:
    struct Component {
        HuffmanTable dc;
        HuffmanTable ac;
        int blocksAcross = 1;
        int blocksDown = 1;
        int samplesAcross = 1;  // output samples of one block
        int samplesDown = 1;
        int plane = 0;                // 0 luma or grey, 1 Cb, 2 Cr
        std::vector<Vector> weights;  // per coefficient, per four output samples
        std::size_t vectorsPerCoefficient = 1;
        float dcWeight = 0;                     // the same for every sample: a flat block
        std::array<std::uint8_t, 64> summed{};  // 1 for coefficients that weigh in some sample
    };
    // Where decoding stands between MCUs.
    struct Position {
        std::uint64_t bit = 0;
        std::array<int, 3> dc{};  // per component in scan order
    };
    struct BlockCoefficients {
        std::array<int, 64> places;  // in the zigzag order
        std::array<float, 64> values;
        std::size_t count = 0;
    };
    struct SecondHalf;
    // The first thread's decoding, straight into the picture.
    struct FirstHalf {
        Position at;
        std::size_t mcu = 0;
        std::vector<float> samples;  // of the MCU at hand
        RgbImage image;
    };

    TwoCoreJpegDecoder(std::string_view content, std::vector<Component> components,
                       PictureSize output, std::size_t shortestSplit, double secondHalfShare);

    bool DecodeMcu(const EntropyBits& bits, Position& at, float* samples) const;
    bool DecodeBlock(EntropyBits::Reader& bits, const Component& component, int& dc,
                     float* samples) const;
    static bool ReadBlock(EntropyBits::Reader& reader, const Component& component, int& dc,
                          BlockCoefficients& block);
    template <std::size_t Cells>
    void SumBlock(const Component& component, int dc, const BlockCoefficients& block,
                  float* samples) const;
    void DecodeSecondHalf(SecondHalf& half) const;
    void PublishMcu(const EntropyBits& bits, std::size_t mcu, Position& at, SecondHalf& part) const;
    static bool MetSecondHalf(const SecondHalf& half, std::uint64_t there, std::size_t& seen);
    static bool MetTail(const SecondHalf& tail, std::uint64_t there, std::size_t& seen);
    void DecodeTail(SecondHalf& half, std::optional<SecondHalf>& tail) const;
    bool DecodeUntilMeeting(const EntropyBits& bits, SecondHalf& half,
                            std::uint64_t secondHalfStart, FirstHalf& first,
                            std::optional<std::size_t>& met) const;
    bool DecodeBothHalves(EntropyBits& bits, std::size_t split, FirstHalf& first);
    bool PlaceSecondHalf(const SecondHalf& half, std::size_t met, const SecondHalf* tail,
                         FirstHalf& first) const;
    void PutMcu(const float* samples, std::size_t mcu, const std::array<float, 3>& dcShift,
                RgbImage& image) const;

    std::string_view content;
    std::vector<Component> components;
    PictureSize output;  // at the reduced size
    std::size_t shortestSplit;
    double secondHalfShare;
    int mcuWidth = 0;  // output pixels
    int mcuHeight = 0;
    std::size_t mcusAcross = 0;
    std::size_t mcuCount = 0;
    bool halvesMet = false;
    bool tookTail = false;
};
