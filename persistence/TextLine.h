#pragma once

#include <string>

#include "model/WideString.h"

// The ".txt" settings files hold one line of ISO 8859-1 text. Text that this encoding cannot
// hold is stored as UTF-8 behind a byte-order mark instead, so that it survives a save and a
// load; a file without the mark reads as ISO 8859-1. A file name whose bytes are not UTF-8 is
// carried with each stray byte as a lone surrogate (WideString.h); in the UTF-8 form that
// surrogate is the byte itself, as on the file system, so such a name survives a restart too.
std::string EncodeTextLine(const WideString& text);
WideString DecodeTextLine(const std::string& bytes);
