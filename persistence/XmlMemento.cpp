#include "persistence/XmlMemento.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/fstream.hpp>
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/system/error_code.hpp>

#include "model/ApplicationSettings.h"
#include "model/WallpaperChanger.h"
#include "persistence/FilePath.h"
#include "persistence/TextLine.h"
#include "platform/CoreInterface.h"
#include "platform/FileReplacement.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"

namespace fs = boost::filesystem;
namespace pt = boost::property_tree;

namespace {

using Tree = pt::ptree;

WideString SettingsFilePath(const char16_t* name) {
    return JoinPath(GetCore().GetSettingsFolder(), name);
}

// Values are read in the classic locale, so that a global locale cannot change their meaning.
template <typename Value>
Value ReadValue(const Tree& node) {
    using Translator = pt::translator_between<std::string, Value>::type;
    return node.get_value<Value>(Translator(std::locale::classic()));
}

std::string BooleanText(bool value) {
    return value ? "true" : "false";
}

Tree ReadInfoFile(const WideString& file) {
    fs::ifstream stream(ToFilePath(file));
    if (!stream.is_open()) {
        throw pt::info_parser_error("cannot open file for reading", ToUtf8(file), 0);
    }
    Tree tree;
    pt::read_info(stream, tree);
    return tree;
}

void WriteInfoFile(const WideString& file, const Tree& tree) {
    std::ostringstream text;
    pt::write_info(text, tree, pt::info_writer_make_settings(' ', 4));
    ReplaceFileAtomically(ToFilePath(file), text.str());
}

// At most `most` lines. Nothing when the file cannot be opened; an error when it opens but
// cannot be read.
std::optional<std::vector<std::string>> ReadLines(
    const WideString& file, std::size_t most = std::numeric_limits<std::size_t>::max()) {
    const fs::path path = ToFilePath(file);
    fs::ifstream stream(path, std::ios::in | std::ios::binary);
    if (!stream.is_open()) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::string line; lines.size() < most && std::getline(stream, line);) {
        lines.push_back(line);
    }
    if (stream.bad()) {
        throw fs::filesystem_error(
            "Can't read file", path,
            boost::system::errc::make_error_code(boost::system::errc::io_error));
    }
    return lines;
}

// An empty file has an empty first line.
std::optional<std::string> ReadFirstLine(const WideString& file) {
    const auto lines = ReadLines(file, 1);
    if (!lines) {
        return std::nullopt;
    }
    return lines->empty() ? std::string() : lines->front();
}

void WriteTextFile(const WideString& file, const WideString& text) {
    ReplaceFileAtomically(ToFilePath(file), EncodeTextLine(text));
}

// Each line on its own, as current_wallpaper.txt holds one.
void WriteTextLines(const WideString& file, const std::vector<WideString>& lines) {
    std::string text;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (index > 0) {
            text += '\n';
        }
        text += EncodeTextLine(lines[index]);
    }
    ReplaceFileAtomically(ToFilePath(file), text);
}

bool IsListed(const WallpaperList& list, const WideString& file) {
    return std::ranges::any_of(list,
                               [&](const WallpaperEntry& entry) { return entry.HasFile(file); });
}

template <typename Step>
void RunLoadStep(Step step, const char* failureMessage) {
    try {
        step();
    } catch (const std::runtime_error&) {
        std::cerr << failureMessage;
    }
}

}  // namespace

XmlMemento::XmlMemento(SourceManager& sourceManager, WallpaperChanger& changer,
                       ApplicationSettings& settings)
    : sourcesFile(SettingsFilePath(u"sources.info")),
      currentWallpaperFile(SettingsFilePath(u"current_wallpaper.txt")),
      currentWallpapersFile(SettingsFilePath(u"current_wallpapers.txt")),
      currentAlgorithmFile(SettingsFilePath(u"current_algorithm.txt")),
      settingsFile(SettingsFilePath(u"settings.info")),
      sourceManager(sourceManager),
      algorithmManager(GetAlgorithmManager()),
      changer(changer),
      settings(settings) {
    AttachToPublishers();
}

XmlMemento::~XmlMemento() {
    DetachFromPublishers();
}

void XmlMemento::Update(PublisherInterface* publisher) {
    if (publisher == &algorithmManager) {
        SaveCurrentAlgorithm();
    } else if (publisher == &sourceManager) {
        SaveSources();
    } else if (publisher == &changer) {
        SaveCurrentWallpaper();
    } else if (publisher == &settings) {
        SaveSettings();
    }
}

void XmlMemento::Load() {
    // Detached, so that the notifications of loading rewrite none of the files being read.
    DetachFromPublishers();
    RunLoadStep([this] { LoadSources(); }, "Can't load source manager settings");
    RunLoadStep([this] { LoadCurrentWallpaper(); }, "Can't load wallpaper changer settings");
    RunLoadStep([this] { LoadCurrentWallpapers(); }, "Can't load the wallpapers of the monitors");
    ResumeAfterLoadedWallpapers();
    RunLoadStep([this] { LoadCurrentAlgorithm(); }, "Can't load algorithm manager settings");
    RunLoadStep([this] { LoadSettings(); }, "Can't load application settings");
    for (const WideString* file : {&sourcesFile, &currentWallpaperFile, &currentWallpapersFile,
                                   &currentAlgorithmFile, &settingsFile}) {
        RemoveInterruptedReplacements(ToFilePath(*file));
    }
    AttachToPublishers();
}

