#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/converter/jpeg/BaselineScan.h"

// One decoding of a JPEG file's bytes by libjpeg into 8-bit RGB. libjpeg's fatal errors end the
// step that met them with a failure, never the process; its warnings are kept quiet.
class JpegDecompression final {
public:
    // The bytes must outlive the decompression.
    explicit JpegDecompression(std::string_view content);
    ~JpegDecompression();
    JpegDecompression(const JpegDecompression&) = delete;
    JpegDecompression& operator=(const JpegDecompression&) = delete;

    // False when the bytes hold no JPEG header libjpeg takes.
    bool ReadHeader();
    // After the header: whether the file is YCbCr, RGB or grey, the layouts libjpeg turns into
    // RGB itself (not CMYK or YCCK).
    bool IsPlainColour() const;
    // After the header: whether all scans must be held before the first row comes out.
    bool IsProgressive() const;
    // After the header: the full picture's size.
    PictureSize Size() const;
    // A picture's size at `eighths` eighths of each side, rounded up as libjpeg rounds it.
    static PictureSize ReducedSize(PictureSize full, unsigned int eighths);
    // After the header: the tables of a YCbCr or grey file with one sequential Huffman-coded scan
    // and no restart markers; nothing for any other kind.
    std::optional<BaselineScan> SingleBaselineScan() const;
    // The picture at `eighths` eighths of each side (8: full size), or nothing when libjpeg
    // fails. Damaged data that libjpeg can fill in is filled in, as every libjpeg-based reader
    // does. With `rows`, only the top rows are decoded, the others left black, and the rest of
    // the file is not read. Throws std::bad_alloc when the picture does not fit in memory.
    std::optional<RgbImage> Decode(unsigned int eighths, std::optional<int> rows = std::nullopt);

    // Takes rows of the full-size picture as they come, top to bottom: the rows (8-bit RGB, no
    // padding), the first one's number, how many.
    using BandTaker = std::function<void(const std::uint8_t* rows, int first, int count)>;
    // The full-size picture band by band, never whole. False when libjpeg fails.
    bool DecodeBands(const BandTaker& take);

private:
    struct State;

    bool Start(unsigned int eighths);
    bool ReadRows(std::uint8_t* pixels, const BandTaker& take, unsigned int last);

    std::unique_ptr<State> state;
};
