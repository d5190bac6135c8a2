#include "tests/support/KWinScreenCapture.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QVariantMap>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kReplyMilliseconds = 10000;

// A pipe whose ends close with it.
class Pipe {
public:
    Pipe() {
        if (pipe2(ends, O_CLOEXEC) != 0) {
            ends[0] = ends[1] = -1;
        }
    }
    ~Pipe() {
        for (const int end : ends) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool IsOpen() const { return ends[0] >= 0; }
    int ReadEnd() const { return ends[0]; }
    int WriteEnd() const { return ends[1]; }
    void CloseWriteEnd() {
        ::close(ends[1]);
        ends[1] = -1;
    }

private:
    int ends[2];
};

// KWin writes after it has answered, and the bus library may keep a copy of the write end
// open: read the announced size, not up to the end of the stream.
QByteArray ReadExactly(int descriptor, qsizetype size, QDeadlineTimer deadline) {
    QByteArray data(size, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < size) {
        pollfd ready{descriptor, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
            return {};
        }
        const ssize_t got = ::read(descriptor, data.data() + done, size - done);
        if (got <= 0) {
            return {};
        }
        done += got;
    }
    return data;
}

std::optional<QVariantMap> Call(const QString& method, const Pipe& pipe) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.KWin"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
        QStringLiteral("org.kde.KWin.ScreenShot2"), method);
    call << QVariantMap{} << QVariant::fromValue(QDBusUnixFileDescriptor(pipe.WriteEnd()));
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kReplyMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return qdbus_cast<QVariantMap>(reply.arguments().front());
}

// method: one of ScreenShot2's calls that take only the options and the pipe.
QImage Capture(const QString& method) {
    Pipe pipe;
    if (!pipe.IsOpen()) {
        return {};
    }
    const QDeadlineTimer deadline(kReplyMilliseconds);
    const std::optional<QVariantMap> result = Call(method, pipe);
    pipe.CloseWriteEnd();
    if (!result) {
        return {};
    }
    const int width = result->value(QStringLiteral("width")).toInt();
    const int height = result->value(QStringLiteral("height")).toInt();
    const int stride = result->value(QStringLiteral("stride")).toInt();
    const auto format =
        static_cast<QImage::Format>(result->value(QStringLiteral("format")).toInt());
    const QByteArray rows = ReadExactly(pipe.ReadEnd(), qsizetype(stride) * height, deadline);
    if (rows.isEmpty()) {
        return {};
    }
    // A copy: the rows go with this function.
    return QImage(reinterpret_cast<const uchar*>(rows.constData()), width, height, stride, format)
        .copy();
}

}  // namespace

QImage KWinScreenCapture::ActiveScreen() {
    return Capture(QStringLiteral("CaptureActiveScreen"));
}

QImage KWinScreenCapture::Workspace() {
    return Capture(QStringLiteral("CaptureWorkspace"));
}
