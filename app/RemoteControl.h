#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "model/SubscriberInterface.h"
#include "platform/remote/RemoteRequestHandler.h"

class MainWindow;
class RemoteControlServer;
class WallpaperChanger;

// Carries out requests from other processes the way the main window's menu items do, and tells
// the platform's server when the current wallpaper changes.
class RemoteControl final : public RemoteRequestHandler, public SubscriberInterface {
public:
    // The loaded wallpapers are the current ones until the changer has its own.
    RemoteControl(MainWindow& mainWindow, WallpaperChanger& changer,
                  std::vector<WideString> loadedWallpapers);
    ~RemoteControl() override;
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

    void Accept(RemoteRequest request) override;
    WideString CurrentWallpaper() const override;
    std::vector<WideString> CurrentWallpapers() const override;
    void Update(PublisherInterface* publisher) override;

private:
    void CarryOut(RemoteRequest request);

    MainWindow& mainWindow;
    WallpaperChanger& changer;
    const std::vector<WideString> loadedWallpapers;
    // Owns the queued requests, so that none runs after this object has gone.
    QObject queue;
    std::unique_ptr<RemoteControlServer> server;
};