void XmlMemento::AttachToPublishers() {
    algorithmManager.Attach(this);
    sourceManager.Attach(this);
    changer.Attach(this);
    settings.Attach(this);
}

void XmlMemento::DetachFromPublishers() {
    algorithmManager.Detach(this);
    sourceManager.Detach(this);
    changer.Detach(this);
    settings.Detach(this);
}

void XmlMemento::SaveSources() {
    Tree tree;
    for (const Source& source : sourceManager.GetSources()) {
        Tree module;
        module.put("path", ToUtf8Escaped(source.path));
        module.put("type", std::to_string(static_cast<std::int32_t>(source.type)));
        tree.add_child("sources.module", module);
    }
    WriteInfoFile(sourcesFile, tree);
}

void XmlMemento::SaveSettings() {
    Tree tree;
    tree.put("onload_change", BooleanText(settings.GetOnloadChange()));
    tree.put("timer_change", BooleanText(settings.GetTimerChange()));
    tree.put("change_interval", std::to_string(settings.GetChangeInterval()));
    tree.put("different_per_monitor", BooleanText(settings.GetDifferentPerMonitor()));
    WriteInfoFile(settingsFile, tree);
}

void XmlMemento::SaveCurrentWallpaper() {
    WriteTextFile(currentWallpaperFile, changer.GetCurrentWallpaper());
    WriteTextLines(currentWallpapersFile, changer.GetCurrentWallpapers());
}

void XmlMemento::SaveCurrentAlgorithm() {
    WriteTextFile(currentAlgorithmFile, algorithmManager.GetCurrentAlgorithm()->GetName());
}

void XmlMemento::LoadSources() {
    const Tree tree = ReadInfoFile(sourcesFile);
    for (const auto& child : tree.get_child("sources")) {
        const Tree& module = child.second;
        const auto type =
            static_cast<SourceType>(ReadValue<std::int32_t>(module.get_child("type")));
        const WideString path = FromUtf8Escaped(module.get_child("path").data());
        if (type == SourceType::File) {
            sourceManager.AddFileSource(path);
        } else {
            // Any type but a plain folder, even one this program never writes, takes subfolders.
            sourceManager.AddFolderSource(path, type != SourceType::Folder);
        }
    }
}

// The changer's own wallpaper stays empty: the loaded one only tells where the sequence goes on.
void XmlMemento::LoadCurrentWallpaper() {
    if (const auto line = ReadFirstLine(currentWallpaperFile)) {
        loadedWallpaper = DecodeTextLine(*line);
        if (!loadedWallpaper.empty()) {
            loadedWallpapers = {loadedWallpaper};
        }
    }
}

// A set whose first picture is not the saved wallpaper is left over from a run that kept only
// that one (a build without sets), so the wallpaper alone is what was shown last.
void XmlMemento::LoadCurrentWallpapers() {
    const auto lines = ReadLines(currentWallpapersFile);
    if (!lines) {
        return;
    }
    std::vector<WideString> set;
    for (const std::string& line : *lines) {
        if (!line.empty()) {
            set.push_back(DecodeTextLine(line));
        }
    }
    if (!set.empty() && set.front() == loadedWallpaper) {
        loadedWallpapers = std::move(set);
    }
}

// The sequence continues after the last picture of the set that the list still holds: in the
// in-order walk that is where the last change stopped, even when the set spanned two passes.
void XmlMemento::ResumeAfterLoadedWallpapers() {
    const WallpaperList& list = sourceManager.GetWallpaperList();
    const auto last = std::find_if(loadedWallpapers.rbegin(), loadedWallpapers.rend(),
                                   [&](const WideString& file) { return IsListed(list, file); });
    if (last != loadedWallpapers.rend()) {
        sourceManager.SkipPastWallpaper(*last);
    }
}

void XmlMemento::LoadCurrentAlgorithm() {
    if (const auto line = ReadFirstLine(currentAlgorithmFile)) {
        algorithmManager.SetCurrentAlgorithm(DecodeTextLine(*line));
    }
}

void XmlMemento::LoadSettings() {
    const Tree tree = ReadInfoFile(settingsFile);
    settings.SetOnloadChange(ReadValue<bool>(tree.get_child("onload_change")));
    settings.SetTimerChange(ReadValue<bool>(tree.get_child("timer_change")));
    settings.SetChangeInterval(ReadValue<std::int32_t>(tree.get_child("change_interval")));
    // Files written before the option existed lack it: it is then off.
    const auto differentPerMonitor = tree.get_child_optional("different_per_monitor");
    settings.SetDifferentPerMonitor(differentPerMonitor && ReadValue<bool>(*differentPerMonitor));
}
