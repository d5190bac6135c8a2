#pragma once

#include <string>

#include <boost/filesystem/path.hpp>

// Writes the whole content to a temporary file next to `target` and renames it over `target`
// only once it has been written, closed and flushed to the disk without error, so that a crash,
// a power loss or a failed write never leaves a truncated or missing file. Throws
// boost::filesystem::filesystem_error on failure; `target` is then unchanged and the temporary file
// is gone.
void ReplaceFileAtomically(const boost::filesystem::path& target, const std::string& content);

// Removes the temporary files of replacements of `target` that a crash interrupted.
void RemoveInterruptedReplacements(const boost::filesystem::path& target);
