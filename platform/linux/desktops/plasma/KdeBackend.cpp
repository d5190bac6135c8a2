#include "platform/linux/desktops/plasma/KdeBackend.h"

#include <QDBusMessage>
#include <QDir>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <tuple>

#include "platform/linux/dbus/SessionBus.h"
#include "platform/linux/desktops/MonitorPictureFiles.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/plasma/JavaScriptString.h"

namespace {

// Plasma's image wallpaper ignores an Image value equal to the one it shows, so each change
// empties it first. FillMode 2 fills the screen keeping the aspect ratio. A desktop takes its
// screen's image, or `image` where its screen has none; null leaves it as it is.
constexpr char kShowScriptTemplate[] = R"(var image = %1;
var screenImages = {%2};
var changed = 0;
var all = desktops();
for (var index = 0; index < all.length; ++index) {
    var desktop = all[index];
    var chosen = screenImages.hasOwnProperty(desktop.screen) ? screenImages[desktop.screen] : image;
    if (desktop.wallpaperPlugin !== "org.kde.image" || chosen === null) {
        continue;
    }
    desktop.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
    desktop.writeConfig("Image", "");
    desktop.writeConfig("FillMode", 2);
    desktop.writeConfig("Image", chosen);
    changed += 1;
}
print("vornk-changed:" + changed);
)";

// Desktops of other activities share their screen; a desktop of none has screen -1.
constexpr char kScreensScript[] = R"(var seen = {};
var all = desktops();
for (var index = 0; index < all.length; ++index) {
    var screen = all[index].screen;
    if (screen < 0 || seen[screen]) {
        continue;
    }
    seen[screen] = true;
    var area = screenGeometry(screen);
    print("vornk-screen:" + [screen, area.x, area.y, area.width, area.height].map(Math.round)
          .join(" ") + "\n");
}
)";

// evaluateScript answers with what the script printed; nothing when it failed.
std::optional<QString> Evaluate(const QString& script) {
    const SessionBus session;
    const QDBusMessage reply = session.Call("org.kde.plasmashell", "/PlasmaShell",
                                            "org.kde.PlasmaShell", "evaluateScript", {script});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return reply.arguments().value(0).toString();
}

int ChangedDesktops(const QString& output) {
    static const QRegularExpression changed(QStringLiteral("vornk-changed:(\\d+)"));
    const QRegularExpressionMatch match = changed.match(output);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// No desktop with the image plugin means nothing was shown: that is a failure too.
void ShowThroughScript(const QString& image, const QStringList& screenImages) {
    const std::optional<QString> output =
        Evaluate(QString::fromLatin1(kShowScriptTemplate)
                     .arg(image, screenImages.join(QLatin1String(", "))));
    if (!output || ChangedDesktops(*output) < 1) {
        FailToShowWallpaper();
    }
}

QString FileUrlLiteral(const std::string& path) {
    const QString absolute = QDir::current().absoluteFilePath(QString::fromStdString(path));
    // Percent-encoded, so that '#', '?' or '%' in a folder name stay part of the path.
    return ToJavaScriptLiteral(QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded));
}

std::vector<DesktopMonitor> ScreensIn(const QString& output) {
    static const QRegularExpression screenLine(
        QStringLiteral("vornk-screen:(\\d+) (-?\\d+) (-?\\d+) (\\d+) (\\d+)"));
    std::vector<DesktopMonitor> monitors;
    for (const QRegularExpressionMatch& match : screenLine.globalMatch(output)) {
        const PictureArea area{match.captured(2).toInt(), match.captured(3).toInt(),
                               match.captured(4).toInt(), match.captured(5).toInt()};
        if (area.width > 0 && area.height > 0) {
            monitors.push_back({match.captured(1).toStdString(), area});
        }
    }
    std::sort(monitors.begin(), monitors.end(),
              [](const DesktopMonitor& a, const DesktopMonitor& b) {
                  return std::tie(a.area.x, a.area.y) < std::tie(b.area.x, b.area.y);
              });
    return monitors;
}

}  // namespace

// Every desktop shows the one picture, those that had a screen's own included.
void KdeBackend::ShowWallpaper(const std::string& bitmapPath) {
    ShowThroughScript(FileUrlLiteral(bitmapPath), {});
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
    MonitorPictureFiles::RemoveBeside(bitmapPath);
}

std::vector<DesktopMonitor> KdeBackend::Monitors() {
    const std::optional<QString> output = Evaluate(QString::fromLatin1(kScreensScript));
    return output ? ScreensIn(*output) : std::vector<DesktopMonitor>{};
}

// Desktops on a screen that came after Monitors() keep what they show.
void KdeBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                const std::string& bitmapPath) {
    const std::vector<std::string> files = MonitorPictureFiles::Replace(pictures, bitmapPath);
    QStringList screenImages;
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        screenImages.append(
            ToJavaScriptLiteral(QString::fromStdString(pictures[index].monitor.name)) +
            QStringLiteral(": ") + FileUrlLiteral(files[index]));
    }
    ShowThroughScript(QStringLiteral("null"), screenImages);
    ScreenPictureFile::RemoveUnlessShown(files.front());
}
