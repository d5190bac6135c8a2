#pragma once

#include <string_view>

// Whether an uncompressed or RLE BMP or TGA file is too short to hold the pixels its header
// announces, a WebP file is shorter than its RIFF header says, a TIFF file's first directory lies
// past its end, a PNG or JPEG file has a chunk or segment that runs past its end, or a JPEG file's
// compressed data stops before its end-of-image marker. DevIL allocates what a header says before
// reading and does not stop at the end of a file: a 20-byte file can make it take gigabytes,
// crash, or spin for minutes. False for every other file; the format is told by content
// (SniffImageFormat), so a file of no other signature is checked as TGA.
bool IsTruncated(std::string_view content);
