#pragma once

#include <vector>

#include "model/SubscriberInterface.h"
#include "model/WideString.h"

class AlgorithmManager;
class ApplicationSettings;
class SourceManager;
class WallpaperChanger;

// Rewrites the matching settings file whenever one of its four publishers notifies, and reads
// the files back at start-up. The changer's set of pictures, one for each monitor, is kept in
// "current_wallpapers.txt" beside its first picture in "current_wallpaper.txt".
class XmlMemento final : public SubscriberInterface {
public:
    XmlMemento(SourceManager& sourceManager, WallpaperChanger& changer,
               ApplicationSettings& settings);
    ~XmlMemento() override;
    XmlMemento(const XmlMemento&) = delete;
    XmlMemento& operator=(const XmlMemento&) = delete;

    void Update(PublisherInterface* publisher) override;
    // Failures are reported on the standard error stream, one message per file.
    void Load();
    // The pictures shown when the program last ran: the set that "current_wallpapers.txt"
    // named when its first picture is the one "current_wallpaper.txt" names, else that one alone
    // (none when there is none). The desktop still shows them, but the changer's own current
    // wallpapers stay empty until a change.
    const std::vector<WideString>& LoadedWallpapers() const { return loadedWallpapers; }

private:
    void AttachToPublishers();
    void DetachFromPublishers();
    void SaveSources();
    void SaveSettings();
    void SaveCurrentWallpaper();
    void SaveCurrentAlgorithm();
    void LoadSources();
    void LoadCurrentWallpaper();
    void LoadCurrentWallpapers();
    void ResumeAfterLoadedWallpapers();
    void LoadCurrentAlgorithm();
    void LoadSettings();

    WideString sourcesFile;
    WideString currentWallpaperFile;
    WideString currentWallpapersFile;
    WideString currentAlgorithmFile;
    WideString settingsFile;
    WideString loadedWallpaper;
    std::vector<WideString> loadedWallpapers;
    SourceManager& sourceManager;
    AlgorithmManager& algorithmManager;
    WallpaperChanger& changer;
    ApplicationSettings& settings;
};
