#pragma once

class ApplicationSettings;

// A run without "settings.info" in the settings folder is a first run.
bool IsFirstRun();

// Timed changes every 30 minutes, no change on start, and start at logon. All of them are
// applied; the first error of saving them is thrown afterwards.
void ApplyFirstRunDefaults(ApplicationSettings& settings);
