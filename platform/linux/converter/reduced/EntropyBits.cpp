#include "platform/linux/converter/reduced/EntropyBits.h"

#include <algorithm>

EntropyBits::EntropyBits(std::string_view content, std::size_t from)
    : data(content.substr(std::min(from, content.size()))), read(0), ended(data.empty()) {
    // Reserved, not touched: the pages are written only as far as the data is unstuffed.
    bytes.reserve(data.size() + kZerosAfterEnd);
    bytes.resize(kZerosAfterEnd);
}

void EntropyBits::UnstuffTo(std::size_t to) {
    bytes.resize(bytes.size() - kZerosAfterEnd);
    to = std::min(to, data.size());
    while (!ended && read < to) {
        const void* found = std::memchr(data.data() + read, 0xFF, to - read);
        const std::size_t mark =
            found != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(found) - data.data())
                : to;
        bytes.insert(bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(read),
                     data.begin() + static_cast<std::ptrdiff_t>(mark));
        read = mark;
        if (mark == to) {
            break;
        }
        // A 0xFF is data when a zero byte follows it; anything else after it is a marker, where
        // the scan ends (0xFF fill bytes may lead up to it).
        if (mark + 1 >= data.size() || data[mark + 1] != '\0') {
            ended = true;
            break;
        }
        bytes.push_back(0xFF);
        read = mark + 2;
    }
    ended = ended || read >= data.size();
    bytes.resize(bytes.size() + kZerosAfterEnd);
}

std::size_t EntropyBits::SplitNear(std::size_t offset) const {
    offset = std::min(offset, data.size());
    while (offset > 0 && offset < data.size() &&
           static_cast<unsigned char>(data[offset - 1]) == 0xFF) {
        ++offset;
    }
    return offset;
}
