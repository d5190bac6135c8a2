#include "tests/fakes/FakeDiskSync.h"

#include "platform/DiskSync.h"

FakeDiskSync& FakeDiskSync::Instance() {
    static FakeDiskSync instance;
    return instance;
}

std::error_code SyncToDisk(const boost::filesystem::path& fileOrFolder) {
    FakeDiskSync::Instance().synced.push_back(fileOrFolder);
    return FakeDiskSync::Instance().failure;
}
