// platform/DiskSync.h on Linux.
#include "platform/DiskSync.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

std::error_code SyncToDisk(const boost::filesystem::path& fileOrFolder) {
    // Read-only suffices: fsync flushes the file, not the descriptor, and folders open no other
    // way.
    const int descriptor = open(fileOrFolder.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code error;
    if (fsync(descriptor) != 0) {
        error.assign(errno, std::generic_category());
    }
    close(descriptor);
    return error;
}
