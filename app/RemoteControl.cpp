#include "app/RemoteControl.h"

#include <QMetaObject>
#include <utility>

#include "model/WallpaperChanger.h"
#include "platform/remote/RemoteControlServer.h"
#include "ui/MainWindow.h"

RemoteControl::RemoteControl(MainWindow& mainWindow, WallpaperChanger& changer,
                             std::vector<WideString> loadedWallpapers)
    : mainWindow(mainWindow), changer(changer), loadedWallpapers(std::move(loadedWallpapers)) {
    server = CreateRemoteControlServer(static_cast<std::uintptr_t>(mainWindow.winId()), *this);
    changer.Attach(this);
}

RemoteControl::~RemoteControl() {
    changer.Detach(this);
}

// Queued, so that the caller is answered before a change starts.
void RemoteControl::Accept(RemoteRequest request) {
    QMetaObject::invokeMethod(
        &queue, [this, request] { CarryOut(request); }, Qt::QueuedConnection);
}

WideString RemoteControl::CurrentWallpaper() const {
    const std::vector<WideString> current = CurrentWallpapers();
    return current.empty() ? WideString() : current.front();
}

std::vector<WideString> RemoteControl::CurrentWallpapers() const {
    const std::vector<WideString>& current = changer.GetCurrentWallpapers();
    return current.empty() ? loadedWallpapers : current;
}

void RemoteControl::Update(PublisherInterface*) {
    if (server) {
        server->CurrentWallpaperChanged();
    }
}

void RemoteControl::CarryOut(RemoteRequest request) {
    switch (request) {
        case RemoteRequest::NextWallpaper:
            mainWindow.TriggerNextWallpaper();
            break;
        case RemoteRequest::PreviousWallpaper:
            mainWindow.TriggerPreviousWallpaper();
            break;
        case RemoteRequest::ShowWindow:
            mainWindow.ShowSelf();
            break;
        case RemoteRequest::Exit:
            mainWindow.TriggerExit();
            break;
    }
}
