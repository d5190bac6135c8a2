#pragma once

#include <chrono>
#include <cstddef>

// What the program and its converter process (vornk-image-converter) agree on. The converter
// is started for every change as
//   vornk-image-converter [--no-bitmap] NAME [WIDTH HEIGHT [X Y WIDTH HEIGHT]...]
// with the image file open for reading at descriptor 3 (NAME: the file's name; the format is
// told by the content, whatever the extension says) and an empty file open for writing at
// descriptor 4. It opens nothing
// itself: it writes the image as a BMP file into descriptor 4. When a size is given, it first
// writes the screen's picture to its standard output as raw 8-bit RGB rows (the whole image
// filled to each monitor given after the size, or to the whole screen without them), as
// soon as it is made (from a reduced decoding where the file allows, before the full decoding);
// then, in every case, the marker byte once the image is decoded in full, then the bitmap.
// With --no-bitmap (which needs a size) there is no descriptor 4 and no bitmap: the picture of
// another monitor than the first. A picture from a reduced decoding then ends the work: no full
// decoding follows it.
namespace image_converter {

inline constexpr char kProgramName[] = "vornk-image-converter";
inline constexpr char kWithoutBitmap[] = "--no-bitmap";

inline constexpr int kImageDescriptor = 3;
inline constexpr int kBitmapDescriptor = 4;

inline constexpr int kConverted = 0;
inline constexpr int kUsage = 2;
inline constexpr int kCantLoad = 3;
inline constexpr int kCantSave = 4;

// Between the converter's two stages only, never seen by the program: the file is left to the
// second stage's decoders, before anything is written, or after the screen's picture.
inline constexpr int kHandOver = 5;
inline constexpr int kHandOverAfterScreenPicture = 6;
// The second stage, beside the converter: every decoder, for what libjpeg alone does not take.
inline constexpr char kSecondStageName[] = "vornk-image-converter-all";

// The last byte of the output, once the image is decoded in full: a crash after it is a failed
// save.
inline constexpr char kDecodedMarker = 'D';

// More than any desk holds; the program hands over no more than these.
inline constexpr int kMostMonitors = 16;

// A 250-megapixel photo converts within this on every decoder path (bench/converter-memory.sh):
// DevIL's PNG needs about 1.6 GB of address space, Qt's CMYK JPEG about 1.75 GB (its four-byte
// picture and our three-byte one), while a plain JPEG (libjpeg, straight into our picture) peaks
// at about 0.85 GB resident; a 100-megapixel one needs about a third of this.
// Less would refuse such photos; more would only let a damaged file take gigabytes.
inline constexpr std::size_t kMemoryLimitBytes = std::size_t(2) << 30;
// Several times what the same photo takes on a busy machine; a hung decoder is ended after this.
inline constexpr std::chrono::seconds kTimeLimit{30};

}  // namespace image_converter
