#pragma once

#include "model/WideString.h"

// Converts any image DevIL reads into a BMP file, overwriting an existing one. Throws CoreError
// "Can't load image" or "Can't save image".
void ConvertToBitmap(const WideString& imagePath, const WideString& bitmapPath);
