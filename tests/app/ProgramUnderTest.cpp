#include "tests/app/ProgramUnderTest.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <memory>
#include <stdexcept>

#include "tests/support/TestDisplay.h"

#include <X11/Xlib.h>

namespace {

const QString kProductName = QStringLiteral("Vornk Wallpaper Changer");

}  // namespace

ProgramUnderTest::ProgramUnderTest() : display(QString::fromStdString(UseFixtureDisplay())) {
    if (!home.isValid() || display.isEmpty()) {
        throw std::runtime_error("no temporary home or no fixture display");
    }
    // No configuration folder: like a new account's, the program has to create it.
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

ProgramUnderTest::~ProgramUnderTest() {
    for (auto& copy : copies) {
        if (copy->state() != QProcess::NotRunning) {
            copy->kill();
            copy->waitForFinished(5000);
        }
    }
}

QString ProgramUnderTest::ConfigHome() const {
    return home.filePath(QStringLiteral("config"));
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

void ProgramUnderTest::SetEnvironment(const QString& name, const QString& value) {
    extraEnvironment.insert(name, value);
}

QProcess& ProgramUnderTest::Start() {
    return StartCommand(ProgramPath(), {});
}

QProcess& ProgramUnderTest::StartCommand(const QString& command, const QStringList& arguments) {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    environment.insert(extraEnvironment);

    auto copy = std::make_unique<QProcess>();
    copy->setProcessEnvironment(environment);
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
