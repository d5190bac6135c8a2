#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <string>

#include "platform/linux/change/HelperProcess.h"
#include "tests/platform/desktops/DesktopTestSupport.h"

namespace {

using namespace desktop_test;
using platform_test::TemporaryFolder;
using Clock = std::chrono::steady_clock;

TEST(HelperProcessTest, SucceedsOnlyWhenTheProgramExitsWithZero) {
    EXPECT_TRUE(HelperProcess::Run({"true"}));
    EXPECT_FALSE(HelperProcess::Run({"false"}));
    EXPECT_FALSE(HelperProcess::Run({"vornk-no-such-program"}));
    EXPECT_FALSE(HelperProcess::Run({}));
    EXPECT_FALSE(HelperProcess::Run({"sh", "-c", "kill -TERM $$"}));
}

TEST(HelperProcessTest, ArgumentsArriveUnchangedWithoutAShell) {
    TemporaryFolder folder;
    const std::string source = folder / "source";
    platform_test::WriteFile(source, "content");
    const std::string target = folder / HostileFolderName();
    ASSERT_TRUE(HelperProcess::Run({"cp", source, target}));
    EXPECT_EQ(platform_test::ReadFile(target), "content");
    EXPECT_FALSE(boost::filesystem::exists(folder / "vornk-injected"));
    EXPECT_FALSE(boost::filesystem::exists("vornk-injected"));
}

TEST(HelperProcessTest, AHungProgramIsGivenUpAfterTheTimeoutAndEnded) {
    TemporaryFolder folder;
    const std::string pidFile = folder / "helper.pid";
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(HelperProcess::Run({"sh", "-c", "echo $$ > \"$0\"; exec sleep 300", pidFile},
                                    std::chrono::seconds(2)));
    // The timeout fired: the helper would have hung for minutes.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(60));
    EXPECT_NE(kill(std::stoi(platform_test::ReadFile(pidFile)), 0), 0);
}

TEST(HelperProcessTest, ADetachedProgramRunsUntilStopped) {
    const pid_t pid = HelperProcess::StartDetached({"sleep", "30"});
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(HelperProcess::WaitForExit(pid, std::chrono::milliseconds(200)));
    // In a session of its own, so that it outlives the program.
    EXPECT_EQ(getsid(pid), pid);
    HelperProcess::Stop(pid);
    EXPECT_NE(kill(pid, 0), 0);
    EXPECT_EQ(HelperProcess::StartDetached({"vornk-no-such-program"}), -1);
}

}  // namespace
