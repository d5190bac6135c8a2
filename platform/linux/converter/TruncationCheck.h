#pragma once

#include <string_view>

// Whether an uncompressed or RLE BMP or TGA file is too short to hold the pixels its header
// announces, or a PNG or JPEG file has a chunk or segment that runs past its end. DevIL allocates
// what a header says before reading and does not stop at the end of a file: a 20-byte file can
// make it take gigabytes, crash, or spin for minutes. False for every other file; the format is
// told by content (SniffImageFormat), so a file of no other signature is checked as TGA.
bool IsTruncated(std::string_view content);

// Whether a JPEG file's compressed data ends without the end-of-image marker: the file was cut
// short. Qt's reader returns such a picture with its missing part grey, as a success.
bool IsJpegDataTruncated(std::string_view content);
