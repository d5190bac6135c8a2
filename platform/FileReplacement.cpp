#include "platform/FileReplacement.h"

#include <cctype>
#include <cerrno>
#include <ios>

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/system/error_code.hpp>

#include "platform/DiskSync.h"

namespace fs = boost::filesystem;

namespace {

// The streams keep no error code of their own; the system's last error is the best account of
// what went wrong.
[[noreturn]] void ThrowFileError(const char* what, const fs::path& path) {
    const int error = errno;
    const boost::system::error_code code =
        error != 0 ? boost::system::error_code(error, boost::system::generic_category())
                   : boost::system::errc::make_error_code(boost::system::errc::io_error);
    throw fs::filesystem_error(what, path, code);
}

constexpr char kTemporaryModel[] = ".%%%%%%%%%%%%.tmp";

// In the same folder, so that the rename stays on one file system and replaces in one step.
fs::path TemporaryPathFor(const fs::path& file) {
    fs::path temporary = file;
    temporary += fs::unique_path(kTemporaryModel);
    return temporary;
}

bool IsTemporaryFor(const std::string& name, const std::string& fileName) {
    const std::string model = kTemporaryModel;
    if (name.size() != fileName.size() + model.size() || !name.starts_with(fileName)) {
        return false;
    }
    for (std::size_t i = 0; i < model.size(); ++i) {
        const char c = name[fileName.size() + i];
        const bool fits =
            model[i] == '%' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == model[i];
        if (!fits) {
            return false;
        }
    }
    return true;
}

fs::path FileBehindLinks(const fs::path& target) {
    boost::system::error_code error;
    const fs::path file = fs::is_symlink(target, error) ? fs::canonical(target, error) : target;
    return error ? target : file;
}

fs::path FolderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

void WriteWholeFile(const fs::path& path, const std::string& content) {
    errno = 0;
    fs::ofstream stream(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!stream.is_open()) {
        ThrowFileError("Can't create file", path);
    }
    stream.write(content.data(), static_cast<std::streamsize>(content.size()));
    stream.flush();
    if (!stream) {
        ThrowFileError("Can't write file", path);
    }
    stream.close();
    if (!stream) {
        ThrowFileError("Can't close file", path);
    }
}

}  // namespace

FileReplacement::FileReplacement(const fs::path& target)
    : file(FileBehindLinks(target)), temporary(TemporaryPathFor(file)) {
    WriteWholeFile(temporary, {});
}

FileReplacement::~FileReplacement() {
    if (!committed) {
        boost::system::error_code ignored;
        fs::remove(temporary, ignored);
    }
}

void FileReplacement::Commit() {
    // Before the rename: otherwise a power loss can leave the new name on an empty file.
    if (const std::error_code error = SyncToDisk(temporary)) {
        throw fs::filesystem_error(
            "Can't flush file", temporary,
            boost::system::error_code(error.value(), boost::system::generic_category()));
    }
    fs::rename(temporary, file);
    committed = true;
    // Not an error when it fails: the new content is in place already, and some file systems
    // cannot flush a folder.
    SyncToDisk(FolderOf(file));
}

void ReplaceFileAtomically(const fs::path& target, const std::string& content) {
    FileReplacement replacement(target);
    WriteWholeFile(replacement.TemporaryPath(), content);
    replacement.Commit();
}

void RemoveInterruptedReplacements(const fs::path& target) {
    const fs::path file = FileBehindLinks(target);
    const std::string fileName = file.filename().string();
    boost::system::error_code ignored;
    for (fs::directory_iterator entry(FolderOf(file), ignored), end; entry != end;
         entry.increment(ignored)) {
        if (IsTemporaryFor(entry->path().filename().string(), fileName)) {
            fs::remove(entry->path(), ignored);
        }
    }
}
