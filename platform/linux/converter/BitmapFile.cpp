#include "platform/linux/converter/BitmapFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kHeaderSize = kFileHeaderSize + kInfoHeaderSize;
constexpr std::size_t kWriteBlock = std::size_t(1) << 20;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

class FileDescriptor final {
public:
    explicit FileDescriptor(int descriptor) : descriptor(descriptor) {}
    ~FileDescriptor() {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return descriptor; }
    bool Close() {
        const int closing = descriptor;
        descriptor = -1;
        return close(closing) == 0;
    }

private:
    int descriptor;
};

// Asks the kernel to start writing the block to the disk now, while the next ones are prepared,
// so that the flush at the end waits for the last blocks only. A failure here is the flush's to
// report.
void StartWriteBack(int descriptor, std::uint64_t offset, std::size_t size) {
    sync_file_range(descriptor, static_cast<off64_t>(offset), static_cast<off64_t>(size),
                    SYNC_FILE_RANGE_WRITE);
}

bool WriteAll(int descriptor, const std::vector<std::uint8_t>& data) {
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t count = write(descriptor, data.data() + written, data.size() - written);
        if (count < 0 && errno != EINTR) {
            return false;
        }
        written += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    return true;
}

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

// Rows go out in blocks of about a megabyte, through the file descriptor: the pixels are large
// (72 MB for a 6000x4000 photo) and this is on the way from a request to the screen.
bool WriteBitmapFile(const RgbImage& image, int file) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    const std::uint64_t rowSize = (rowBytes + 3) & ~std::uint64_t(3);
    const std::uint64_t fileSize = kHeaderSize + rowSize * static_cast<std::uint64_t>(image.height);
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        return false;  // the format's size fields are 32-bit
    }
    std::vector<std::uint8_t> block =
        Header(image, static_cast<std::uint32_t>(rowSize), static_cast<std::uint32_t>(fileSize));
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kWriteBlock / rowSize);
    std::uint64_t written = 0;
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t at = block.size();
        block.resize(at + rowSize, 0);
        const std::uint8_t* in = image.Pixel(0, y);
        std::uint8_t* out = block.data() + at;
        for (std::size_t x = 0; x < rowBytes; x += 3) {
            out[x] = in[x + 2];
            out[x + 1] = in[x + 1];
            out[x + 2] = in[x];
        }
        if (block.size() >= rowsPerBlock * rowSize || y == 0) {
            if (!WriteAll(file, block)) {
                return false;
            }
            StartWriteBack(file, written, block.size());
            written += block.size();
            block.clear();
        }
    }
    // A power loss after the caller's rename must not leave an empty file under the old name.
    // The write-back started block by block leaves little to wait for here.
    return fsync(file) == 0;
}

bool WriteBitmapFile(const RgbImage& image, const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return file.Get() >= 0 && WriteBitmapFile(image, file.Get()) && file.Close();
}
