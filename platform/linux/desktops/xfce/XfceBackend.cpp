#include "platform/linux/desktops/xfce/XfceBackend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QVariantMap>

#include "platform/linux/dbus/SessionBus.h"
#include "platform/linux/desktops/MonitorPictureFiles.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"
#include "platform/linux/x11/X11MonitorLayout.h"

namespace {

constexpr char kService[] = "org.xfce.Xfconf";
constexpr char kObject[] = "/org/xfce/Xfconf";
constexpr char kInterface[] = "org.xfce.Xfconf";
constexpr char kChannel[] = "xfce4-desktop";
constexpr char kImageKey[] = "/last-image";
constexpr char kStyleKey[] = "/image-style";
constexpr int kZoom = 5;  // fills the monitor, keeping the aspect ratio

QDBusMessage Send(const SessionBus& bus, const QString& method, const QVariantList& arguments) {
    return bus.Call(kService, kObject, kInterface, method, arguments);
}

// A call whose error reply means the change failed.
QDBusMessage Call(const SessionBus& bus, const QString& method, const QVariantList& arguments) {
    const QDBusMessage reply = Send(bus, method, arguments);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        FailToShowWallpaper();
    }
    return reply;
}

// The folders (/backdrop/screenS/monitorM/workspaceW) that already have a last-image. xfconf
// answers with an error when there is no property under /backdrop at all.
QSet<QString> ExistingWorkspaceFolders(const SessionBus& bus) {
    const QDBusMessage reply =
        Send(bus, "GetAllProperties", {QString(kChannel), QStringLiteral("/backdrop")});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (reply.errorName().startsWith(QLatin1String("org.xfce.Xfconf.Error"))) {
            return {};
        }
        FailToShowWallpaper();  // no xfconfd, or one that does not answer
    }
    const QVariantMap properties =
        qdbus_cast<QVariantMap>(reply.arguments().value(0).value<QDBusArgument>());
    static const QRegularExpression lastImage(
        QStringLiteral("^(/backdrop/screen\\d+/monitor[^/]+/workspace\\d+)/last-image$"));
    QSet<QString> folders;
    for (auto property = properties.cbegin(); property != properties.cend(); ++property) {
        const QRegularExpressionMatch match = lastImage.match(property.key());
        if (match.hasMatch()) {
            folders.insert(match.captured(1));
        }
    }
    return folders;
}

QString WorkspaceFolder(int screen, const std::string& monitor, int workspace) {
    return QStringLiteral("/backdrop/screen%1/monitor%2/workspace%3")
        .arg(screen)
        .arg(QString::fromStdString(monitor))
        .arg(workspace);
}

// Every workspace of every monitor that shows something now: a monitor that was never given
// a background has no properties yet, and xfdesktop draws it as soon as they appear.
QSet<QString> ConnectedWorkspaceFolders() {
    const X11MonitorLayout layout = X11MonitorLayout::Query();
    QSet<QString> folders;
    for (const std::string& monitor : layout.monitors) {
        for (int workspace = 0; workspace < layout.workspaces; ++workspace) {
            folders.insert(WorkspaceFolder(layout.screen, monitor, workspace));
        }
    }
    return folders;
}

void SetProperty(const SessionBus& bus, const QString& property, const QVariant& value) {
    Call(bus, "SetProperty",
         {QString(kChannel), property, QVariant::fromValue(QDBusVariant(value))});
}

QString GetString(const SessionBus& bus, const QString& property) {
    const QDBusMessage reply = Call(bus, "GetProperty", {QString(kChannel), property});
    return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
}

QString AbsolutePath(const std::string& picturePath) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(QString::fromStdString(picturePath)));
}

// Workspace folders and the picture each is to show.
using Assignment = QList<QPair<QString, QString>>;

// xfdesktop watches the file of a plain path and ignores a value set to what it holds. So each
// change sets the same file under another spelling of its path first, which makes it reload
// although the path is the same. (An empty value would do that too, but then xfdesktop shows
// its bare background for a moment.)
void Assign(const SessionBus& bus, const Assignment& pictures) {
    for (const auto& [folder, path] : pictures) {
        const QFileInfo file(path);
        SetProperty(bus, folder + kImageKey, file.path() + QStringLiteral("/./") + file.fileName());
    }
    for (const auto& [folder, path] : pictures) {
        SetProperty(bus, folder + kStyleKey, kZoom);
        SetProperty(bus, folder + kImageKey, path);
    }
    for (const auto& [folder, path] : pictures) {
        if (GetString(bus, folder + kImageKey) != path) {
            FailToShowWallpaper();
        }
    }
}

void RequireConnected(const SessionBus& bus) {
    if (!bus.Connection().isConnected()) {
        FailToShowWallpaper();
    }
}

}  // namespace

void XfceBackend::ShowWallpaper(const std::string& bitmapPath) {
    const SessionBus bus;
    RequireConnected(bus);
    QSet<QString> folders = ExistingWorkspaceFolders(bus);
    folders.unite(ConnectedWorkspaceFolders());
    if (folders.isEmpty()) {
        FailToShowWallpaper();
    }
    const QString path = AbsolutePath(bitmapPath);
    Assignment pictures;
    for (const QString& folder : folders) {
        pictures.append({folder, path});
    }
    Assign(bus, pictures);
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
    MonitorPictureFiles::RemoveBeside(bitmapPath);
}

std::vector<DesktopMonitor> XfceBackend::Monitors() {
    return X11DesktopMonitors::Query();
}

// Each monitor's workspaces get its picture; monitors not connected now keep theirs.
void XfceBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                 const std::string& bitmapPath) {
    const SessionBus bus;
    RequireConnected(bus);
    const std::vector<std::string> files = MonitorPictureFiles::Replace(pictures, bitmapPath);
    const X11MonitorLayout layout = X11MonitorLayout::Query();
    Assignment assignment;
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        for (int workspace = 0; workspace < layout.workspaces; ++workspace) {
            assignment.append(
                {WorkspaceFolder(layout.screen, pictures[index].monitor.name, workspace),
                 AbsolutePath(files[index])});
        }
    }
    Assign(bus, assignment);
    ScreenPictureFile::RemoveUnlessShown(files.front());
}
