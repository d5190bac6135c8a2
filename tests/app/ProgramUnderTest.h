#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>

#include "tests/support/WaitUntil.h"

// The real program started as a separate process with a private home, configuration and
// runtime folder, on the display of the CTest tray fixture.
class ProgramUnderTest {
public:
    ProgramUnderTest();
    ~ProgramUnderTest();

    QString ConfigHome() const;
    QString SettingsFolder() const;
    QString SettingsFile(const QString& name) const;
    QString AutostartEntry() const;
    QString ProgramPath() const;

    void WriteSettingsFile(const QString& name, const QByteArray& content) const;
    QByteArray ReadSettingsFile(const QString& name) const;

    // For the copies started from now on.
    void SetEnvironment(const QString& name, const QString& value);
    // Starts a copy; several copies may run against the same folders.
    QProcess& Start();
    // Starts a command that ends by executing a copy of the program.
    QProcess& StartCommand(const QString& command, const QStringList& arguments);
    QProcess& Copy(int index) { return *copies.at(index); }
    QString StandardError(int index) const;

    // Top-level windows of a copy whose title is exactly the product name.
    QStringList Windows(const QProcess& copy, bool onlyVisible) const;
    QString XdotoolOutput(const QStringList& arguments) const;
    // Asks a window to close the way a window manager's close button does.
    void RequestClose(const QString& window) const;
    bool IsMapped(const QString& window) const;

private:
    QTemporaryDir home;
    QString display;
    QProcessEnvironment extraEnvironment;
    std::vector<std::unique_ptr<QProcess>> copies;
};

// WaitUntil with a longer limit: the program under test starts and draws windows slowly.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return WaitUntil(condition, limit);
}
