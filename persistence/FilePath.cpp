#include "persistence/FilePath.h"

#include <string>

boost::filesystem::path ToFilePath(const WideString& path) {
    if constexpr (sizeof(boost::filesystem::path::value_type) == sizeof(char16_t)) {
        return boost::filesystem::path(std::wstring(path.begin(), path.end()));
    } else {
        return boost::filesystem::path(ToUtf8Escaped(path));
    }
}
