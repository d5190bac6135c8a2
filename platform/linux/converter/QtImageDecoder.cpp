#include "platform/linux/converter/QtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <array>

#include "platform/linux/converter/colour/SrgbConverter.h"

namespace {

// Qt refuses pictures above 256 MB by default, a 64-megapixel photo. 1 GB lets a 250-megapixel
// one through yet stops a damaged header from asking for tens of gigabytes; the converter
// process's memory limit guards the rest.
constexpr int kAllocationLimitMegabytes = 1024;

// The formats of the program's eight extensions; Qt would read GIF, ICO and others too.
bool IsAcceptedFormat(const QByteArray& format) {
    static const std::array<QByteArray, 5> accepted = {"jpeg", "png", "tiff", "tga", "bmp"};
    return std::find(accepted.begin(), accepted.end(), format) != accepted.end();
}

// The file's bytes as a device for Qt's readers, without a copy.
class ContentDevice final {
public:
    explicit ContentDevice(std::string_view content)
        : bytes(QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()))),
          buffer(&bytes) {
        buffer.open(QIODevice::ReadOnly);
    }
    ContentDevice(const ContentDevice&) = delete;
    ContentDevice& operator=(const ContentDevice&) = delete;

    QIODevice* Device() { return &buffer; }

private:
    QByteArray bytes;
    QBuffer buffer;
};

// Rows converted at a time: a band's two copies are a few megabytes even for the widest photo.
constexpr int kBandRows = 64;

// Pictures of more than 8 bits a channel: 16-bit, float.
bool IsDeep(const QImage& image) {
    return image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
}

// Converted band by band straight into the RGB picture, never as a whole RGB888 copy: the
// decoded picture (four bytes a pixel for most formats) and ours (three) are all that is held,
// seven bytes a pixel instead of ten. Deep pictures go through 16 bits a channel, so that the
// profile takes them before the one rounding to 8 bits.
RgbImage FromQImage(const QImage& source, std::string_view iccProfile) {
    RgbImage image{source.width(), source.height(), {}};
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    image.pixels.resize(stride * static_cast<std::size_t>(image.height));
    const bool deep = IsDeep(source);
    const QImage::Format bandFormat = deep ? QImage::Format_RGBX64 : QImage::Format_RGB888;
    const SrgbConverter converter(
        iccProfile, deep ? SrgbConverter::Samples::Rgbx16 : SrgbConverter::Samples::Rgb8);
    const bool direct = source.format() == bandFormat;
    for (int top = 0; top < image.height; top += kBandRows) {
        const int rows = std::min(kBandRows, image.height - top);
        const QImage band =
            direct ? source : source.copy(0, top, image.width, rows).convertToFormat(bandFormat);
        const int first = direct ? top : 0;
        for (int y = 0; y < rows; ++y) {
            converter.ConvertRow(band.constScanLine(first + y),
                                 image.pixels.data() + stride * static_cast<std::size_t>(top + y),
                                 image.width);
        }
    }
    return image;
}

}  // namespace

std::optional<RgbImage> DecodeWithQt(std::string_view content, std::string_view iccProfile) {
    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
    ContentDevice device(content);
    QImageReader reader(device.Device());
    reader.setAutoTransform(true);
    if (!IsAcceptedFormat(reader.format())) {
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return FromQImage(image, iccProfile);
}

QImageIOHandler::Transformations ReadOrientation(std::string_view content) {
    ContentDevice device(content);
    QImageReader reader(device.Device());
    return reader.transformation();
}

RgbImage Transformed(RgbImage image, QImageIOHandler::Transformations transformations) {
    if (transformations == QImageIOHandler::TransformationNone) {
        return image;
    }
    // A quarter turn the other way is one step instead of a half turn and a quarter turn.
    const bool quarterBack = transformations == QImageIOHandler::TransformationRotate270;
    const bool mirror =
        !quarterBack && transformations.testFlag(QImageIOHandler::TransformationMirror);
    const bool flip = !quarterBack && transformations.testFlag(QImageIOHandler::TransformationFlip);
    // Shares the pixels of `image` until a step makes a new picture (Qt returns the same one for
    // a 1x1 picture). A 100-megapixel photo is 300 MB: each copy is dropped as soon as the next
    // one exists, so at most two are held.
    QImage turned(image.pixels.data(), image.width, image.height, image.width * 3,
                  QImage::Format_RGB888);
    const auto dropUnsharedSource = [&] {
        if (turned.constBits() != image.pixels.data()) {
            image = RgbImage();
        }
    };
    if (mirror || flip) {
        turned = turned.mirrored(mirror, flip);
        dropUnsharedSource();
    }
    if (transformations.testFlag(QImageIOHandler::TransformationRotate90)) {
        turned = turned.transformed(QTransform().rotate(quarterBack ? 270 : 90));
        dropUnsharedSource();
    }
    return FromQImage(turned, {});
}
