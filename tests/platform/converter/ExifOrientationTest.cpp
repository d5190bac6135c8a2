#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/linux/converter/formats/ExifOrientation.h"

namespace {

// An EXIF block with one directory entry: TAG of TYPE holding VALUE, in either byte order.
std::string ExifBlock(bool littleEndian, std::uint16_t tag, std::uint16_t type,
                      std::uint16_t value) {
    std::string block = littleEndian ? std::string("II*\0", 4) : std::string("MM\0*", 4);
    const auto put = [&](std::uint32_t field, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (littleEndian ? i : size - 1 - i);
            block += static_cast<char>((field >> shift) & 0xFF);
        }
    };
    put(8, 4);  // the directory right after the header
    put(1, 2);  // one entry
    put(tag, 2);
    put(type, 2);
    put(1, 4);  // one value, held in the entry itself
    put(value, 2);
    put(0, 2);
    put(0, 4);  // no next directory
    return block;
}

// The orientation of a WebP file's EXIF chunk, which cwebp copies from a JPEG file with or
// without the JPEG segment's "Exif" prefix; a damaged block means upright, never a read past
// its end.
TEST(ExifOrientationTest, ReadsTheTagInEitherByteOrderAndTakesDamageAsUpright) {
    constexpr std::uint16_t kOrientation = 0x0112;
    constexpr std::uint16_t kShort = 3;
    constexpr std::uint16_t kLong = 4;
    const std::string bigEndianSix = ExifBlock(false, kOrientation, kShort, 6);
    struct Case {
        const char* name;
        std::string block;
        int orientation;
    };
    const Case cases[] = {
        {"little-endian", ExifBlock(true, kOrientation, kShort, 8), 8},
        {"big-endian", bigEndianSix, 6},
        {"after the JPEG prefix", std::string("Exif\0\0", 6) + bigEndianSix, 6},
        {"another tag", ExifBlock(true, 0x0110, kShort, 6), 1},
        {"wrong type", ExifBlock(true, kOrientation, kLong, 6), 1},
        {"out of range", ExifBlock(true, kOrientation, kShort, 9), 1},
        {"cut inside the value", bigEndianSix.substr(0, 19), 1},
        {"directory past the end", std::string("II*\0\xff\xff\0\0", 8), 1},
        {"no TIFF header", "JUNK" + bigEndianSix.substr(4), 1},
        {"empty", "", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExifOrientation(c.block), c.orientation) << c.name;
    }
}

}  // namespace
