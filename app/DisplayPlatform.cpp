#include "app/DisplayPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

namespace {

// Read from the plugins' metadata, without loading them.
bool HasPlatformPlugin(const QStringList& pluginFolders, const QString& key) {
    for (const QString& folder : pluginFolders) {
        const QDir platforms(folder + QStringLiteral("/platforms"));
        for (const QString& file : platforms.entryList(QDir::Files)) {
            const QJsonObject metaData = QPluginLoader(platforms.filePath(file))
                                             .metaData()
                                             .value(QStringLiteral("MetaData"))
                                             .toObject();
            if (metaData.value(QStringLiteral("Keys")).toArray().contains(key)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::optional<QByteArray> DisplayPlatformFor(const QProcessEnvironment& environment,
                                             const QStringList& pluginFolders) {
    const bool qtTriesWaylandFirst =
        !environment.contains(QStringLiteral("QT_QPA_PLATFORM")) &&
        environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
    // Without an X server either, Qt's own message says what is missing.
    if (!qtTriesWaylandFirst || environment.value(QStringLiteral("DISPLAY")).isEmpty() ||
        HasPlatformPlugin(pluginFolders, QStringLiteral("wayland"))) {
        return std::nullopt;
    }
    return QByteArray("xcb");
}

void ChooseDisplayPlatform() {
    if (const auto platform = DisplayPlatformFor(QProcessEnvironment::systemEnvironment(),
                                                 QCoreApplication::libraryPaths())) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }
}
