#include "platform/worker/ListingWorker.h"

#include <memory>
#include <utility>

#include "platform/CoreInterface.h"

ListingWorker::ListingWorker(CoreInterface& core, std::function<void()> afterListing)
    : core(core), afterListing(std::move(afterListing)) {}

void ListingWorker::Start(const WideString& folder, bool withSubfolders,
                          std::function<void(WallpaperList, std::exception_ptr)> done) {
    auto found = std::make_shared<WallpaperList>();
    worker.Start(
        [this, folder, withSubfolders, found] {
            core.FindImages(folder, *found, withSubfolders);
            if (afterListing) {
                afterListing();
            }
        },
        [found, done = std::move(done)](std::exception_ptr error) {
            done(std::move(*found), error);
        });
}

bool ListingWorker::Release() {
    return worker.Release(std::chrono::milliseconds(0));
}
