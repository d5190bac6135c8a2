#include "platform/linux/BitmapFile.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kHeaderSize = kFileHeaderSize + kInfoHeaderSize;
constexpr std::size_t kWriteBuffer = std::size_t(1) << 20;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class HeaderWriter {
public:
    void Bytes(const char* text) {
        for (; *text != '\0'; ++text) {
            data.push_back(static_cast<std::uint8_t>(*text));
        }
    }
    void Little(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    const std::vector<std::uint8_t>& Data() const { return data; }

private:
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> Header(const RgbImage& image, std::uint32_t rowSize,
                                 std::uint32_t fileSize) {
    HeaderWriter header;
    header.Bytes("BM");
    header.Little(fileSize, 4);
    header.Little(0, 4);  // reserved
    header.Little(kHeaderSize, 4);
    header.Little(kInfoHeaderSize, 4);
    header.Little(static_cast<std::uint32_t>(image.width), 4);
    header.Little(static_cast<std::uint32_t>(image.height), 4);  // positive: bottom row first
    header.Little(1, 2);                                         // planes
    header.Little(24, 2);                                        // bits per pixel
    header.Little(0, 4);                                         // BI_RGB, no compression
    header.Little(rowSize * static_cast<std::uint32_t>(image.height), 4);
    header.Little(kPixelsPerMetre, 4);
    header.Little(kPixelsPerMetre, 4);
    header.Little(0, 4);  // colours used
    header.Little(0, 4);  // important colours
    return header.Data();
}

}  // namespace

bool WriteBitmapFile(const RgbImage& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        return false;
    }
    const std::uint64_t rowSize = (static_cast<std::uint64_t>(image.width) * 3 + 3) & ~3ULL;
    const std::uint64_t fileSize = kHeaderSize + rowSize * static_cast<std::uint64_t>(image.height);
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        return false;  // the format's size fields are 32-bit
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    std::setvbuf(file.get(), nullptr, _IOFBF, kWriteBuffer);
    const std::vector<std::uint8_t> header =
        Header(image, static_cast<std::uint32_t>(rowSize), static_cast<std::uint32_t>(fileSize));
    bool written = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
    std::vector<std::uint8_t> row(rowSize, 0);
    for (int y = image.height - 1; y >= 0 && written; --y) {
        const std::uint8_t* in = image.Pixel(0, y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(image.width) * 3; x += 3) {
            row[x] = in[x + 2];
            row[x + 1] = in[x + 1];
            row[x + 2] = in[x];
        }
        written = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
    }
    // A power loss after the caller's rename must not leave an empty file under the old name.
    return written && std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0 &&
           std::fclose(file.release()) == 0;
}
