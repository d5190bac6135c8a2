#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/converter/jpeg/JpegDecompression.h"
#include "platform/linux/converter/reduced/ReducedJpeg.h"
#include "platform/linux/converter/reduced/TwoCoreJpegDecoder.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using platform_test::LargestDifference;

// A grainy photo of about 200 KB at 800x600: enough data for both halves.
std::string GrainyPhoto(const platform_test::TemporaryFolder& folder, const std::string& options,
                        const std::string& size = "800x600") {
    const std::string path = folder / "photo.jpg";
    platform_test::Shell("convert -seed 7 -size " + size +
                         " plasma:red-blue -attenuate 0.6 +noise Gaussian -quality 92 " + options +
                         " " + platform_test::Quote(path));
    return platform_test::ReadFile(path);
}

std::optional<BaselineScan> ScanOf(const std::string& file) {
    JpegDecompression jpeg(file);
    return jpeg.ReadHeader() ? jpeg.SingleBaselineScan() : std::nullopt;
}

std::optional<RgbImage> DecodeOnTwoCores(const std::string& file, unsigned int eighths,
                                         bool* halvesMet = nullptr) {
    const std::optional<BaselineScan> scan = ScanOf(file);
    std::optional<TwoCoreJpegDecoder> decoder =
        scan ? TwoCoreJpegDecoder::For(file, *scan, eighths) : std::nullopt;
    std::optional<RgbImage> picture = decoder ? decoder->Decode() : std::nullopt;
    if (halvesMet != nullptr) {
        *halvesMet = decoder && decoder->HalvesMet();
    }
    return picture;
}

std::optional<RgbImage> FullDecodingScaled(const std::string& file, int width, int height) {
    JpegDecompression jpeg(file);
    std::optional<RgbImage> full = jpeg.ReadHeader() ? jpeg.Decode(8) : std::nullopt;
    return full ? std::optional(ScaleToFill(*full, width, height)) : std::nullopt;
}

std::optional<RgbImage> LibjpegReduced(const std::string& file, unsigned int eighths) {
    JpegDecompression jpeg(file);
    return jpeg.ReadHeader() ? jpeg.Decode(eighths) : std::nullopt;
}

// Where an output pixel covers little more than one chroma sample, the full decoding's chroma,
// upsampled smoothly before it is averaged, parts from ours, averaged in the DCT, by up to this
// much on grain this fine: a bound for gross faults (placement, colours).
constexpr int kUpsamplingLoss = 24;
// libjpeg's own reduced decoding needs no upsampling either, but for 4:2:2: it comes within
// rounding, so a DC value carried over wrongly where the halves meet shows.
constexpr int kRounding = 3;

// Each output pixel is the average of the pixels it covers, for every sampling and reduction,
// with the second half's DC values carried over from the first's where they meet.
TEST(TwoCoreJpegDecoderTest, GivesTheFullDecodingScaledForEverySampling) {
    platform_test::TemporaryFolder folder;
    for (const auto& [options, libjpegUpsamples] : {std::pair{"-sampling-factor 4:2:0", false},
                                                    {"-sampling-factor 4:2:2", true},
                                                    {"-sampling-factor 4:4:4", false},
                                                    {"-colorspace Gray", false}}) {
        const std::string file = GrainyPhoto(folder, options);
        for (unsigned int eighths : {1U, 2U, 4U}) {
            bool halvesMet = false;
            const std::optional<RgbImage> reduced = DecodeOnTwoCores(file, eighths, &halvesMet);
            ASSERT_TRUE(reduced) << options << " " << eighths;
            EXPECT_TRUE(halvesMet) << options << " " << eighths;
            EXPECT_EQ(reduced->width, int(800 * eighths / 8));
            const std::optional<RgbImage> full =
                FullDecodingScaled(file, reduced->width, reduced->height);
            ASSERT_TRUE(full);
            EXPECT_LE(LargestDifference(*reduced, *full), kUpsamplingLoss)
                << options << " " << eighths;
            const std::optional<RgbImage> libjpeg = LibjpegReduced(file, eighths);
            if (!libjpegUpsamples) {
                ASSERT_TRUE(libjpeg);
                EXPECT_LE(LargestDifference(*reduced, *libjpeg), kRounding)
                    << options << " " << eighths;
            }
        }
    }
}

