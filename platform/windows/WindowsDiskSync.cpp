// platform/DiskSync.h on Windows.
#include "platform/DiskSync.h"

#include <windows.h>

std::error_code SyncToDisk(const boost::filesystem::path& fileOrFolder) {
    // Backup semantics, or a folder cannot be opened at all.
    const HANDLE handle = CreateFileW(fileOrFolder.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {static_cast<int>(GetLastError()), std::system_category()};
    }
    std::error_code error;
    if (FlushFileBuffers(handle) == 0) {
        error.assign(static_cast<int>(GetLastError()), std::system_category());
    }
    CloseHandle(handle);
    return error;
}
