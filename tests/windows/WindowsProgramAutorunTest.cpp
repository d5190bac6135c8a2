#include "platform/windows/WindowsProgramAutorun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/windows/RegistryTestHelpers.h"
#include "tests/windows/TestEnvironment.h"
#include "tests/windows/Win32CallRecorder.h"

namespace {

const WideString kRunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const WideString kValueName = u"Vornk Wallpaper Changer";
const WideString kOtherProgram = u"\"C:\\Program Files\\Vornk\\vornk.exe\"";

// The script that runs this program says where it put it.
WideString ExpectedProgramPath() {
    return EnvironmentText(L"VORNK_EXPECTED_PROGRAM");
}
WideString ExpectedData() {
    return u'"' + ExpectedProgramPath() + u'"';
}

WideString SwapLetterCase(WideString text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char16_t unit) -> char16_t {
        if (unit >= u'a' && unit <= u'z') {
            return unit - u'a' + u'A';
        }
        return unit >= u'A' && unit <= u'Z' ? unit - u'A' + u'a' : unit;
    });
    return text;
}

class WindowsProgramAutorunTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ExpectedProgramPath().empty()) << "VORNK_EXPECTED_PROGRAM is not set";
        ClearValues(kRunKey);
    }

    WindowsProgramAutorun autorun{kValueName};
};

TEST_F(WindowsProgramAutorunTest, ProgramPathIsTheWholePathOfTheRunningFile) {
    EXPECT_EQ(WindowsProgramAutorun::GetProgramPath(), ExpectedProgramPath());
}

TEST_F(WindowsProgramAutorunTest, EmptyRunKeyIsNotEnabled) {
    EXPECT_FALSE(autorun.IsEnabled());
}

TEST_F(WindowsProgramAutorunTest, EnablingWritesOneStringOfTheQuotedProgramPath) {
    Win32CallRecorder calls;
    autorun.SetEnabled(true);

    const std::vector<RecordedWrite> expected{{kValueName, REG_SZ, BytesOf(ExpectedData())}};
    EXPECT_EQ(calls.Writes(), expected);
    EXPECT_EQ(ValueNames(kRunKey), std::vector<WideString>{kValueName});
    ExpectStoredText(kRunKey, kValueName, ExpectedData());
    EXPECT_TRUE(autorun.IsEnabled());
}

TEST_F(WindowsProgramAutorunTest, EnablingAgainWritesNothing) {
    autorun.SetEnabled(true);
    Win32CallRecorder calls;
    autorun.SetEnabled(true);

    EXPECT_TRUE(calls.Writes().empty());
    EXPECT_TRUE(autorun.IsEnabled());
}

TEST_F(WindowsProgramAutorunTest, DisablingRemovesOnlyOurValue) {
    WriteUnterminatedString(kRunKey, u"Other program", kOtherProgram);
    autorun.SetEnabled(true);
    autorun.SetEnabled(false);

    EXPECT_EQ(ValueNames(kRunKey), std::vector<WideString>{u"Other program"});
    EXPECT_FALSE(autorun.IsEnabled());
}

TEST_F(WindowsProgramAutorunTest, OurNamePointingElsewhereSurvivesDisablingAndYieldsToEnabling) {
    WriteUnterminatedString(kRunKey, kValueName, kOtherProgram);
    EXPECT_FALSE(autorun.IsEnabled());

    {
        Win32CallRecorder calls;
        autorun.SetEnabled(false);
        EXPECT_TRUE(calls.Deletions().empty());
    }
    ExpectStoredText(kRunKey, kValueName, kOtherProgram);

    autorun.SetEnabled(true);
    ExpectStoredText(kRunKey, kValueName, ExpectedData());
    EXPECT_TRUE(autorun.IsEnabled());
}

TEST_F(WindowsProgramAutorunTest, OnlyOurExactNameWithOurExactQuotedPathCounts) {
    const WideString padding(256 - ExpectedData().size() % 256, u' ');
    const struct {
        const char* why;
        WideString name;
        WideString data;
    } cases[] = {
        {"another name with our path", u"Vornk Wallpaper Changer (old)", ExpectedData()},
        {"our name in other letter case", SwapLetterCase(kValueName), ExpectedData()},
        {"our name with a trailing blank", kValueName + u' ', ExpectedData()},
        {"our path in other letter case", kValueName, SwapLetterCase(ExpectedData())},
        {"our path without quotes", kValueName, ExpectedProgramPath()},
        {"our path with an argument", kValueName, ExpectedData() + u" --hidden"},
        {"data filling the read buffer exactly", kValueName, ExpectedData() + padding},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.why);
        ClearValues(kRunKey);
        WriteUnterminatedString(kRunKey, row.name, row.data);
        EXPECT_FALSE(autorun.IsEnabled());
    }
}

TEST_F(WindowsProgramAutorunTest, UnreadableDataOfOurNameIsNotTakenFromAnEarlierValue) {
    // Enumerated first: a read that fails must not leave this value's data in place.
    WriteUnterminatedString(kRunKey, u"A program listed earlier", ExpectedData());
    WriteUnterminatedString(kRunKey, kValueName, ExpectedData() + WideString(600, u'x'));

    EXPECT_FALSE(autorun.IsEnabled());
}

}  // namespace
