#pragma once

class ApplicationSettings;

// A run without "settings.info" in the settings folder is a first run.
bool IsFirstRun();

// Timed changes every 30 minutes, no change on start, and start at logon.
void ApplyFirstRunDefaults(ApplicationSettings& settings);
