#pragma once

#include <QString>
#include <exception>

// The error's own message, made fit to end a sentence shown to the user (some messages end in
// ": " because a path used to follow them).
QString ErrorReason(const std::exception& error);
