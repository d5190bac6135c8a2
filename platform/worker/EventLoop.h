#pragma once

#include <functional>

// The application's event loop, for code that must stay free of Qt (WorkerThread, the cores).

// True once the application object exists.
bool EventLoopExists();

// From any thread: `call` runs on the application object's thread when its event loop gets to
// it. Dropped when the application object goes first.
void PostToEventLoop(std::function<void()> call);
