#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <vector>

#include "app/DisplayPlatform.h"

namespace {

QProcessEnvironment Session(const QStringList& variables) {
    QProcessEnvironment environment;
    for (const QString& variable : variables) {
        environment.insert(variable.section(QLatin1Char('='), 0, 0),
                           variable.section(QLatin1Char('='), 1));
    }
    return environment;
}

// Qt's real X11 plugin alone in a plugin folder: a machine without Qt's Wayland plugin.
class DisplayPlatformTest : public testing::Test {
protected:
    void SetUp() override {
        const QString platforms =
            QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/");
        ASSERT_TRUE(QDir(onlyX11.path()).mkpath(QStringLiteral("platforms")));
        ASSERT_TRUE(QFile::copy(platforms + QStringLiteral("libqxcb.so"),
                                onlyX11.filePath(QStringLiteral("platforms/libqxcb.so"))));
    }

    QTemporaryDir onlyX11;
};

TEST_F(DisplayPlatformTest, GoesToXwaylandOnlyWhereQtsWaylandPluginIsMissing) {
    const QStringList withWayland = QCoreApplication::libraryPaths();
    const QStringList withoutWayland{onlyX11.path()};
    const QStringList waylandSession{QStringLiteral("XDG_SESSION_TYPE=wayland"),
                                     QStringLiteral("WAYLAND_DISPLAY=wayland-0"),
                                     QStringLiteral("DISPLAY=:0")};
    struct Case {
        QStringList session;
        QStringList pluginFolders;
        std::optional<QByteArray> platform;
    };
    const std::vector<Case> cases{
        {waylandSession, withoutWayland, QByteArray("xcb")},
        {waylandSession, withWayland, std::nullopt},
        {waylandSession + QStringList{QStringLiteral("QT_QPA_PLATFORM=wayland")}, withoutWayland,
         std::nullopt},
        {{QStringLiteral("XDG_SESSION_TYPE=wayland"), QStringLiteral("WAYLAND_DISPLAY=wayland-0")},
         withoutWayland,
         std::nullopt},
        {{QStringLiteral("XDG_SESSION_TYPE=x11"), QStringLiteral("DISPLAY=:0")},
         withoutWayland,
         std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.session.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(DisplayPlatformFor(Session(test.session), test.pluginFolders), test.platform);
    }
}

}  // namespace
