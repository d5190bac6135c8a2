#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using namespace platform_test;

// root/ a.jpg .hidden.png notes.txt x.jpg/(inner.png) sub/(b.TIFF deeper/(c.bmp) loop -> root)
//       é-ü.jpg 😀.png link.jpg -> a.jpg dangling.png -> missing sublink -> sub
class FindImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path& root = folder.Path();
        for (const char* name : {"a.jpg", ".hidden.png", "notes.txt", "\xC3\xA9-\xC3\xBC.jpg",
                                 "\xF0\x9F\x98\x80.png"}) {
            WriteFile((root / name).string(), "x");
        }
        fs::create_directories(root / "x.jpg");
        WriteFile((root / "x.jpg" / "inner.png").string(), "x");
        fs::create_directories(root / "sub" / "deeper");
        WriteFile((root / "sub" / "b.TIFF").string(), "x");
        WriteFile((root / "sub" / "deeper" / "c.bmp").string(), "x");
        fs::create_directory_symlink(root, root / "sub" / "loop");  // a cycle
        fs::create_symlink(root / "a.jpg", root / "link.jpg");
        fs::create_symlink(root / "missing", root / "dangling.png");
        fs::create_directory_symlink(root / "sub", root / "sublink.jpg");
    }

    WideString Root() const { return FromUtf8(folder.Path().string()); }

    // What `find` lists, in its (pre-order, listing) order: entries that are not folders and
    // not links to folders, with a supported extension.
    std::vector<WideString> FindOrder(bool withSubfolders) {
        const std::string depth = withSubfolders ? "" : " -maxdepth 1";
        std::istringstream lines(Capture("find " + Quote(folder.Path().string()) + " -mindepth 1" +
                                         depth + " ! -xtype d"));
        std::vector<WideString> files;
        for (std::string line; std::getline(lines, line);) {
            const WideString file = FromUtf8(line);
            if (core.IsSupportedImage(file)) {
                files.push_back(file);
            }
        }
        return files;
    }

    static std::vector<WideString> Files(const WallpaperList& list) {
        std::vector<WideString> files;
        for (const WallpaperEntry& entry : list) {
            files.push_back(entry.GetFile());
        }
        return files;
    }

    std::vector<WideString> Named(std::initializer_list<const char16_t*> names) const {
        std::vector<WideString> files;
        for (const char16_t* name : names) {
            files.push_back(Root() + u"/" + name);
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    static std::vector<WideString> Sorted(std::vector<WideString> files) {
        std::sort(files.begin(), files.end());
        return files;
    }

    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment()};
};

TEST_F(FindImagesTest, WithoutSubfoldersListsTheFolderItselfInListingOrder) {
    WallpaperList list;
    core.FindImages(Root(), list, false);
    EXPECT_EQ(Sorted(Files(list)), Named({u"a.jpg", u".hidden.png", u"\u00E9-\u00FC.jpg",
                                          u"\U0001F600.png", u"link.jpg", u"dangling.png"}));
    EXPECT_EQ(Files(list), FindOrder(false));
}

TEST_F(FindImagesTest, WithSubfoldersWalksInPreOrderWithoutFollowingFolderLinks) {
    WallpaperList list;
    core.FindImages(Root(), list, true);
    EXPECT_EQ(Sorted(Files(list)),
              Named({u"a.jpg", u".hidden.png", u"\u00E9-\u00FC.jpg", u"\U0001F600.png", u"link.jpg",
                     u"dangling.png", u"x.jpg/inner.png", u"sub/b.TIFF", u"sub/deeper/c.bmp"}));
    EXPECT_EQ(Files(list), FindOrder(true));
}

TEST_F(FindImagesTest, NamesBeyondTheBasicPlaneBecomeSurrogatePairs) {
    WallpaperList list;
    core.FindImages(Root(), list, false);
    const WideString expected =
        Root() + u"/" + WideString{char16_t(0xD83D), char16_t(0xDE00)} + u".png";
    const auto files = Files(list);
    EXPECT_NE(std::find(files.begin(), files.end(), expected), files.end());
}

