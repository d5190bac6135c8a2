#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "model/ApplicationSettings.h"
#include "model/WallpaperChanger.h"
#include "model/WideString.h"
#include "sources/SourceManager.h"

// A fresh settings folder on disk for every test, handed to the fake core, with the objects a
// memento saves and loads.
class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes `path` the core's settings folder; mementos take it at construction.
    void UseSettingsFolder(const boost::filesystem::path& path);

    boost::filesystem::path File(const std::string& name) const;
    std::string ReadBytes(const std::string& name) const;
    void WriteBytes(const std::string& name, const std::string& content) const;
    bool Exists(const std::string& name) const;
    // Names of the files in the folder, in sorted order.
    std::vector<std::string> FolderListing() const;

    boost::filesystem::path root;
    boost::filesystem::path folder;
    SourceManager sourceManager;
    WallpaperChanger changer{sourceManager};
    ApplicationSettings settings;
};

// The bytes of a file, for comparing against the exact content expected.
std::string ReadFileBytes(const boost::filesystem::path& path);
