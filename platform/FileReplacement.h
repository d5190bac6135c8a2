#pragma once

#include <string>

#include <boost/filesystem/path.hpp>

// New content for a file, written to a temporary file beside it and put in its place in one
// step, so that a crash, a power loss or a failed write never leaves a truncated or missing
// file. The temporary file is created empty; the caller, or a process it starts, fills it
// through TemporaryPath(). A replacement that is not committed removes its temporary file.
// Failures throw boost::filesystem::filesystem_error, and the file replaced is then unchanged.
class FileReplacement final {
public:
    // A symbolic link at `target` stays a link: the file it points at is replaced. The temporary
    // file gets the mode a plain save would give (0666 less the umask on Linux).
    explicit FileReplacement(const boost::filesystem::path& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const boost::filesystem::path& TemporaryPath() const { return temporary; }

    // Flushes the temporary file to the disk, renames it over the file replaced and flushes the
    // folder, so that the new name leads to the whole new content after a power loss as well.
    void Commit();

private:
    boost::filesystem::path file;
    boost::filesystem::path temporary;
    bool committed = false;
};

// Replaces `target`'s content with the whole of `content` through a FileReplacement.
void ReplaceFileAtomically(const boost::filesystem::path& target, const std::string& content);

// Removes the temporary files of replacements of `target` that a crash interrupted.
void RemoveInterruptedReplacements(const boost::filesystem::path& target);
