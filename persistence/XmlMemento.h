#pragma once

#include "model/SubscriberInterface.h"
#include "model/WideString.h"

class AlgorithmManager;
class ApplicationSettings;
class SourceManager;
class WallpaperChanger;

// Rewrites the matching settings file whenever one of its four publishers notifies, and reads
// all four files back at start-up.
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
    // The wallpaper that "current_wallpaper.txt" named at start-up: the desktop still shows it,
    // but the changer's own current wallpaper stays empty until a change.
    const WideString& LoadedWallpaper() const { return loadedWallpaper; }

private:
    void AttachToPublishers();
    void DetachFromPublishers();
    void SaveSources();
    void SaveSettings();
    void SaveCurrentWallpaper();
    void SaveCurrentAlgorithm();
    void LoadSources();
    void LoadCurrentWallpaper();
    void LoadCurrentAlgorithm();
    void LoadSettings();

    WideString sourcesFile;
    WideString currentWallpaperFile;
    WideString currentAlgorithmFile;
    WideString settingsFile;
    WideString loadedWallpaper;
    SourceManager& sourceManager;
    AlgorithmManager& algorithmManager;
    WallpaperChanger& changer;
    ApplicationSettings& settings;
};
