#pragma once

#include <chrono>
#include <exception>
#include <functional>

#include "model/WideString.h"
#include "platform/worker/WorkerThread.h"
#include "sources/WallpaperEntry.h"

class CoreInterface;

// A core's folder listings on a thread of their own (CoreInterface::StartFindImages), so that a
// slow folder delays no change.
class ListingWorker final {
public:
    explicit ListingWorker(CoreInterface& core);

    void Start(const WideString& folder, bool withSubfolders,
               std::function<void(WallpaperList, std::exception_ptr)> done);
    // For the program's exit (WorkerThread::Release): a listing is never waited for.
    bool Release();

private:
    CoreInterface& core;
    WorkerThread worker;
};
