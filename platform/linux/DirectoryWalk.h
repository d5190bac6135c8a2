#pragma once

#include <functional>
#include <string>

// Lists a folder (and, when recursive, everything below it) depth first in pre-order, in the
// order the file system lists each folder, and hands every entry that is not a folder (nor a
// link to one) to `visit` as root joined with the names on the way: the bytes the file system
// holds, which need not be UTF-8 (FromNativeBytes keeps each stray byte as a lone surrogate).
// Links to folders are never entered, so a cycle of links cannot make the walk endless.
// Failures (root not a folder, a folder that cannot be opened or read) throw
// boost::filesystem::filesystem_error and end the walk; what was visited stays visited.
//
// Built on the directory streams rather than Boost.Filesystem's iterators: Boost 1.74 stats
// every entry to learn its type (about 6x the time of `find` on a large tree), while the entry
// type that readdir reports makes that unnecessary except for links.
void WalkDirectory(const std::string& root, bool recursive,
                   const std::function<void(const std::string& path)>& visit);
