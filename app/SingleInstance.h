#pragma once

// True when this copy may run. Otherwise the user has been told that another copy runs.
bool EnsureSingleInstance(int& argc, char** argv);