TEST_F(FindImagesTest, EveryEntryCarriesTheFolderExactlyAsPassed) {
    const WideString spelled = Root() + u"//";
    WallpaperList list;
    core.FindImages(spelled, list, true);
    ASSERT_FALSE(list.empty());
    for (const WallpaperEntry& entry : list) {
        EXPECT_EQ(entry.GetSource(), spelled);
    }
}

// Bytes that are not UTF-8, in the folder passed or below it, come back as lone surrogates.
TEST_F(FindImagesTest, NamesThatAreNotUtf8KeepEachStrayByte) {
    const fs::path bytes = folder.Path() / "bytes";
    fs::create_directories(bytes / "\xC4pfel");
    for (const char* name : {"r\xF6t.png", "\xC4pfel/b.jpg", "\xC4pfel/c.jp\xC7"}) {
        WriteFile((bytes / name).string(), "x");
    }
    const WideString root = Root() + u"/bytes";
    WallpaperList list;
    core.FindImages(root, list, true);
    EXPECT_EQ(Sorted(Files(list)), Sorted({root + u"/r\xDCF6t.png", root + u"/\xDCC4pfel/b.jpg"}));
    list.clear();
    core.FindImages(root + u"/\xDCC4pfel", list, false);
    EXPECT_EQ(list, (WallpaperList{{root + u"/\xDCC4pfel", root + u"/\xDCC4pfel/b.jpg"}}));
}

// A surrogate that stands for no byte reaches the file system as '?': the entries keep the
// folder as spelled and the file as listed.
TEST_F(FindImagesTest, FolderSpelledWithAnUnpairedSurrogateListsTheFolderItBecomes) {
    fs::create_directories(folder.Path() / "odd?");
    WriteFile((folder.Path() / "odd?" / "a.jpg").string(), "x");
    const WideString spelled = Root() + u"/odd" + char16_t(0xDC01);
    WallpaperList list;
    core.FindImages(spelled, list, false);
    EXPECT_EQ(list, (WallpaperList{{spelled, Root() + u"/odd?/a.jpg"}}));
}

TEST_F(FindImagesTest, AppendsAfterWhatTheListHolds) {
    WallpaperList list{{u"s", u"first"}};
    core.FindImages(Root(), list, false);
    const std::size_t once = list.size() - 1;
    core.FindImages(Root(), list, false);
    ASSERT_EQ(list.size(), 1 + 2 * once);
    EXPECT_EQ(list.front(), (WallpaperEntry{u"s", u"first"}));
    for (std::size_t i = 0; i < once; ++i) {
        EXPECT_EQ(list[1 + i], list[1 + once + i]);
    }
}

TEST_F(FindImagesTest, MissingPathThrowsAndLeavesTheListAlone) {
    WallpaperList list{{u"s", u"first"}};
    try {
        core.FindImages(Root() + u"/nothing here", list, true);
        FAIL() << "no exception";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Specified path does not exist: ");
    }
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(FindImagesTest, PathOfAFileRaisesAFileSystemError) {
    for (const bool withSubfolders : {false, true}) {
        WallpaperList list{{u"s", u"first"}};
        EXPECT_THROW(core.FindImages(Root() + u"/a.jpg", list, withSubfolders),
                     boost::filesystem::filesystem_error);
        EXPECT_EQ(list.size(), 1u);
    }
}

TEST_F(FindImagesTest, EmptyFolderAppendsNothing) {
    fs::create_directory(folder.Path() / "empty");
    WallpaperList list;
    core.FindImages(Root() + u"/empty", list, true);
    core.FindImages(Root() + u"/empty", list, false);
    EXPECT_TRUE(list.empty());
}

TEST_F(FindImagesTest, FolderThatCannotBeOpenedStopsTheWalkKeepingWhatWasFound) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root opens every folder";
    }
    const fs::path locked = folder.Path() / "sub" / "deeper";
    fs::permissions(locked, fs::no_perms);
    WallpaperList list;
    EXPECT_THROW(core.FindImages(Root(), list, true), boost::filesystem::filesystem_error);
    const auto files = Files(list);
    EXPECT_EQ(std::find(files.begin(), files.end(), Root() + u"/sub/deeper/c.bmp"), files.end());
}

}  // namespace
