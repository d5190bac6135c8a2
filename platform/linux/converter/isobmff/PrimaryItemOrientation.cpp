#include "platform/linux/converter/isobmff/PrimaryItemOrientation.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct Box {
    std::string_view type;
    std::string_view body;
};

std::uint64_t BigEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

// The boxes one after another in `bytes`; nothing when one runs past the end.
std::optional<std::vector<Box>> Boxes(std::string_view bytes) {
    std::vector<Box> boxes;
    while (!bytes.empty()) {
        if (bytes.size() < 8) {
            return std::nullopt;
        }
        std::uint64_t size = BigEndian(bytes, 0, 4);
        std::size_t header = 8;
        if (size == 1) {
            if (bytes.size() < 16) {
                return std::nullopt;
            }
            size = BigEndian(bytes, 8, 8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size();
        }
        if (size < header || size > bytes.size()) {
            return std::nullopt;
        }
        boxes.push_back({bytes.substr(4, 4), bytes.substr(header, size - header)});
        bytes.remove_prefix(size);
    }
    return boxes;
}

std::optional<Box> Find(const std::vector<Box>& boxes, std::string_view type) {
    for (const Box& box : boxes) {
        if (box.type == type) {
            return box;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<Box>> Children(std::string_view file, std::string_view type,
                                         std::size_t fullBoxHeader = 0) {
    const auto boxes = Boxes(file);
    const auto box = boxes ? Find(*boxes, type) : std::nullopt;
    if (!box || box->body.size() < fullBoxHeader) {
        return std::nullopt;
    }
    return Boxes(box->body.substr(fullBoxHeader));
}

std::optional<std::uint32_t> PrimaryItem(const std::vector<Box>& meta) {
    const auto pitm = Find(meta, "pitm");
    if (!pitm || pitm->body.size() < 6) {
        return std::nullopt;
    }
    const bool wide = pitm->body[0] != 0;
    if (wide && pitm->body.size() < 8) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(BigEndian(pitm->body, 4, wide ? 4 : 2));
}

// The one-based property indices associated with the item, in their order, across every "ipma"
// box; nothing when one is cut short.
std::optional<std::vector<std::size_t>> AssociatedProperties(const std::vector<Box>& iprp,
                                                             std::uint32_t item) {
    std::vector<std::size_t> indices;
    for (const Box& ipma : iprp) {
        if (ipma.type != "ipma") {
            continue;
        }
        const std::string_view body = ipma.body;
        if (body.size() < 8) {
            return std::nullopt;
        }
        const bool wideItems = body[0] != 0;
        const bool wideIndices = (body[3] & 1) != 0;
        const std::uint64_t entries = BigEndian(body, 4, 4);
        std::size_t at = 8;
        for (std::uint64_t entry = 0; entry < entries; ++entry) {
            const std::size_t itemSize = wideItems ? 4 : 2;
            if (body.size() < at + itemSize + 1) {
                return std::nullopt;
            }
            const std::uint64_t entryItem = BigEndian(body, at, itemSize);
            const std::size_t count = static_cast<std::uint8_t>(body[at + itemSize]);
            at += itemSize + 1;
            const std::size_t indexSize = wideIndices ? 2 : 1;
            if (body.size() < at + count * indexSize) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < count && entryItem == item; ++i) {
                const std::uint64_t mask = wideIndices ? 0x7fff : 0x7f;
                indices.push_back(BigEndian(body, at + i * indexSize, indexSize) & mask);
            }
            at += count * indexSize;
        }
    }
    return indices;
}

// A mirroring before a quarter turn is the other mirroring after it.
PictureOrientation::Mirror MirrorAfterTurn(PictureOrientation::Mirror mirror, int turns) {
    using Mirror = PictureOrientation::Mirror;
    if (turns % 2 == 0 || mirror == Mirror::None) {
        return mirror;
    }
    return mirror == Mirror::TopAndBottom ? Mirror::LeftAndRight : Mirror::TopAndBottom;
}

// Two mirrorings in a row: none, or a half turn when they cross.
void AddMirror(PictureOrientation& orientation, PictureOrientation::Mirror mirror) {
    using Mirror = PictureOrientation::Mirror;
    if (orientation.mirror == Mirror::None) {
        orientation.mirror = mirror;
        return;
    }
    if (orientation.mirror != mirror) {
        orientation.anticlockwiseQuarterTurns += 2;
    }
    orientation.mirror = Mirror::None;
}

std::optional<PictureOrientation> Orientation(const std::vector<Box>& properties,
                                              const std::vector<std::size_t>& indices) {
    PictureOrientation orientation;
    for (const std::size_t index : indices) {
        if (index == 0 || index > properties.size()) {
            return std::nullopt;
        }
        const Box& property = properties[index - 1];
        if (property.type == "clap" ||
            ((property.type == "irot" || property.type == "imir") && property.body.empty())) {
            return std::nullopt;
        }
        if (property.type == "irot") {
            orientation.anticlockwiseQuarterTurns += property.body[0] & 3;
            orientation.mirror = MirrorAfterTurn(orientation.mirror, property.body[0] & 3);
        } else if (property.type == "imir") {
            AddMirror(orientation, (property.body[0] & 1) == 0
                                       ? PictureOrientation::Mirror::TopAndBottom
                                       : PictureOrientation::Mirror::LeftAndRight);
        }
    }
    return orientation;
}

}  // namespace

std::optional<PictureOrientation> ReadPrimaryItemOrientation(std::string_view file) {
    constexpr std::size_t kFullBoxHeader = 4;
    const auto meta = Children(file, "meta", kFullBoxHeader);
    const auto iprpBox = meta ? Find(*meta, "iprp") : std::nullopt;
    const auto iprp = iprpBox ? Boxes(iprpBox->body) : std::nullopt;
    const auto ipcoBox = iprp ? Find(*iprp, "ipco") : std::nullopt;
    const auto properties = ipcoBox ? Boxes(ipcoBox->body) : std::nullopt;
    const auto item = meta ? PrimaryItem(*meta) : std::nullopt;
    if (!properties || !item) {
        return std::nullopt;
    }
    const auto indices = AssociatedProperties(*iprp, *item);
    return indices ? Orientation(*properties, *indices) : std::nullopt;
}
