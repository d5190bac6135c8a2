#include "platform/linux/DirectoryWalk.h"

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/path.hpp>
#include <boost/system/error_code.hpp>

#include <cerrno>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowFileSystemError(const char* operation, const std::string& path, int error) {
    throw boost::filesystem::filesystem_error(
        operation, boost::filesystem::path(path),
        boost::system::error_code(error, boost::system::system_category()));
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

// The folder's path with one separator after it, to which each entry's name is appended.
std::string Prefix(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/') {
        prefix += '/';
    }
    return prefix;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// For file systems whose listing does not say: asked without following a link.
unsigned char TypeOf(int folder, const char* name) {
    struct stat status {};
    if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return DT_REG;
    }
    return S_ISDIR(status.st_mode) ? DT_DIR : (S_ISLNK(status.st_mode) ? DT_LNK : DT_REG);
}

bool IsLinkToFolder(int folder, const char* name) {
    struct stat status {};
    return fstatat(folder, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// Opens `name` in the folder `parent` (relative lookups, as find does); the root follows a
// link (a source may be a link to a folder), the folders below never do.
void Walk(int parent, const char* name, bool followLink, const std::string& path, bool recursive,
          const std::function<void(const std::string&)>& visit) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int descriptor = openat(parent, name, flags);
    if (descriptor < 0) {
        ThrowFileSystemError("boost::filesystem::directory_iterator::construct", path, errno);
    }
    const std::unique_ptr<DIR, DirectoryCloser> directory(fdopendir(descriptor));
    if (!directory) {
        const int error = errno;
        close(descriptor);
        ThrowFileSystemError("boost::filesystem::directory_iterator::construct", path, error);
    }
    const int folder = dirfd(directory.get());
    std::string child = Prefix(path);  // one buffer for every entry's path
    const std::size_t prefixLength = child.size();
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory.get());
        if (entry == nullptr) {
            if (errno != 0) {
                ThrowFileSystemError("boost::filesystem::directory_iterator::operator++", path,
                                     errno);
            }
            return;
        }
        if (IsDotOrDotDot(entry->d_name)) {
            continue;
        }
        const unsigned char type =
            entry->d_type == DT_UNKNOWN ? TypeOf(folder, entry->d_name) : entry->d_type;
        child.resize(prefixLength);
        child.append(entry->d_name);
        if (type == DT_DIR) {
            if (recursive) {
                Walk(folder, entry->d_name, false, child, recursive, visit);
            }
        } else if (type == DT_LNK) {
            // A link to a folder is a folder: never a candidate, never entered. A dangling link
            // is a candidate like a file.
            if (!IsLinkToFolder(folder, entry->d_name)) {
                visit(child);
            }
        } else {
            visit(child);
        }
    }
}

}  // namespace

void WalkDirectory(const std::string& root, bool recursive,
                   const std::function<void(const std::string& path)>& visit) {
    Walk(AT_FDCWD, root.c_str(), true, root, recursive, visit);
}
