#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "model/ProductInfo.h"
#include "platform/remote/RemoteControlClient.h"
#include "platform/windows/CopyDataProtocol.h"
#include "platform/windows/MainWindowClass.h"
#include "tests/windows/WindowOwnerProcess.h"

namespace {

// A message-only window of this test, named as the sender of hand-made messages.
class SenderWindow final {
public:
    SenderWindow()
        : handle(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr)) {}
    ~SenderWindow() { DestroyWindow(handle); }
    SenderWindow(const SenderWindow&) = delete;
    SenderWindow& operator=(const SenderWindow&) = delete;

    HWND Handle() const { return handle; }

private:
    HWND handle;
};

WideString ServedWith(const WideString& taken) {
    return WindowOwnerProcess::kServedWallpaper + taken;
}

// The running copy's answer, or a marker that it gave none.
WideString CurrentWallpaper() {
    WideString current;
    return QueryCurrentWallpaper(current) == RemoteOutcome::Taken ? current : u"(no answer)";
}

TEST(RemoteControlTest, WithoutTheMainWindowNoCopyRuns) {
    WideString current;
    EXPECT_EQ(SendRemoteRequest(RemoteRequest::NextWallpaper, true), RemoteOutcome::NoCopyRuns);
    EXPECT_EQ(QueryCurrentWallpaper(current), RemoteOutcome::NoCopyRuns);
}

// Between two processes, as a command-line copy reaches the running one.
TEST(RemoteControlTest, RequestsReachTheRunningCopyInOrderAndTheAnswerIsItsPath) {
    const WindowOwnerProcess runningCopy(kMainWindowClass, product::kName, true);
    ASSERT_TRUE(runningCopy.IsReady()) << "the window could not be created (no display?)";
    EXPECT_EQ(CurrentWallpaper(), ServedWith(u""));
    for (const RemoteRequest request :
         {RemoteRequest::NextWallpaper, RemoteRequest::PreviousWallpaper, RemoteRequest::ShowWindow,
          RemoteRequest::Exit}) {
        EXPECT_EQ(SendRemoteRequest(request, true), RemoteOutcome::Taken);
    }
    EXPECT_EQ(CurrentWallpaper(), ServedWith(u"next previous show exit "));
}

TEST(RemoteControlTest, MalformedAndSenderlessMessagesAreRefusedAndChangeNothing) {
    const WindowOwnerProcess runningCopy(kMainWindowClass, product::kName, true);
    ASSERT_TRUE(runningCopy.IsReady()) << "the window could not be created (no display?)";
    const HWND receiver = FindWindowA(kMainWindowClass, product::kName);
    const SenderWindow sender;
    const struct {
        const char* what;
        bool withSender;
        ULONG_PTR tag;
        std::string bytes;
    } cases[] = {
        {"no sender window", false, copy_data_protocol::kRequestTag, "next"},
        {"another tag", true, copy_data_protocol::kReplyTag, "next"},
        {"unknown word", true, copy_data_protocol::kRequestTag, "format c:"},
        {"word with a trailing zero", true, copy_data_protocol::kRequestTag,
         std::string("next", 5)},
        {"empty", true, copy_data_protocol::kRequestTag, ""},
        {"too long", true, copy_data_protocol::kRequestTag, std::string(65, 'n')},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(copy_data_protocol::Send(receiver, row.withSender ? sender.Handle() : nullptr,
                                              row.tag, row.bytes));
    }
    EXPECT_TRUE(copy_data_protocol::Send(receiver, sender.Handle(), copy_data_protocol::kRequestTag,
                                         "show"));
    EXPECT_EQ(CurrentWallpaper(), ServedWith(u"show "));
}

// The running copy replies on its GUI thread. A sender window whose thread does not take the
// reply (here this thread, waiting for the asker without taking messages) must not hold that
// thread for as long as an asker waits.
TEST(RemoteControlTest, ASenderWindowThatTakesNoReplyIsGivenUpSoon) {
    const WindowOwnerProcess runningCopy(kMainWindowClass, product::kName, true);
    ASSERT_TRUE(runningCopy.IsReady()) << "the window could not be created (no display?)";
    const HWND receiver = FindWindowA(kMainWindowClass, product::kName);
    const SenderWindow deaf;
    // A thread that has just taken its messages is not hung, so the reply waits for it.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    bool answered = true;
    std::chrono::steady_clock::duration took{};
    std::thread asker([&] {
        const auto start = std::chrono::steady_clock::now();
        answered = copy_data_protocol::Send(receiver, deaf.Handle(),
                                            copy_data_protocol::kRequestTag, "current");
        took = std::chrono::steady_clock::now() - start;
    });
    asker.join();
    EXPECT_FALSE(answered);
    EXPECT_LT(took, std::chrono::milliseconds(copy_data_protocol::kTimeoutMs / 2));
    EXPECT_EQ(CurrentWallpaper(), ServedWith(u""));
}

}  // namespace
