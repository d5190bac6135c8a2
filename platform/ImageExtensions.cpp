#include "platform/ImageExtensions.h"

#include <algorithm>

namespace {

char16_t FoldAsciiCase(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

}  // namespace

std::vector<WideString> SupportedExtensions() {
    return {u"jpg", u"jpeg", u"jpe",  u"png",  u"tiff", u"tif", u"tga",
            u"bmp", u"webp", u"avif", u"heic", u"heif", u"jxl"};
}

bool HasSupportedExtension(const WideString& path, const std::vector<WideString>& extensions) {
    const auto dot = path.rfind(u'.');
    if (dot == WideString::npos) {
        return false;
    }
    WideString extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), FoldAsciiCase);
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

bool HasSupportedExtension(std::string_view path, const std::vector<WideString>& extensions) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view extension = path.substr(dot + 1);
    const auto sameUnit = [](char byte, char16_t unit) {
        return FoldAsciiCase(static_cast<unsigned char>(byte)) == unit;
    };
    return std::any_of(extensions.begin(), extensions.end(), [&](const WideString& supported) {
        return std::equal(extension.begin(), extension.end(), supported.begin(), supported.end(),
                          sameUnit);
    });
}
