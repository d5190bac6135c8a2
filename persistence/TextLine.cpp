#include "persistence/TextLine.h"

#include <algorithm>

namespace {

const std::string kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool FitsLatin1(const WideString& text) {
    return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit <= 0xFF; });
}

}  // namespace

std::string EncodeTextLine(const WideString& text) {
    if (FitsLatin1(text)) {
        std::string latin1(text.begin(), text.end());
        // Text whose ISO 8859-1 bytes begin like the mark would read back as UTF-8.
        if (!latin1.starts_with(kUtf8ByteOrderMark)) {
            return latin1;
        }
    }
    return kUtf8ByteOrderMark + ToUtf8Escaped(text);
}

WideString DecodeTextLine(const std::string& bytes) {
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        return FromUtf8Escaped(bytes.substr(kUtf8ByteOrderMark.size()));
    }
    return Widen(bytes);
}
