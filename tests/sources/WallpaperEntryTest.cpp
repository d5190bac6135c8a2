#include "sources/WallpaperEntry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "tests/sources/SourceTestHelpers.h"

namespace {

struct Case {
    const char* what;
    WideString source;
    WideString file;
};

// Each kind of path the compact form keeps differently: under the source or not, one byte per
// unit or two, lone surrogates (names that are not UTF-8), nothing after the source.
const Case kCases[] = {
    {"ASCII under the source", u"/pics", u"/pics/2019/a.jpg"},
    {"Latin-1 under the source", u"/pics", u"/pics/\u00E9t\u00E9.jpg"},
    {"wide under the source", u"/\u6D77", u"/\u6D77/\U0001F30A \u00FF.png"},
    {"byte that is not UTF-8", u"/lib", u"/lib/r\xDCE9sum\xDCE9.png"},
    {"not under the source", u"/pics/", u"/other/a.jpg"},
    {"source longer than the file", u"/pics/a.jpg/more", u"/pics/a.jpg"},
    {"file source", u"/single.png", u"/single.png"},
    {"empty source", u"", u"relative.jpg"},
};

TEST(WallpaperEntryTest, GivesBackTheSourceAndFileItWasMadeOf) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const WallpaperEntry entry(c.source, c.file);
        EXPECT_EQ(entry.GetSource(), c.source);
        EXPECT_EQ(entry.GetFile(), c.file);
        EXPECT_TRUE(entry.HasFile(c.file));
        EXPECT_FALSE(entry.HasFile(c.file + u"x"));
        EXPECT_FALSE(entry.HasFile(c.file.substr(1)));

        WallpaperEntry copy = entry;
        EXPECT_EQ(copy, entry);
        const WallpaperEntry moved = std::move(copy);
        EXPECT_EQ(moved, entry);
        EXPECT_EQ(copy, WallpaperEntry());  // left empty, not pointing at what it gave away
        EXPECT_NE(moved, WallpaperEntry(c.source + u"x", c.file));
        EXPECT_NE(moved, WallpaperEntry(c.source, c.file + u"x"));
    }
}

TEST(WallpaperEntryTest, EntriesOfOneListingShareTheSourceAndEqualThoseMadeApart) {
    const auto source = std::make_shared<const WideString>(u"/pics");
    const WallpaperEntry fromBytes = WallpaperEntry::UnderSource(source, "/sub/b.jpg");
    const WallpaperEntry fromWide(source, u"/pics/sub/c.jpg");
    EXPECT_EQ(fromBytes, WallpaperEntry(u"/pics", u"/pics/sub/b.jpg"));
    EXPECT_EQ(fromWide.GetFile(), u"/pics/sub/c.jpg");
    EXPECT_EQ(&fromBytes.GetSource(), source.get());
    EXPECT_EQ(&fromWide.GetSource(), source.get());
}

}  // namespace
