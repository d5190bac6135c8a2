#pragma once

#include <X11/Xlib.h>

#include <optional>

// The one format-32 value of a window property of the given type, or nothing when the property
// is missing or holds something else.
std::optional<unsigned long> ReadSingleLongProperty(Display* display, Window window, Atom property,
                                                    Atom type);
