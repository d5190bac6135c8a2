#pragma once

#include <system_error>

#include <boost/filesystem/path.hpp>

// Waits until a file's content, or a folder's list of names, is on the disk itself rather than
// in the system's cache, so that a power loss keeps it. Each platform library defines it.
std::error_code SyncToDisk(const boost::filesystem::path& fileOrFolder);
