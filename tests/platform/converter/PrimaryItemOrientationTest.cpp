#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/converter/isobmff/PrimaryItemOrientation.h"

namespace {

using Mirror = PictureOrientation::Mirror;

std::string BigEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

std::string Box(const std::string& type, const std::string& body) {
    return BigEndian(static_cast<std::uint32_t>(body.size() + 8), 4) + type + body;
}

// A file whose primary item 1 has the given properties, associated in their order, and item 2
// a quarter turn that is not its business.
std::string FileWithProperties(const std::vector<std::string>& properties) {
    std::string ipco = Box("irot", std::string(1, '\1'));
    std::string primary = BigEndian(1, 2) + static_cast<char>(properties.size());
    for (std::size_t i = 0; i < properties.size(); ++i) {
        ipco += properties[i];
        primary += static_cast<char>(0x80 | (i + 2));
    }
    const std::string other = BigEndian(2, 2) + '\1' + '\1';
    const std::string ipma = Box("ipma", BigEndian(0, 4) + BigEndian(2, 4) + other + primary);
    const std::string meta =
        Box("meta", BigEndian(0, 4) + Box("pitm", BigEndian(0, 4) + BigEndian(1, 2)) +
                        Box("iprp", Box("ipco", ipco) + ipma));
    return Box("ftyp", "heic" + BigEndian(0, 4) + "mif1") + meta;
}

std::string Rotation(int quarterTurns) {
    return Box("irot", std::string(1, char(quarterTurns)));
}
std::string Mirroring(int mode) {
    return Box("imir", std::string(1, char(mode)));
}

// The properties apply in their order; a mirroring before a quarter turn is the other mirroring
// after it, and two crossed mirrorings are a half turn.
TEST(PrimaryItemOrientationTest, PropertiesCombineInTheirOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> properties;
        int turns;
        Mirror mirror;
    };
    const Case cases[] = {
        {"none", {}, 0, Mirror::None},
        {"turn then mirror", {Rotation(1), Mirroring(0)}, 1, Mirror::TopAndBottom},
        {"mirror then turn", {Mirroring(0), Rotation(1)}, 1, Mirror::LeftAndRight},
        {"mirror then half turn", {Mirroring(1), Rotation(2)}, 2, Mirror::LeftAndRight},
        {"crossed mirrors", {Mirroring(0), Mirroring(1)}, 2, Mirror::None},
        {"same mirror twice", {Mirroring(1), Mirroring(1)}, 0, Mirror::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PictureOrientation> orientation =
            ReadPrimaryItemOrientation(FileWithProperties(c.properties));
        ASSERT_TRUE(orientation.has_value());
        EXPECT_EQ(orientation->anticlockwiseQuarterTurns % 4, c.turns);
        EXPECT_EQ(orientation->mirror, c.mirror);
    }
}

// Cropping is the decoder's to do; boxes that do not hold together describe nothing.
TEST(PrimaryItemOrientationTest, CroppedOrDamagedItemsHaveNoOrientation) {
    const std::string cropped =
        FileWithProperties({Rotation(1), Box("clap", std::string(32, '\1'))});
    const std::string whole = FileWithProperties({Rotation(1)});
    std::string unknownProperty = whole;
    unknownProperty.back() = '\xf0';  // the primary item's association: property 0x70 of 2
    EXPECT_FALSE(ReadPrimaryItemOrientation(cropped).has_value());
    EXPECT_FALSE(ReadPrimaryItemOrientation(whole.substr(0, whole.size() - 3)).has_value());
    EXPECT_FALSE(ReadPrimaryItemOrientation(unknownProperty).has_value());
    EXPECT_TRUE(ReadPrimaryItemOrientation(whole).has_value());
}

}  // namespace
