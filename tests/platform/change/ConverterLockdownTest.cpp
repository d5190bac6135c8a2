// What a converter taken over by a damaged image can still do after its lockdown, through a
// hostile converter that uses the real one's lockdown (HostileConverter.cpp).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "model/CoreError.h"
#include "platform/linux/change/ConverterRun.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using namespace platform_test;
using namespace std::chrono_literals;

std::string ErrorOf(const std::string& image, const std::string& bitmap,
                    const ImageConverterProcess& converter) {
    try {
        RunConverter(image, bitmap, std::nullopt, converter);
    } catch (const CoreError& error) {
        return error.what();
    }
    return "no error";
}

// A socket in the test's folder that no one may reach from the converter.
class Listener final {
public:
    explicit Listener(const std::string& path)
        : socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(socket, 1) != 0) {
            throw std::runtime_error("no listening socket");
        }
    }
    ~Listener() { close(socket); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool WasReached() const {
        const int connection = accept4(socket, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            close(connection);
        }
        return connection >= 0;
    }

private:
    int socket;
};

std::string StatusLine(const std::string& statusFile, const std::string& field) {
    std::ifstream status(statusFile);
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) {
            return line.substr(line.find_first_not_of(" \t", field.size() + 1));
        }
    }
    return {};
}

// The status file of our one child that runs the hostile converter.
std::string ConverterStatusFile() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string status = (entry.path() / "status").string();
        if (StatusLine(status, "PPid") == std::to_string(getpid()) &&
            StatusLine(status, "Name") == std::string(VORNK_HOSTILE_CONVERTER_NAME).substr(0, 15)) {
            return status;
        }
    }
    return {};
}

TEST(ConverterLockdownTest, FilesSocketsAndProgramsAreRefusedAndTheChangeFails) {
    TemporaryFolder folder;
    const std::string secret = folder / "secret.txt";
    WriteFile(secret, "the user's own file");
    const Listener listener(folder / "session.socket");
    const ImageConverterProcess converter(VORNK_HOSTILE_CONVERTER, 10s);
    struct Case {
        std::string order;
        bool ended;  // by the filter, rather than refused
    };
    const Case cases[] = {
        {"open " + secret, false},
        {"open /etc/passwd", false},
        {"create " + (folder / "planted.sh"), false},
        {"connect " + (folder / "session.socket"), true},
        {"run /bin/sh", true},
    };
    const std::string image = folder / "order.png";
    const std::string bitmap = folder / "wallpaper.bmp";
    WriteFile(bitmap, "the shown bitmap");
    for (const Case& c : cases) {
        WriteFile(image, c.order);
        EXPECT_EQ(ErrorOf(image, bitmap, converter), "Can't load image") << c.order;
        EXPECT_EQ(ReadFile(bitmap), "the shown bitmap") << c.order;

        const int imageFile = open(image.c_str(), O_RDONLY | O_CLOEXEC);
        const int scratch =
            open((folder / "scratch").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const ImageConverterProcess::Result run =
            converter.Run({{"order.png"}, {imageFile, scratch}});
        close(imageFile);
        close(scratch);
        EXPECT_EQ(run.exited, !c.ended) << c.order;
        if (!c.ended) {
            EXPECT_EQ(run.exitCode, image_converter::kCantLoad) << c.order << ": not the filter";
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "planted.sh"));
    EXPECT_FALSE(listener.WasReached());

    // The same converter does convert when it keeps to its descriptors: the failures above are
    // the lockdown's.
    WriteFile(image, "convert the new bitmap");
    EXPECT_EQ(ErrorOf(image, bitmap, converter), "no error");
    EXPECT_EQ(ReadFile(bitmap), "the new bitmap");
}

TEST(ConverterLockdownTest, ARunningConverterIsFilteredAndCannotGainPrivileges) {
    TemporaryFolder folder;
    const std::string image = folder / "order.png";
    WriteFile(image, "wait forever");
    const ImageConverterProcess converter(VORNK_HOSTILE_CONVERTER, 10s);
    const int imageFile = open(image.c_str(), O_RDONLY | O_CLOEXEC);
    std::string seccomp;
    std::string noNewPrivileges;
    const auto inspect = [&](const std::string&) {
        const std::string status = ConverterStatusFile();
        seccomp = StatusLine(status, "Seccomp");
        noNewPrivileges = StatusLine(status, "NoNewPrivs");
        throw std::runtime_error("seen");  // ends the converter
    };
    EXPECT_THROW(converter.Run({{"order.png"}, {imageFile, imageFile}}, inspect),
                 std::runtime_error);
    close(imageFile);
    EXPECT_EQ(seccomp, "2");
    EXPECT_EQ(noNewPrivileges, "1");
}

}  // namespace
