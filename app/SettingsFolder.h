#pragma once

// Hands the per-user settings folder to the platform core, creating it one level at a time.
// Without an application-data folder the core keeps the working directory.
void SetUpSettingsFolder();
