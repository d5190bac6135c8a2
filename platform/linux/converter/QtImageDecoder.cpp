#include "platform/linux/converter/QtImageDecoder.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

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

// The file at exactly these bytes: a name reaches the converter as the system's bytes, which
// need not be UTF-8 and would not survive a trip through QString. Nothing when it cannot be read.
std::unique_ptr<QFile> OpenFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(descriptor);
        return nullptr;
    }
    return file;
}

// Rows converted at a time: a band's two copies are a few megabytes even for the widest photo.
constexpr int kBandRows = 64;

// Converted band by band straight into the RGB picture, never as a whole RGB888 copy: the
// decoded picture (four bytes a pixel for most formats) and ours (three) are all that is held,
// seven bytes a pixel instead of ten.
RgbImage FromQImage(const QImage& source) {
    RgbImage image{source.width(), source.height(), {}};
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    image.pixels.resize(stride * static_cast<std::size_t>(image.height));
    const bool direct = source.format() == QImage::Format_RGB888;
    for (int top = 0; top < image.height; top += kBandRows) {
        const int rows = std::min(kBandRows, image.height - top);
        const QImage band =
            direct ? source
                   : source.copy(0, top, image.width, rows).convertToFormat(QImage::Format_RGB888);
        const int first = direct ? top : 0;
        for (int y = 0; y < rows; ++y) {
            std::memcpy(image.pixels.data() + stride * static_cast<std::size_t>(top + y),
                        band.constScanLine(first + y), stride);
        }
    }
    return image;
}

}  // namespace

std::optional<RgbImage> DecodeWithQt(const std::string& path) {
    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
    const std::unique_ptr<QFile> file = OpenFile(path);
    if (!file) {
        return std::nullopt;
    }
    // Without a file name the reader tells the format by content alone.
    QImageReader reader(file.get());
    reader.setAutoTransform(true);
    if (!IsAcceptedFormat(reader.format())) {
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return FromQImage(image);
}

QImageIOHandler::Transformations ReadOrientation(const std::string& path) {
    const std::unique_ptr<QFile> file = OpenFile(path);
    if (!file) {
        return QImageIOHandler::TransformationNone;
    }
    QImageReader reader(file.get());
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
    return FromQImage(turned);
}
