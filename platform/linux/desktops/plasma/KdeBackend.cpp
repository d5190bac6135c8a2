#include "platform/linux/desktops/plasma/KdeBackend.h"

#include <QDBusMessage>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>

#include "platform/linux/dbus/SessionBus.h"
#include "platform/linux/desktops/plasma/JavaScriptString.h"

namespace {

// Plasma's image wallpaper ignores an Image value equal to the one it shows, so each change
// empties it first. FillMode 2 fills the screen keeping the aspect ratio.
constexpr char kScriptTemplate[] = R"(var image = %1;
var changed = 0;
var all = desktops();
for (var index = 0; index < all.length; ++index) {
    var desktop = all[index];
    if (desktop.wallpaperPlugin !== "org.kde.image") {
        continue;
    }
    desktop.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
    desktop.writeConfig("Image", "");
    desktop.writeConfig("FillMode", 2);
    desktop.writeConfig("Image", image);
    changed += 1;
}
print("vornk-changed:" + changed);
)";

// evaluateScript answers with what the script printed.
int ChangedDesktops(const QString& output) {
    static const QRegularExpression changed(QStringLiteral("vornk-changed:(\\d+)"));
    const QRegularExpressionMatch match = changed.match(output);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString FileUrl(const std::string& bitmapPath) {
    const QString absolute = QDir::current().absoluteFilePath(QString::fromStdString(bitmapPath));
    // Percent-encoded, so that '#', '?' or '%' in a folder name stay part of the path.
    return QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
}

}  // namespace

QString KdeBackend::Script(const QString& fileUrl) {
    return QString::fromLatin1(kScriptTemplate).arg(ToJavaScriptLiteral(fileUrl));
}

void KdeBackend::ShowWallpaper(const std::string& bitmapPath) {
    const SessionBus session;
    const QDBusMessage reply =
        session.Call("org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell", "evaluateScript",
                     {Script(FileUrl(bitmapPath))});
    // No desktop with the image plugin means nothing was shown: that is a failure too.
    if (reply.type() != QDBusMessage::ReplyMessage ||
        ChangedDesktops(reply.arguments().value(0).toString()) < 1) {
        FailToShowWallpaper();
    }
}
