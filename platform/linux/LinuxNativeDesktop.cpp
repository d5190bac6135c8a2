// The operating-system services of platform/NativeDesktop.h on Linux.
#include "platform/NativeDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QString>

#include <cstdlib>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "model/ProductInfo.h"
#include "platform/linux/NativePath.h"

namespace {

// An environment variable holding an absolute path, or the empty string.
std::string AbsolutePathVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return value;
}

QString LockFilePath() {
    const QString name = QStringLiteral("%1-%2").arg(QString::fromLatin1(product::kWindowClass),
                                                     QString::fromLatin1(product::kName));
    // The runtime folder is per user already; the shared temporary folder needs the uid.
    const std::string runtime = AbsolutePathVariable("XDG_RUNTIME_DIR");
    if (!runtime.empty() && QFileInfo(QString::fromStdString(runtime)).isDir()) {
        return QDir(QString::fromStdString(runtime)).filePath(name + QStringLiteral(".lock"));
    }
    return QDir(QDir::tempPath())
        .filePath(name + QStringLiteral("-%1.lock").arg(static_cast<qulonglong>(getuid())));
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
    auto lock = std::make_unique<QLockFile>(LockFilePath());
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

void BringNativeWindowToFront(std::uintptr_t) {
    // Nothing beyond the toolkit's show, raise and activate on Linux.
}
