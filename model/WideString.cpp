#include "model/WideString.h"

#include <cstddef>
#include <optional>

namespace {

constexpr char kReplacement = '?';

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

void AppendUtf16(WideString& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
        return;
    }
    const char32_t offset = codePoint - 0x10000;
    out += static_cast<char16_t>(0xD800 + (offset >> 10));
    out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
}

// Number of continuation bytes announced by a lead byte, or -1 for a byte that cannot begin a
// sequence. C0/C1 and F5-F7 are leads whose sequences are always rejected as a whole.
int ContinuationCount(unsigned char lead) {
    if (lead >= 0xC0 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF7) {
        return 3;
    }
    return -1;
}

bool IsValidScalar(char32_t codePoint, int continuationCount) {
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    const bool overlong = codePoint < kSmallest[continuationCount];
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return !overlong && !surrogate && codePoint <= 0x10FFFF;
}

// The lone surrogates that stand for the bytes 0x80..0xFF which are not part of valid UTF-8.
constexpr char32_t kEscapedByteBase = 0xDC00;
bool IsEscapedByte(char32_t unit) {
    return unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF;
}

std::string EncodeUtf8(const WideString& text, bool unescapeBytes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (IsHighSurrogate(unit)) {
            if (i + 1 == text.size()) {
                break;
            }
            const char32_t low = text[i + 1];
            if (IsLowSurrogate(low)) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
            } else {
                out += kReplacement;
            }
        } else if (unescapeBytes && IsEscapedByte(unit)) {
            out += static_cast<char>(unit - kEscapedByteBase);
        } else if (IsLowSurrogate(unit)) {
            out += kReplacement;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// One UTF-8 sequence: its code point unless it is malformed, where the next one starts (where the
// lossy decoding resumes after a malformed one), and whether the end of the text cut it off.
struct Sequence {
    std::optional<char32_t> codePoint;
    std::size_t next = 0;
    bool cutOff = false;
};

Sequence DecodeSequence(const std::string& text, std::size_t i) {
    const int count = ContinuationCount(static_cast<unsigned char>(text[i]));
    Sequence sequence{std::nullopt, i + 1, false};
    if (count < 0) {
        return sequence;
    }
    char32_t codePoint = static_cast<unsigned char>(text[i]) & (0x3F >> count);
    for (int k = 0; k < count; ++k, ++sequence.next) {
        if (sequence.next == text.size()) {
            sequence.cutOff = true;
            return sequence;
        }
        const auto byte = static_cast<unsigned char>(text[sequence.next]);
        if (!IsContinuationByte(byte)) {
            return sequence;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (IsValidScalar(codePoint, count)) {
        sequence.codePoint = codePoint;
    }
    return sequence;
}

WideString DecodeUtf8(const std::string& text, bool escapeBytes) {
    WideString out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        const Sequence sequence = DecodeSequence(text, i);
        if (sequence.codePoint) {
            AppendUtf16(out, *sequence.codePoint);
            i = sequence.next;
        } else if (escapeBytes) {
            // Byte by byte, so that every byte of a broken sequence comes back unchanged.
            out += static_cast<char16_t>(kEscapedByteBase + lead);
            ++i;
        } else if (sequence.cutOff) {
            return out;  // cut off by the end of the string: dropped
        } else {
            out += kReplacement;
            i = sequence.next;
        }
    }
    return out;
}

}  // namespace

WideString JoinPath(const WideString& folder, const WideString& name) {
    if (folder.empty()) {
        return name;
    }
    const char16_t last = folder.back();
    if (last == u'\\' || last == u'/') {
        return folder + name;
    }
    return folder + kNativeSeparator + name;
}

WideString Widen(const std::string& text) {
    WideString wide;
    wide.reserve(text.size());
    for (const char byte : text) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(byte));
    }
    return wide;
}

std::string ToUtf8(const WideString& text) {
    return EncodeUtf8(text, false);
}

WideString FromUtf8(const std::string& text) {
    return DecodeUtf8(text, false);
}

std::string ToUtf8Escaped(const WideString& text) {
    return EncodeUtf8(text, true);
}

WideString FromUtf8Escaped(const std::string& text) {
    return DecodeUtf8(text, true);
}
