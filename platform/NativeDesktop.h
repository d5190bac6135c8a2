#pragma once

#include <cstdint>
#include <optional>

#include "model/WideString.h"

// The few operating-system services of the application shell and the main window; each platform
// library defines them.

// "Linux" or "Windows", for texts that name the system the program runs on.
const char* PlatformName();

// The per-user folder for application data, or nothing when the system cannot say.
std::optional<WideString> GetApplicationDataFolder();

// Creates a per-user folder with its missing parents (a new account may have no configuration
// folder yet); an existing folder or a failure is not reported.
void CreateUserFolder(const WideString& path);

// Creates one folder level; an existing folder or a failure is not reported.
void CreateFolder(const WideString& path);

// True when another copy of the program runs for this user. When none runs, this copy becomes
// the one that later copies find, for the rest of its life.
bool IsAnotherCopyRunning();

// Brings a top-level window to the front with the keyboard focus, beyond what the toolkit does.
void BringNativeWindowToFront(std::uintptr_t nativeHandle);
