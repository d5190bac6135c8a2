#include "tests/persistence/SettingsFolderTest.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <boost/filesystem/operations.hpp>

#include "sources/AlgorithmManager.h"
#include "tests/fakes/FakeCore.h"

namespace fs = boost::filesystem;

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream stream(path.string(), std::ios::binary);
    EXPECT_TRUE(stream.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void SettingsFolderTest::SetUp() {
    root = fs::temp_directory_path() / fs::unique_path("vornk-persistence-%%%%-%%%%-%%%%");
    fs::create_directories(root / "settings");
    FakeCore::Instance().Reset();
    UseSettingsFolder(root / "settings");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
}

void SettingsFolderTest::TearDown() {
    fs::remove_all(root);
}

void SettingsFolderTest::UseSettingsFolder(const fs::path& path) {
    folder = path;
    FakeCore::Instance().SetSettingsFolder(FromUtf8(path.string()));
}

fs::path SettingsFolderTest::File(const std::string& name) const {
    return folder / name;
}

std::string SettingsFolderTest::ReadBytes(const std::string& name) const {
    return ReadFileBytes(File(name));
}

void SettingsFolderTest::WriteBytes(const std::string& name, const std::string& content) const {
    std::ofstream stream(File(name).string(), std::ios::binary | std::ios::trunc);
    stream << content;
    ASSERT_TRUE(stream.good()) << name;
}

bool SettingsFolderTest::Exists(const std::string& name) const {
    return fs::exists(File(name));
}

std::vector<std::string> SettingsFolderTest::FolderListing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