// The second thread given 90% of the data: the first often meets it with most of it still to
// decode, takes over its last half, and the second stops where it meets that. Three runs of MCUs,
// the last two with their DC values carried over. Whether the second had much left is up to the
// scheduler, so the decoding is tried until the tail was taken once.
TEST(TwoCoreJpegDecoderTest, FirstThreadTakesOverTheTailOfALateSecondHalf) {
    platform_test::TemporaryFolder folder;
    const std::string file = GrainyPhoto(folder, "-sampling-factor 4:2:0");
    const std::optional<BaselineScan> scan = ScanOf(file);
    ASSERT_TRUE(scan);
    std::optional<TwoCoreJpegDecoder> decoder =
        TwoCoreJpegDecoder::For(file, *scan, 2, TwoCoreJpegDecoder::kShortestSplit, 0.9);
    const std::optional<RgbImage> libjpeg = LibjpegReduced(file, 2);
    ASSERT_TRUE(decoder && libjpeg);
    bool tookTail = false;
    for (int attempt = 0; attempt < 50 && !tookTail; ++attempt) {
        const std::optional<RgbImage> reduced = decoder->Decode();
        ASSERT_TRUE(reduced);
        EXPECT_TRUE(decoder->HalvesMet());
        EXPECT_LE(LargestDifference(*reduced, *libjpeg), kRounding);
        tookTail = decoder->TookTail();
    }
    EXPECT_TRUE(tookTail);
}

// At 810x610 the last MCU of each row, and the last row of MCUs, stick out of the picture: only
// the pixels within it are placed, as libjpeg places them.
TEST(TwoCoreJpegDecoderTest, PlacesMcusThatStickOutOfThePicture) {
    platform_test::TemporaryFolder folder;
    const std::string file = GrainyPhoto(folder, "-sampling-factor 4:2:0", "810x610");
    for (unsigned int eighths : {1U, 2U, 4U}) {
        bool halvesMet = false;
        const std::optional<RgbImage> reduced = DecodeOnTwoCores(file, eighths, &halvesMet);
        const std::optional<RgbImage> libjpeg = LibjpegReduced(file, eighths);
        ASSERT_TRUE(reduced && libjpeg) << eighths;
        EXPECT_TRUE(halvesMet) << eighths;
        ASSERT_EQ(reduced->width, libjpeg->width);
        ASSERT_EQ(reduced->height, libjpeg->height);
        EXPECT_LE(LargestDifference(*reduced, *libjpeg), kRounding) << eighths;
    }
}

// An all-ones run is no Huffman code. Wherever it lies, our decoding gives up and leaves the
// file to libjpeg, which fills in what it can.
TEST(TwoCoreJpegDecoderTest, LeavesDamagedDataToLibjpeg) {
    platform_test::TemporaryFolder folder;
    const std::string photo = GrainyPhoto(folder, "-sampling-factor 4:2:0");
    for (const double where : {0.2, 0.8}) {
        std::string damaged = photo;
        const std::size_t at = static_cast<std::size_t>(damaged.size() * where);
        for (std::size_t i = at; i < at + 64; i += 2) {
            damaged.replace(i, 2, "\xFF\x00", 2);
        }
        EXPECT_FALSE(DecodeOnTwoCores(damaged, 2)) << where;
        EXPECT_TRUE(DecodeReducedJpeg(damaged, {{200, 150}, {}})) << where;
    }
}

// The table numbers of a header are the file's bytes, which libjpeg checks only as it starts
// decoding: one past its four tables names none.
TEST(TwoCoreJpegDecoderTest, RefusesTableNumbersPastLibjpegsTables) {
    platform_test::TemporaryFolder folder;
    const std::string photo = GrainyPhoto(folder, "-sampling-factor 4:2:0");
    const std::size_t frame = photo.find("\xFF\xC0");
    const std::size_t scan = photo.find("\xFF\xDA");
    ASSERT_NE(frame, std::string::npos);
    ASSERT_NE(scan, std::string::npos);
    std::string quantisation = photo;
    quantisation[frame + 12] = '\xC8';  // the first component's quantisation table
    std::string huffman = photo;
    huffman[scan + 6] = '\x9F';  // the first component's DC and AC tables
    for (const std::string& file : {quantisation, huffman}) {
        JpegDecompression jpeg(file);
        ASSERT_TRUE(jpeg.ReadHeader());
        EXPECT_FALSE(jpeg.SingleBaselineScan());
    }
}

TEST(TwoCoreJpegDecoderTest, TakesNoSamplingItCannotReduceWithoutUpsampling) {
    platform_test::TemporaryFolder folder;
    const std::string file = GrainyPhoto(folder, "-sampling-factor 4:2:0");
    const std::optional<BaselineScan> scan = ScanOf(file);
    ASSERT_TRUE(scan);
    EXPECT_FALSE(TwoCoreJpegDecoder::For(file, *scan, 5));
    EXPECT_TRUE(TwoCoreJpegDecoder::For(file, *scan, 4));
}

}  // namespace
