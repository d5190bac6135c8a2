#pragma once

#include <boost/filesystem/path.hpp>

#include "model/WideString.h"

// The file-system path of a wide path: UTF-8 where the system's paths are bytes, the UTF-16 code
// units where they are wide, never through the C locale.
boost::filesystem::path ToFilePath(const WideString& path);
