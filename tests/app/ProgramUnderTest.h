#pragma once

#include <QByteArray>
#include <QColor>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "tests/app/ScreenReader.h"
#include "tests/support/WaitUntil.h"

struct _XDisplay;

// Reads pixels of the root window straight from the X server, over a connection of its own.
class RootWindowReader final : public ScreenReader {
public:
    // Throws std::runtime_error when the display cannot be opened.
    explicit RootWindowReader(const QString& display);
    ~RootWindowReader() override;
    RootWindowReader(const RootWindowReader&) = delete;
    RootWindowReader& operator=(const RootWindowReader&) = delete;

    QColor Pixel(int x, int y) const;
    std::vector<QColor> Colours(const std::vector<QPoint>& points) override;

private:
    _XDisplay* connection;
};

// A command-line copy run to its end.
struct CommandResult {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
    std::chrono::milliseconds took{};
};

// The real program started as a separate process with a private home, configuration and
// runtime folder, on the display of the CTest tray fixture; or, under a CTest desktop fixture,
// in that desktop's session (X11 or Wayland).
class ProgramUnderTest {
public:
    ProgramUnderTest();
    ~ProgramUnderTest();

    // Under a Wayland desktop fixture, which has no X server.
    bool InWaylandSession() const;
    // The X display the copies use unless told another.
    QString DisplayName() const { return display; }
    QString ConfigHome() const;
    QString SettingsFolder() const;
    QString SettingsFile(const QString& name) const;
    QString AutostartEntry() const;
    QString ProgramPath() const;

    void WriteSettingsFile(const QString& name, const QByteArray& content) const;
    QByteArray ReadSettingsFile(const QString& name) const;

    // For the copies started from now on.
    void SetEnvironment(const QString& name, const QString& value);
    // A converter for copies to use instead of their own (VORNK_IMAGE_CONVERTER): a script that
    // runs these shell lines (with the image in $1), then the program's own converter.
    QString StandInConverter(const QString& shellLines) const;

    // A private session bus for the copies started after this call, in the runtime folder where
    // the program looks for one.
    void StartSessionBus();
    QString SessionBusAddress() const;

    // Starts a copy; several copies may run against the same folders.
    QProcess& Start(const QStringList& arguments = {});
    // Starts a command that ends by executing a copy of the program.
    QProcess& StartCommand(const QString& command, const QStringList& arguments);
    CommandResult Run(const QStringList& arguments) const;
    // A running copy answers the command line (with or without a current wallpaper).
    bool IsReachable() const;
    QProcess& Copy(int index) { return *copies.at(index); }
    QString StandardError(int index) const;

    // Top-level windows of a copy whose title is exactly the product name.
    QStringList Windows(const QProcess& copy, bool onlyVisible) const;
    QString XdotoolOutput(const QStringList& arguments) const;
    // Asks a window to close the way a window manager's close button does.
    void RequestClose(const QString& window) const;
    bool IsMapped(const QString& window) const;
    // One pixel of the root window, read straight from the X server.
    QColor RootWindowPixel(int x, int y) const;

private:
    void JoinFixtureSession();
    QProcessEnvironment Environment() const;

    QTemporaryDir home;
    QString display;
    QProcessEnvironment extraEnvironment;
    std::vector<std::unique_ptr<QProcess>> copies;
    std::unique_ptr<QProcess> sessionBus;
};

// WaitUntil with a longer limit: the program under test starts and draws windows slowly.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return WaitUntil(condition, limit);
}

QByteArray SettingsInfo(bool onloadChange, bool timerChange, int interval);
// "sources.info" listing `paths`, all of one type (0 folder, 2 file).
QByteArray SourcesInfo(const QStringList& paths, int type);
QByteArray SourcesInfoWithFolder(const QString& folder);
// Three solid-colour images; returned in the order the file system lists them, which is the
// order the program walks them.
std::vector<std::pair<QString, QColor>> MakeColourFolder(const QString& location);
bool Near(const QColor& a, const QColor& b);
