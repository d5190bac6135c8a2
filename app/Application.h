#pragma once

// Creates and wires the long-lived objects, runs the event loop and tears everything down in the
// reverse order. Returns the event loop's exit code.
int RunApplication(int& argc, char** argv);
