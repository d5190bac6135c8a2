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
    // `afterListing`, when given, runs on the worker after each listing that succeeded.
    explicit ListingWorker(CoreInterface& core, std::function<void()> afterListing = {});

    void Start(const WideString& folder, bool withSubfolders,
               std::function<void(WallpaperList, std::exception_ptr)> done);
    // For the program's exit (WorkerThread::Release): a listing is never waited for.
    bool Release();

private:
    CoreInterface& core;
    const std::function<void()> afterListing;
    WorkerThread worker;
};
