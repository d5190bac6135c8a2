// The converter process: decodes one untrusted image file and writes the wallpaper bitmap,
// under limits that keep a damaged file from crashing, freezing or bloating the program.
// It holds libjpeg alone, so that a JPEG photo, what a change meets most, starts decoding
// without first loading every other decoder. Any other file, and a JPEG that libjpeg leaves to
// others (CMYK, damaged), goes on to the second stage, which holds them all
// (AllFormatsConverterMain.cpp).
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/converter/ImageConversion.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageFormat.h"
#include "platform/linux/converter/TruncationCheck.h"
#include "platform/linux/converter/colour/EmbeddedIccProfile.h"
#include "platform/linux/converter/jpeg/PlainJpeg.h"

namespace {

using namespace image_converter;

// Told by the first bytes alone, which no decoder reads: this process is not locked down.
bool StartsAsJpeg() {
    char start[3] = {};
    const ssize_t read = pread(kImageDescriptor, start, sizeof start, 0);
    return read == sizeof start &&
           SniffImageFormat(std::string_view(start, sizeof start)) == ImageFormat::Jpeg;
}

// A file cut short goes on too: the second stage refuses it, saying why.
std::optional<RgbImage> DecodeJpegAlone(std::string_view content) {
    if (IsTruncated(content)) {
        return std::nullopt;
    }
    try {
        return DecodePlainJpeg(content, ReadEmbeddedIccProfile(content));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Beside this program, in the build tree as where it is installed.
std::string SecondStagePath() {
    std::vector<char> path(PATH_MAX);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    const std::string self(path.data(), static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + kSecondStageName;
}

// The second stage in this process's place, with the same descriptors; `arguments` after the
// program's name.
[[noreturn]] void HandOver(std::vector<char*> arguments) {
    std::string path = SecondStagePath();
    arguments.insert(arguments.begin(), path.data());
    arguments.push_back(nullptr);
    execv(path.c_str(), arguments.data());
    _exit(kCantLoad);
}

// The conversion in a child that locks itself down, while this process, which reads nothing of
// the file, stays free to start the second stage. A child that crashed makes this process end
// the same way, as the converter always has.
int RunLockedDown(const ImageConversion& conversion) {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // Ended with this process, which the program ends should the conversion take too long.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        _exit(getppid() == parent ? conversion.Run(DecodeJpegAlone, true) : kCantLoad);
    }
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child < 0) {
        return kHandOver;
    }
    if (WIFSIGNALED(status)) {
        std::signal(WTERMSIG(status), SIG_DFL);
        raise(WTERMSIG(status));
    }
    return WEXITSTATUS(status);
}

}  // namespace

int main(int argc, char** argv) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // the locked-down child follows through its own
    const std::optional<ImageConversion> conversion = ImageConversion::FromArguments(argc, argv);
    if (!conversion) {
        return kUsage;
    }
    const std::vector<char*> arguments(argv + 1, argv + argc);
    if (!StartsAsJpeg()) {
        HandOver(arguments);
    }
    const int status = RunLockedDown(*conversion);
    if (status == kHandOver) {
        HandOver(arguments);
    }
    // The bitmap alone is left to make; a monitor's picture alone is complete once sent.
    if (status == kHandOverAfterScreenPicture &&
        arguments.front() != std::string_view(kWithoutBitmap)) {
        HandOver({arguments.front()});
    }
    return status == kHandOverAfterScreenPicture ? kCantLoad : status;
}
