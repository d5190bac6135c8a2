// The operating-system services of platform/NativeDesktop.h on Linux.
#include "platform/NativeDesktop.h"

#include <QByteArray>
#include <QFile>
#include <QLockFile>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "model/ProductInfo.h"
#include "platform/linux/NativePath.h"
#include "platform/remote/RemoteControlClient.h"

namespace {

// An environment variable holding an absolute path, or the empty string.
std::string AbsolutePathVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return value;
}

// A folder that nobody else can have made or write into: a folder, not a link, ours, and closed
// to group and others.
bool IsPrivateFolder(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// The runtime folder is the user's own. The shared temporary folder gets a folder of ours,
// since anybody can create a file there first, naming a process that lives. Nothing when
// somebody else holds that folder's name.
std::optional<std::string> LockFolder() {
    const std::string runtime = AbsolutePathVariable("XDG_RUNTIME_DIR");
    if (!runtime.empty() && IsPrivateFolder(runtime)) {
        return runtime;
    }
    std::string temporary = AbsolutePathVariable("TMPDIR");
    if (temporary.empty()) {
        temporary = "/tmp";
    }
    const std::string folder = temporary + "/vornk-wallpaper-changer-" + std::to_string(::getuid());
    (void)::mkdir(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? std::optional(folder) : std::nullopt;
}

std::optional<QString> LockFilePath() {
    const std::optional<std::string> folder = LockFolder();
    if (!folder) {
        return std::nullopt;
    }
    return QFile::decodeName(QByteArray::fromStdString(*folder)) +
           QStringLiteral("/%1-%2.lock")
               .arg(QString::fromLatin1(product::kWindowClass),
                    QString::fromLatin1(product::kName));
}

}  // namespace

const char* PlatformName() {
    return "Linux";
}

std::optional<WideString> GetApplicationDataFolder() {
    std::string configHome = AbsolutePathVariable("XDG_CONFIG_HOME");
    if (configHome.empty()) {
        const std::string home = AbsolutePathVariable("HOME");
        if (home.empty()) {
            return std::nullopt;
        }
        configHome = home + "/.config";
    }
    return FromNativeBytes(configHome);
}

void CreateUserFolder(const WideString& path) {
    // Private to the user, as XDG asks of the folders it names.
    const std::string native = ToNativeBytes(path);
    for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
        (void)::mkdir(native.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos) {
            return;
        }
    }
}

void CreateFolder(const WideString& path) {
    // One level; an existing folder or a failure is not reported (later writes fail instead).
    (void)::mkdir(ToNativeBytes(path).c_str(), 0777);
}

bool IsAnotherCopyRunning() {
    // Held until the process ends; the lock file is removed when it is destroyed at exit, and
    // one left by a crashed copy is stale because its process is gone.
    static std::unique_ptr<QLockFile> held;
    if (held) {
        return false;
    }
    const std::optional<QString> path = LockFilePath();
    if (!path) {
        std::cerr << "No private folder for the single-instance lock: not checking for another "
                     "copy\n";
        return false;
    }
    auto lock = std::make_unique<QLockFile>(*path);
    // 0: never stale by age (a copy may run for months), only when its process is gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        held = std::move(lock);
        return false;
    }
    // A lock that cannot even be tried (no writable folder) must not keep the program from
    // starting: only a lock held by a live copy counts.
    return lock->error() == QLockFile::LockFailedError;
}

// Declared in platform/remote/RemoteControlClient.h; here, where the lock is.
bool IsRunningCopyPresent() {
    const std::optional<QString> path = LockFilePath();
    qint64 pid = 0;
    QString host;
    QString application;
    if (!path || !QLockFile(*path).getLockInfo(&pid, &host, &application) || pid <= 0) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void BringNativeWindowToFront(std::uintptr_t) {
    // Nothing beyond the toolkit's show, raise and activate on Linux.
}
