#include "platform/linux/desktops/wlroots/SwayOutputs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicLength = sizeof(kMagic) - 1;
constexpr std::uint32_t kGetOutputs = 3;
// More than any answer about a few outputs; a larger one is not sway's.
constexpr std::uint32_t kLargestReply = 1 << 20;

class Socket final {
public:
    Socket() : descriptor(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool Connect(const char* path) const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (descriptor < 0 || std::strlen(path) >= sizeof(address.sun_path)) {
            return false;
        }
        std::strcpy(address.sun_path, path);
        return connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) ==
               0;
    }

    bool Send(const std::string& bytes) const {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t count =
                send(descriptor, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(count);
        }
        return true;
    }

    bool Receive(char* into, std::size_t length) const {
        std::size_t received = 0;
        while (received < length) {
            const ssize_t count = recv(descriptor, into + received, length - received, 0);
            if (count <= 0) {
                return false;
            }
            received += static_cast<std::size_t>(count);
        }
        return true;
    }

private:
    int descriptor;
};

// One message: the magic, the payload's length and the type, both in the host's byte order.
std::string Message(std::uint32_t type) {
    std::string message(kMagic, kMagicLength);
    const std::uint32_t header[2] = {0, type};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    return message;
}

std::optional<std::string> Ask(std::uint32_t type) {
    const char* path = std::getenv("SWAYSOCK");
    const Socket socket;
    if (path == nullptr || !socket.Connect(path) || !socket.Send(Message(type))) {
        return std::nullopt;
    }
    char magic[kMagicLength];
    std::uint32_t header[2] = {};
    if (!socket.Receive(magic, kMagicLength) || std::memcmp(magic, kMagic, kMagicLength) != 0 ||
        !socket.Receive(reinterpret_cast<char*>(header), sizeof(header)) || header[1] != type ||
        header[0] > kLargestReply) {
        return std::nullopt;
    }
    std::string payload(header[0], '\0');
    if (!socket.Receive(payload.data(), payload.size())) {
        return std::nullopt;
    }
    return payload;
}

int Scaled(double logical, double scale) {
    return static_cast<int>(std::lround(logical * scale));
}

}  // namespace

std::vector<SwayOutput> SwayOutputs::Query() {
    const std::optional<std::string> reply = Ask(kGetOutputs);
    return reply ? FromReply(*reply) : std::vector<SwayOutput>{};
}

std::vector<SwayOutput> SwayOutputs::FromReply(const std::string& json) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    std::vector<SwayOutput> outputs;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject output = value.toObject();
        const QJsonObject rect = output.value(QLatin1String("rect")).toObject();
        const double scale = output.value(QLatin1String("scale")).toDouble(1.0);
        const std::string name = output.value(QLatin1String("name")).toString().toStdString();
        if (!output.value(QLatin1String("active")).toBool() || name.empty() || scale <= 0) {
            continue;
        }
        outputs.push_back(
            {name,
             {rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
              Scaled(rect.value(QLatin1String("width")).toDouble(), scale),
              Scaled(rect.value(QLatin1String("height")).toDouble(), scale)}});
    }
    std::sort(outputs.begin(), outputs.end(), [](const SwayOutput& a, const SwayOutput& b) {
        return std::tie(a.area.x, a.area.y) < std::tie(b.area.x, b.area.y);
    });
    return outputs;
}
