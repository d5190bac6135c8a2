#pragma once

#include <string_view>

// Whether a classic TIFF file points past its own end: a directory, a field's values, or a strip
// or tile. DevIL's reader follows such an offset out of its buffer, so these files are refused
// before any decoder sees them. BigTIFF and files with too many directories count as pointing
// past their end too.
bool TiffPointsPastItsEnd(std::string_view content);
