#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem/operations.hpp>
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "persistence/XmlMemento.h"
#include "tests/persistence/SettingsFolderTest.h"

namespace fs = boost::filesystem;

namespace {

constexpr int kSourceCount = 3000;
constexpr int kKills = 250;
constexpr int kKillsDuringWrite = 30;

// One complete state of the sources and the settings; the writer alternates between two.
struct Generation {
    explicit Generation(int index) {
        const std::string folder = "/home/user/Pictures/generation " + std::to_string(index);
        for (int i = 0; i < kSourceCount; ++i) {
            sourceManager.AddFileSource(FromUtf8(folder + "/holiday photo \xC3\xA9t\xC3\xA9 " +
                                                 std::to_string(i) + ".jpg"));
        }
        settings.SetOnloadChange(index == 1);
        settings.SetTimerChange(index == 0);
        settings.SetChangeInterval(index == 0 ? 60 : 43200);
    }

    void Save() {
        sourceManager.Notify();
        settings.Notify();
    }

    SourceManager sourceManager;
    WallpaperChanger changer{sourceManager};
    ApplicationSettings settings;
};

struct Contents {
    std::string sources;
    std::string settings;
};

[[noreturn]] void RewriteUntilKilled(Generation& first, Generation& second) {
    try {
        for (;;) {
            second.Save();
            first.Save();
        }
    } catch (...) {
        std::_Exit(2);
    }
}

bool ParsesAsInfo(const std::string& text) {
    try {
        std::istringstream stream(text);
        boost::property_tree::ptree tree;
        boost::property_tree::read_info(stream, tree);
        return !tree.empty();
    } catch (const std::exception&) {
        return false;
    }
}

// Removes the temporary files a killed writer left behind; returns how many there were.
int RemoveLeftovers(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".tmp") {
            fs::remove(entry.path());
            ++count;
        }
    }
    return count;
}

void WaitMicroseconds(std::mt19937& random, int most) {
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, most)(random)));
}

bool HasLeftover(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".tmp") {
            return true;
        }
    }
    return false;
}

void WaitForLeftover(const fs::path& folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!HasLeftover(folder) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

class XmlMementoCrashTest : public SettingsFolderTest {
protected:
    Contents SavedContents(Generation& generation, const std::string& name) {
        fs::create_directory(root / name);
        UseSettingsFolder(root / name);
        XmlMemento memento(generation.sourceManager, generation.changer, generation.settings);
        generation.Save();
        return {ReadBytes("sources.info"), ReadBytes("settings.info")};
    }
};

TEST_F(XmlMementoCrashTest, KilledWriterLeavesEachFileOldOrNewAndWhole) {
    Generation first(0);
    Generation second(1);
    const Contents firstContents = SavedContents(first, "first");
    const Contents secondContents = SavedContents(second, "second");
    ASSERT_GT(firstContents.sources.size(), 300000u);
    // Each file is then checked against these byte for byte, so it parses whenever they do.
    for (const Contents& contents : {firstContents, secondContents}) {
        ASSERT_TRUE(ParsesAsInfo(contents.sources));
        ASSERT_TRUE(ParsesAsInfo(contents.settings));
    }

    UseSettingsFolder(root / "settings");
    XmlMemento firstMemento(first.sourceManager, first.changer, first.settings);
    XmlMemento secondMemento(second.sourceManager, second.changer, second.settings);
    first.Save();

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    int killsDuringWrite = 0;
    int killsSurvived = 0;
    int newContentSeen = 0;
    // How many kills land in the middle of a write depends on how busy the machine is: the kills
    // go on until enough have, within a bound on the time it takes.
    int kill = 0;
    for (; kill < kKills || (killsDuringWrite < kKillsDuringWrite && kill < 4 * kKills); ++kill) {
        const pid_t writer = fork();
        ASSERT_NE(writer, -1);
        if (writer == 0) {
            RewriteUntilKilled(first, second);
        }
        // Half of the kills come at any moment, half shortly after a write has begun, which
        // is otherwise a small part of the writer's time.
        if (kill % 2 == 0) {
            WaitMicroseconds(random, 60000);
        } else {
            WaitForLeftover(folder);
            WaitMicroseconds(random, 100);
        }
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended by itself, status " << status;

        SCOPED_TRACE("kill " + std::to_string(kill) + ", seed " + std::to_string(seed));
        const std::string sources = ReadBytes("sources.info");
        const std::string settingsText = ReadBytes("settings.info");
        const bool sourcesWhole =
            sources == firstContents.sources || sources == secondContents.sources;
        const bool settingsWhole =
            settingsText == firstContents.settings || settingsText == secondContents.settings;
        EXPECT_TRUE(sourcesWhole) << "sources.info has " << sources.size() << " bytes";
        EXPECT_TRUE(settingsWhole) << settingsText;
        if (!sourcesWhole || !settingsWhole) {
            break;
        }
        ++killsSurvived;
        killsDuringWrite += RemoveLeftovers(folder) > 0 ? 1 : 0;
        newContentSeen += sources == secondContents.sources ? 1 : 0;
    }

    std::cout << "kills survived: " << killsSurvived << " of " << kill << ", " << killsDuringWrite
              << " of them in the middle of a write, " << newContentSeen
              << " found the new sources (seed " << seed << ")\n";
    RecordProperty("kills_survived", killsSurvived);
    RecordProperty("kills_during_write", killsDuringWrite);
    // Without kills in the middle of a write, or without writes, the test would prove nothing.
    EXPECT_GE(killsDuringWrite, kKillsDuringWrite);
    EXPECT_GT(newContentSeen, 0);
}

}  // namespace
