#pragma once

#include <optional>

#include "platform/remote/RemoteRequest.h"

// Creates and wires the long-lived objects, runs the event loop and tears everything down in the
// reverse order. A start request is carried out once the event loop runs. Returns the event
// loop's exit code.
int RunApplication(int& argc, char** argv, std::optional<RemoteRequest> startRequest);
