#include "tests/app/ProgramUnderTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcessEnvironment>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "tests/support/FixtureEnvironment.h"
#include "tests/support/TestDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const QString kProductName = QStringLiteral("Vornk Wallpaper Changer");

void Stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace

ProgramUnderTest::ProgramUnderTest() : display(QString::fromStdString(UseFixtureDisplay())) {
    JoinFixtureSession();
    if (!home.isValid() || (display.isEmpty() && !InWaylandSession())) {
        throw std::runtime_error("no temporary home or no fixture display");
    }
    // No configuration folder: like a new account's, the program has to create it.
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

ProgramUnderTest::~ProgramUnderTest() {
    for (auto& copy : copies) {
        Stop(*copy);
    }
    if (sessionBus) {
        Stop(*sessionBus);
    }
}

// A desktop fixture's session replaces the private display, bus and folders: its desktop reads
// the settings store in that home.
void ProgramUnderTest::JoinFixtureSession() {
    for (const auto& [name, value] : FixtureEnvironment()) {
        extraEnvironment.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    display = extraEnvironment.value(QStringLiteral("DISPLAY"), display);
}

bool ProgramUnderTest::InWaylandSession() const {
    return extraEnvironment.contains(QStringLiteral("WAYLAND_DISPLAY"));
}

QString ProgramUnderTest::ConfigHome() const {
    return extraEnvironment.value(QStringLiteral("XDG_CONFIG_HOME"),
                                  home.filePath(QStringLiteral("config")));
}

QString ProgramUnderTest::SettingsFolder() const {
    return ConfigHome() + QStringLiteral("/Vornk Software/") + kProductName;
}

QString ProgramUnderTest::SettingsFile(const QString& name) const {
    return SettingsFolder() + QLatin1Char('/') + name;
}

QString ProgramUnderTest::AutostartEntry() const {
    return ConfigHome() + QStringLiteral("/autostart/") + kProductName + QStringLiteral(".desktop");
}

QString ProgramUnderTest::ProgramPath() const {
    return QStringLiteral(VORNK_PROGRAM_PATH);
}

QString ProgramUnderTest::StandInConverter(const QString& shellLines) const {
    const QString path = home.filePath(QStringLiteral("converter.sh"));
    const QString converter =
        QFileInfo(ProgramPath()).absolutePath() + QStringLiteral("/vornk-image-converter");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(QStringLiteral("#!/bin/sh\n%1\nexec '%2' \"$@\"\n")
                         .arg(shellLines, converter)
                         .toUtf8()) < 0) {
        throw std::runtime_error("cannot write the stand-in converter");
    }
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void ProgramUnderTest::WriteSettingsFile(const QString& name, const QByteArray& content) const {
    QDir().mkpath(SettingsFolder());
    QFile file(SettingsFile(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0) {
        throw std::runtime_error("cannot write a settings file for the test");
    }
}

QByteArray ProgramUnderTest::ReadSettingsFile(const QString& name) const {
    QFile file(SettingsFile(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ProgramUnderTest::StartSessionBus() {
    sessionBus = std::make_unique<QProcess>();
    sessionBus->start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--address=") + SessionBusAddress(),
         QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
         QStringLiteral("--print-address")});
    if (!sessionBus->waitForReadyRead(10000)) {
        throw std::runtime_error("the session bus did not start");
    }
}

QString ProgramUnderTest::SessionBusAddress() const {
    return QStringLiteral("unix:path=") + home.filePath(QStringLiteral("runtime/bus"));
}

void ProgramUnderTest::SetEnvironment(const QString& name, const QString& value) {
    extraEnvironment.insert(name, value);
}

QProcessEnvironment ProgramUnderTest::Environment() const {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    // In a Wayland session the program picks its platform as a user's copy would.
    if (!InWaylandSession()) {
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    environment.insert(extraEnvironment);
    return environment;
}

QProcess& ProgramUnderTest::Start(const QStringList& arguments) {
    return StartCommand(ProgramPath(), arguments);
}

QProcess& ProgramUnderTest::StartCommand(const QString& command, const QStringList& arguments) {
    auto copy = std::make_unique<QProcess>();
    copy->setProcessEnvironment(Environment());
    copy->setWorkingDirectory(home.path());
    copy->setStandardErrorFile(home.filePath(QStringLiteral("stderr-%1").arg(copies.size())));
    copy->setStandardOutputFile(QProcess::nullDevice());
    copy->start(command, arguments);
    if (!copy->waitForStarted(10000)) {
        throw std::runtime_error("the program did not start");
    }
    copies.push_back(std::move(copy));
    return *copies.back();
}

CommandResult ProgramUnderTest::Run(const QStringList& arguments) const {
    QProcess copy;
    copy.setProcessEnvironment(Environment());
    copy.setWorkingDirectory(home.path());
    QElapsedTimer clock;
    clock.start();
    copy.start(ProgramPath(), arguments);
    CommandResult result;
    if (!copy.waitForFinished(30000)) {
        Stop(copy);
        return result;
    }
    result.took = std::chrono::milliseconds(clock.elapsed());
    result.exitCode = copy.exitStatus() == QProcess::NormalExit ? copy.exitCode() : -1;
    result.output = copy.readAllStandardOutput();
    result.errors = copy.readAllStandardError();
    return result;
}

bool ProgramUnderTest::IsReachable() const {
    const CommandResult current = Run({QStringLiteral("--current")});
    return current.exitCode >= 0 && current.errors.isEmpty();
}

QString ProgramUnderTest::StandardError(int index) const {
    QFile file(home.filePath(QStringLiteral("stderr-%1").arg(index)));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString ProgramUnderTest::XdotoolOutput(const QStringList& arguments) const {
    QProcess xdotool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    xdotool.setProcessEnvironment(environment);
    xdotool.start(QStringLiteral("xdotool"), arguments);
    xdotool.waitForFinished(10000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

QStringList ProgramUnderTest::Windows(const QProcess& copy, bool onlyVisible) const {
    // --all: every condition must hold, not just one of them.
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--all")};
    if (onlyVisible) {
        arguments << QStringLiteral("--onlyvisible");
    }
    arguments << QStringLiteral("--pid") << QString::number(copy.processId())
              << QStringLiteral("--name") << QLatin1Char('^') + kProductName + QLatin1Char('$');
    return XdotoolOutput(arguments).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ProgramUnderTest::RequestClose(const QString& window) const {
    Display* connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (connection == nullptr) {
        throw std::runtime_error("cannot open the test display");
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(connection);
}

bool ProgramUnderTest::IsMapped(const QString& window) const {
    Display* connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (connection == nullptr) {
        throw std::runtime_error("cannot open the test display");
    }
    XWindowAttributes attributes{};
    const bool known = XGetWindowAttributes(connection, window.toULong(), &attributes) != 0;
    XCloseDisplay(connection);
    return known && attributes.map_state == IsViewable;
}

RootWindowReader::RootWindowReader(const QString& display)
    : connection(XOpenDisplay(display.toLocal8Bit().constData())) {
    if (connection == nullptr) {
        throw std::runtime_error("cannot open the test display");
    }
}

RootWindowReader::~RootWindowReader() {
    XCloseDisplay(connection);
}

QColor RootWindowReader::Pixel(int x, int y) const {
    XImage* image =
        XGetImage(connection, DefaultRootWindow(connection), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return {};
    }
    // The fixtures run Xvfb at depth 24: 8 bits per channel, red highest.
    const unsigned long pixel = XGetPixel(image, 0, 0);
    const QColor colour(static_cast<int>((pixel & image->red_mask) >> 16),
                        static_cast<int>((pixel & image->green_mask) >> 8),
                        static_cast<int>(pixel & image->blue_mask));
    XDestroyImage(image);
    return colour;
}

std::vector<QColor> RootWindowReader::Colours(const std::vector<QPoint>& points) {
    std::vector<QColor> colours;
    for (const QPoint& point : points) {
        colours.push_back(Pixel(point.x(), point.y()));
    }
    return colours;
}

QColor ProgramUnderTest::RootWindowPixel(int x, int y) const {
    return RootWindowReader(display).Pixel(x, y);
}

QByteArray SettingsInfo(bool onloadChange, bool timerChange, int interval) {
    return QByteArray("onload_change ") + (onloadChange ? "true" : "false") + "\ntimer_change " +
           (timerChange ? "true" : "false") + "\nchange_interval " + QByteArray::number(interval) +
           "\n";
}

QByteArray SourcesInfo(const QStringList& paths, int type) {
    QByteArray info = "sources\n{\n";
    for (const QString& path : paths) {
        info += "    module\n    {\n        path " + path.toUtf8() + "\n        type " +
                QByteArray::number(type) + "\n    }\n";
    }
    return info + "}\n";
}

QByteArray SourcesInfoWithFolder(const QString& folder) {
    return SourcesInfo({folder}, 0);
}

std::vector<std::pair<QString, QColor>> MakeColourFolder(const QString& location) {
    const QString folder = QDir::cleanPath(location);
    QDir().mkpath(folder);
    const std::vector<std::pair<QString, QColor>> images{
        {QStringLiteral("red.png"), QColor(220, 30, 30)},
        {QStringLiteral("green.png"), QColor(30, 200, 40)},
        {QStringLiteral("blue.png"), QColor(20, 40, 210)}};
    for (const auto& [name, colour] : images) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(colour);
        image.save(folder + QLatin1Char('/') + name);
    }
    std::vector<std::pair<QString, QColor>> listed;
    for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString())) {
        const QString path = QString::fromStdString(entry.path().string());
        for (const auto& [name, colour] : images) {
            if (path.endsWith(QLatin1Char('/') + name)) {
                listed.emplace_back(path, colour);
            }
        }
    }
    return listed;
}

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8;
}
