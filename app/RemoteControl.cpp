#include "app/RemoteControl.h"

#include <QMetaObject>
#include <utility>

#include "model/WallpaperChanger.h"
#include "platform/remote/RemoteControlServer.h"
#include "ui/MainWindow.h"

RemoteControl::RemoteControl(MainWindow& mainWindow, WallpaperChanger& changer,
                             WideString loadedWallpaper)
    : mainWindow(mainWindow), changer(changer), loadedWallpaper(std::move(loadedWallpaper)) {
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
    WideString current = changer.GetCurrentWallpaper();
    return current.empty() ? loadedWallpaper : current;
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
