#pragma once

class CommandLine;

// Carries out an option in the copy that runs and reports the outcome on standard output or
// error, without a window of its own. Returns the process's exit code. copyRuns: another
// process holds the single-instance lock.
int CarryOutInRunningCopy(const CommandLine& commandLine, bool copyRuns, int& argc, char** argv);
