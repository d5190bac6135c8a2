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
