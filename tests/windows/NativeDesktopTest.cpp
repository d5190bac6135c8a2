#include "platform/NativeDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "model/ProductInfo.h"
#include "platform/windows/MainWindowClass.h"
#include "platform/windows/Win32String.h"
#include "tests/windows/TestEnvironment.h"
#include "tests/windows/WindowOwnerProcess.h"

namespace {

// A fresh folder under the temporary folder for one test.
WideString NewTestFolder() {
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temporary);
    const WideString folder = FromWin32(temporary, wcslen(temporary)) + u"vornk-" +
                              Widen(std::to_string(GetCurrentProcessId()));
    CreateDirectoryW(AsWin32(folder), nullptr);
    return folder;
}

bool IsFolder(const WideString& path) {
    const DWORD attributes = GetFileAttributesW(AsWin32(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<WideString> EntryNames(const WideString& folder) {
    std::vector<WideString> names;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(AsWin32(folder + u"\\*"), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const WideString name = FromWin32(entry.cFileName, wcslen(entry.cFileName));
        if (name != u"." && name != u"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(NativeDesktopTest, ApplicationDataFolderIsTheRoamingFolderOfTheUser) {
    const auto folder = GetApplicationDataFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, EnvironmentText(L"APPDATA"));
}

TEST(NativeDesktopTest, CreateFolderMakesOneLevelAndKeepsEveryCodeUnitOfItsName) {
    const WideString base = NewTestFolder();
    const WideString unicodeName = u"Zürich – 東京 \U0001D11E";
    const struct {
        WideString name;
        bool created;
    } cases[] = {
        {u"Vornk Software", true},
        {u"Vornk Software", true},  // already there: nothing to report
        {unicodeName, true},
        {u"missing parent\\child", false},
    };
    for (const auto& row : cases) {
        CreateFolder(base + u"\\" + row.name);
        EXPECT_EQ(IsFolder(base + u"\\" + row.name), row.created);
    }
    EXPECT_EQ(EntryNames(base), (std::vector<WideString>{u"Vornk Software", unicodeName}));
}

TEST(SingleInstanceTest, MainWindowClassIsTheOneQtRegistersForTopLevelWindows) {
    std::string digits = VORNK_TEST_QT_VERSION;
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    EXPECT_EQ(std::string(kMainWindowClass), "Qt" + digits + "QWindowIcon");
}

TEST(SingleInstanceTest, NoOtherCopyWithoutItsWindow) {
    EXPECT_FALSE(IsAnotherCopyRunning());
}

TEST(SingleInstanceTest, FindsOnlyTheMainWindowOfAnotherCopy) {
    const struct {
        std::string windowClass;
        std::string title;
        bool found;
    } cases[] = {
        {kMainWindowClass, product::kName, true},
        {"QWidget", product::kName, false},
        {kMainWindowClass, std::string(product::kName) + " - Options", false},
        {kMainWindowClass, "Vornk Wallpaper", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.windowClass + " / " + row.title);
        const WindowOwnerProcess otherCopy(row.windowClass, row.title);
        ASSERT_TRUE(otherCopy.IsReady()) << "the window could not be created (no display?)";
        EXPECT_EQ(IsAnotherCopyRunning(), row.found);
    }
}

// A visible top-level window of this thread, destroyed with the object.
class TestWindow final {
public:
    explicit TestWindow(const char* title) {
        static const ATOM registered = [] {
            WNDCLASSA description{};
            description.lpfnWndProc = DefWindowProcA;
            description.hInstance = GetModuleHandleA(nullptr);
            description.lpszClassName = kClassName;
            return RegisterClassA(&description);
        }();
        (void)registered;
        handle = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() { DestroyWindow(handle); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return handle; }

private:
    static constexpr char kClassName[] = "VornkFrontTestWindow";

    HWND handle;
};

TEST(BringNativeWindowToFrontTest, RestoresAMinimisedWindowAndGivesItTheFocus) {
    const TestWindow window("main window");
    const TestWindow other("another program");
    ASSERT_NE(window.Handle(), nullptr) << "no display?";
    ShowWindow(window.Handle(), SW_MINIMIZE);
    SetForegroundWindow(other.Handle());
    ASSERT_TRUE(IsIconic(window.Handle()));
    ASSERT_EQ(GetForegroundWindow(), other.Handle());

    BringNativeWindowToFront(reinterpret_cast<std::uintptr_t>(window.Handle()));

    EXPECT_FALSE(IsIconic(window.Handle()));
    EXPECT_EQ(GetForegroundWindow(), window.Handle());
    EXPECT_EQ(GetActiveWindow(), window.Handle());
    EXPECT_EQ(GetFocus(), window.Handle());
}

}  // namespace
