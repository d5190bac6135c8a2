#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/WideString.h"

namespace {

const WideString kSep(1, kNativeSeparator);

TEST(JoinPathTest, AddsOneSeparatorOnlyWhereNeeded) {
    EXPECT_EQ(JoinPath(u"", u"settings.info"), u"settings.info");
    EXPECT_EQ(JoinPath(u"C:\\conf\\", u"settings.info"), u"C:\\conf\\settings.info");
    EXPECT_EQ(JoinPath(u"/home/u/conf/", u"settings.info"), u"/home/u/conf/settings.info");
    EXPECT_EQ(JoinPath(u"/home/u/conf", u"settings.info"),
              u"/home/u/conf" + kSep + u"settings.info");
}

TEST(WidenTest, EachByteBecomesOneCodeUnit) {
    EXPECT_EQ(Widen("Vornk Wallpaper Changer"), u"Vornk Wallpaper Changer");
    EXPECT_EQ(Widen(std::string("\xE9\xFF", 2)), WideString(u"\u00E9\u00FF"));
}

struct Utf8Case {
    const char* name;
    WideString wide;
    std::string utf8;
};

TEST(ToUtf8Test, EncodesEveryRuleOfTheConversion) {
    const std::vector<Utf8Case> cases = {
        {"ascii", u"D:\\Pics", "D:\\Pics"},
        {"two bytes", u"\u00E9t\u00E9", "\xC3\xA9t\xC3\xA9"},
        {"three bytes", u"\u20AC", "\xE2\x82\xAC"},
        {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"lone low surrogate", WideString{u'a', char16_t(0xDC00), u'b'}, "a?b"},
        {"high surrogate before non-low", WideString{char16_t(0xD83D), u'x'}, "?x"},
        {"two high surrogates then low",
         WideString{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, "?\xF0\x9F\x98\x80"},
        {"trailing high surrogate dropped", WideString{u'a', char16_t(0xD83D)}, "a"},
        {"empty", u"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(c.wide), c.utf8) << c.name;
    }
}

TEST(FromUtf8Test, DecodesEveryRuleOfTheConversion) {
    const std::vector<Utf8Case> cases = {
        {"ascii", u"D:\\Pics", "D:\\Pics"},
        {"two and three bytes", u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
        {"above U+FFFF becomes a pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"stray continuation byte", u"a?b",
         "a\x80"
         "b"},
        {"byte that cannot begin", u"?", "\xFF"},
        {"overlong two bytes", u"?", "\xC0\xAF"},
        {"overlong three bytes", u"?", "\xE0\x80\xAF"},
        {"overlong four bytes", u"?", "\xF0\x80\x80\xAF"},
        {"encoded surrogate", u"?", "\xED\xA0\x80"},
        {"above U+10FFFF", u"?", "\xF4\x90\x80\x80"},
        {"broken by ascii", u"?A",
         "\xE2\x82"
         "A"},
        {"broken by new lead", u"?\u00E9", "\xE2\xC3\xA9"},
        {"cut off by the end", u"ab", "ab\xE2\x82"},
        {"lead alone at the end", u"a", "a\xF0"},
        {"empty", u"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.utf8), c.wide) << c.name;
    }
}

TEST(Utf8RoundTripTest, EveryWellFormedStringSurvives) {
    const WideString text = u"C:\\Bilder\\\u00C4pfel \u65E5\u672C \U0001D11E\U0010FFFF.jpg";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

// File names are bytes: every byte string comes back unchanged, well-formed UTF-8 decodes as
// usual, and each byte of a malformed sequence stands alone for itself.
TEST(Utf8EscapedTest, AnyBytesSurviveAndWellFormedTextDecodesAsUsual) {
    const std::vector<std::pair<std::string, WideString>> cases = {
        {"caf\xC3\xA9 \xF0\x9D\x84\x9E", u"caf\u00E9 \U0001D11E"},
        {"caf\xE9.jpg", u"caf\xDCE9.jpg"},        // Latin-1
        {"\xE2\x82", u"\xDCE2\xDC82"},            // cut off by the end
        {"\xC0\xAF", u"\xDCC0\xDCAF"},            // overlong
        {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},  // an encoded escape itself
        {"\xE2\x82"
         "a\xFF",
         u"\xDCE2\xDC82"
         u"a\xDCFF"},  // broken, then more
    };
    for (const auto& [bytes, wide] : cases) {
        EXPECT_EQ(FromUtf8Escaped(bytes), wide) << bytes;
        EXPECT_EQ(ToUtf8Escaped(FromUtf8Escaped(bytes)), bytes) << bytes;
    }
    // Surrogates that stand for no byte have no bytes to go back to.
    EXPECT_EQ(ToUtf8Escaped(u"a\xDC41\xD800z"), "a??z");
}

}  // namespace
