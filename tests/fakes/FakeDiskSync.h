#pragma once

#include <system_error>
#include <vector>

#include <boost/filesystem/path.hpp>

// Records every path that is synced to the disk, in order; can be told to fail.
class FakeDiskSync final {
public:
    static FakeDiskSync& Instance();

    std::vector<boost::filesystem::path> synced;
    std::error_code failure;
};
