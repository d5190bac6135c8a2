// A converter that a damaged image has taken over, for the lockdown's tests: after the real
// converter's lockdown it does what the image says ("ACTION TARGET"). It reports a conversion
// (the marker, exit 0) only when what it tried went through.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/Sandbox.h"

namespace {

using namespace image_converter;

// A refusal that does not come from the filter would not prove it.
constexpr int kRefusedOtherwise = 10;

std::string ReadOrder() {
    std::string order;
    char buffer[256];
    ssize_t count = 0;
    while ((count = read(kImageDescriptor, buffer, sizeof buffer)) > 0) {
        order.append(buffer, static_cast<std::size_t>(count));
    }
    return order;
}

int Converted() {
    return write(STDOUT_FILENO, &kDecodedMarker, 1) == 1 ? kConverted : kCantSave;
}

int Outcome(bool wentThrough) {
    if (wentThrough) {
        return Converted();
    }
    return errno == EPERM ? kCantLoad : kRefusedOtherwise;
}

bool Connect(const std::string& path) {
    const int connection = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return connection >= 0 &&
           connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

int Obey(const std::string& action, const std::string& target) {
    if (action == "convert") {
        const auto size = static_cast<ssize_t>(target.size());
        return write(kBitmapDescriptor, target.data(), target.size()) == size ? Converted()
                                                                              : kCantSave;
    }
    if (action == "wait") {
        Converted();
        for (;;) {
            sleep(60);
        }
    }
    if (action == "open") {
        return Outcome(open(target.c_str(), O_RDONLY) >= 0);
    }
    if (action == "create") {
        return Outcome(open(target.c_str(), O_WRONLY | O_CREAT, 0600) >= 0);
    }
    if (action == "connect") {
        return Outcome(Connect(target));
    }
    if (action == "run") {
        execl(target.c_str(), target.c_str(), "-c", "printf D", nullptr);
        return Outcome(false);
    }
    return kUsage;
}

}  // namespace

int main() {
    if (!LockDown(kBitmapDescriptor)) {
        return kCantLoad;
    }
    const std::string order = ReadOrder();
    const std::size_t space = order.find(' ');
    if (space == std::string::npos) {
        return kUsage;
    }
    return Obey(order.substr(0, space), order.substr(space + 1));
}
